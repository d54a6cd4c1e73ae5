#pragma once

// Eight doubles side by side with AVX-512 and glibc's vector math library (libmvec): the same
// operations as VectorLanesAvx2.h. Including this switches AVX-512 on for every function the
// including file declares after it, up to common/VectorTargetEnd.h; so only source files whose
// functions run where the processor has AVX-512 include it, after every header whose inline
// functions must stay generic.

#include <immintrin.h>

// g++ and clang++ each need their own pragma.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f")
#endif

// glibc's vector sine, cosine and exponential, eight doubles per call.
extern "C" __m512d _ZGVeN8v_sin(__m512d x);
extern "C" __m512d _ZGVeN8v_cos(__m512d x);
extern "C" __m512d _ZGVeN8v_exp(__m512d x);

namespace vorel::vector_lanes {

struct Avx512 {
    using D = __m512d;
    static constexpr int lanes = 8;
    static D set1(double v) { return _mm512_set1_pd(v); }
    static D load(const double* p) { return _mm512_loadu_pd(p); }
    static void store(double* p, D v) { _mm512_storeu_pd(p, v); }
    static D add(D a, D b) { return _mm512_add_pd(a, b); }
    static D sub(D a, D b) { return _mm512_sub_pd(a, b); }
    static D mul(D a, D b) { return _mm512_mul_pd(a, b); }
    static D div(D a, D b) { return _mm512_div_pd(a, b); }
    // The nearest whole number, halves to even. (Zero-masked with every lane chosen, as max.)
    static D round(D a) {
        return _mm512_maskz_roundscale_pd(static_cast<__mmask8>(0xff), a,
                                          _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    }
    static D sin(D a) { return _ZGVeN8v_sin(a); }
    static D cos(D a) { return _ZGVeN8v_cos(a); }
    static D exp(D a) { return _ZGVeN8v_exp(a); }
    static D abs(D a) { return _mm512_abs_pd(a); }
    // The larger of a and b lane by lane; b where a is NaN. (The zero-masked form with every lane
    // chosen: g++ 12 warns about the undefined pass-through of _mm512_max_pd.)
    static D max(D a, D b) { return _mm512_maskz_max_pd(static_cast<__mmask8>(0xff), a, b); }
    static unsigned greater(D a, D b) { return _mm512_cmp_pd_mask(a, b, _CMP_GT_OQ); }
    static unsigned atLeast(D a, D b) { return _mm512_cmp_pd_mask(a, b, _CMP_GE_OQ); }
    static unsigned within(D a, D lo, D hi) {
        return _mm512_cmp_pd_mask(a, lo, _CMP_GE_OQ) & _mm512_cmp_pd_mask(a, hi, _CMP_LE_OQ);
    }
    // a in the lanes whose bit is set, 0.0 in the others.
    static D keep(D a, unsigned bits) {
        return _mm512_maskz_mov_pd(static_cast<__mmask8>(bits), a);
    }
    // a in the lanes whose bit is set, b in the others.
    static D select(unsigned bits, D a, D b) {
        return _mm512_mask_blend_pd(static_cast<__mmask8>(bits), b, a);
    }
};

} // namespace vorel::vector_lanes
