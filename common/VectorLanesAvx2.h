#pragma once

// Four doubles side by side with AVX2 and glibc's vector math library (libmvec): the operations
// the vector code of the fast paths is written with (VectorLanesAvx512.h has the same with
// eight). Including this switches AVX2 on for every function the including file declares after
// it, up to common/VectorTargetEnd.h; so only source files whose functions run where the processor
// has AVX2 include it, after every header whose inline functions must stay generic.

#include <immintrin.h>

// g++ and clang++ each need their own pragma.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

// glibc's vector sine, cosine and exponential, four doubles per call.
extern "C" __m256d _ZGVdN4v_sin(__m256d x);
extern "C" __m256d _ZGVdN4v_cos(__m256d x);
extern "C" __m256d _ZGVdN4v_exp(__m256d x);

namespace vorel::vector_lanes {

struct Avx2 {
    using D = __m256d;
    static constexpr int lanes = 4;
    static D set1(double v) { return _mm256_set1_pd(v); }
    static D load(const double* p) { return _mm256_loadu_pd(p); }
    static void store(double* p, D v) { _mm256_storeu_pd(p, v); }
    static D add(D a, D b) { return _mm256_add_pd(a, b); }
    static D sub(D a, D b) { return _mm256_sub_pd(a, b); }
    static D mul(D a, D b) { return _mm256_mul_pd(a, b); }
    static D div(D a, D b) { return _mm256_div_pd(a, b); }
    // The nearest whole number, halves to even.
    static D round(D a) {
        return _mm256_round_pd(a, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    }
    static D sin(D a) { return _ZGVdN4v_sin(a); }
    static D cos(D a) { return _ZGVdN4v_cos(a); }
    static D exp(D a) { return _ZGVdN4v_exp(a); }
    // |a|: the sign bit cleared.
    static D abs(D a) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), a); }
    // The larger of a and b lane by lane; b where a is NaN.
    static D max(D a, D b) { return _mm256_max_pd(a, b); }
    static unsigned greater(D a, D b) {
        return static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(a, b, _CMP_GT_OQ)));
    }
    static unsigned atLeast(D a, D b) {
        return static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(a, b, _CMP_GE_OQ)));
    }
    static unsigned within(D a, D lo, D hi) {
        return static_cast<unsigned>(_mm256_movemask_pd(
            _mm256_and_pd(_mm256_cmp_pd(a, lo, _CMP_GE_OQ), _mm256_cmp_pd(a, hi, _CMP_LE_OQ))));
    }
    // a in the lanes whose bit is set, 0.0 in the others.
    static D keep(D a, unsigned bits) {
        const __m256i lane = _mm256_setr_epi64x(1, 2, 4, 8);
        const __m256i chosen =
            _mm256_cmpeq_epi64(_mm256_and_si256(_mm256_set1_epi64x(bits), lane), lane);
        return _mm256_and_pd(a, _mm256_castsi256_pd(chosen));
    }
    // a in the lanes whose bit is set, b in the others.
    static D select(unsigned bits, D a, D b) {
        const __m256i lane = _mm256_setr_epi64x(1, 2, 4, 8);
        const __m256i chosen =
            _mm256_cmpeq_epi64(_mm256_and_si256(_mm256_set1_epi64x(bits), lane), lane);
        return _mm256_blendv_pd(b, a, _mm256_castsi256_pd(chosen));
    }
};

} // namespace vorel::vector_lanes
