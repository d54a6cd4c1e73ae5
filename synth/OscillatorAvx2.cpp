// The oscillators four samples at a time with AVX2 and glibc's vector math library. Only
// the functions of this file are compiled for AVX2; they run only where the processor has it.

#if defined(__x86_64__)

#include "synth/OscillatorDetail.h"
#include "synth/SynthConstants.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <immintrin.h>

// Every function declared from here on is compiled for AVX2 (and only those: the headers above keep
// their inline functions generic, so the linker never shares an AVX2 copy with the rest of the
// program). g++ and clang++ each need their own pragma.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

// glibc's vector sine and exponential, four doubles per call.
extern "C" __m256d _ZGVdN4v_sin(__m256d x);
extern "C" __m256d _ZGVdN4v_cos(__m256d x);
extern "C" __m256d _ZGVdN4v_exp(__m256d x);

namespace vorel::oscillator_detail {
namespace {

struct Avx2 {
    using D = __m256d;
    static constexpr int lanes = 4;
    static D set1(double v) { return _mm256_set1_pd(v); }
    static D load(const double* p) { return _mm256_loadu_pd(p); }
    static void store(double* p, D v) { _mm256_storeu_pd(p, v); }
    static D add(D a, D b) { return _mm256_add_pd(a, b); }
    static D mul(D a, D b) { return _mm256_mul_pd(a, b); }
    static D div(D a, D b) { return _mm256_div_pd(a, b); }
    static D sin(D a) { return _ZGVdN4v_sin(a); }
    static D cos(D a) { return _ZGVdN4v_cos(a); }
    static D exp(D a) { return _ZGVdN4v_exp(a); }
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
    static D keep(D a, unsigned bits) {
        const __m256i lane = _mm256_setr_epi64x(1, 2, 4, 8);
        const __m256i chosen =
            _mm256_cmpeq_epi64(_mm256_and_si256(_mm256_set1_epi64x(bits), lane), lane);
        return _mm256_and_pd(a, _mm256_castsi256_pd(chosen));
    }
};

} // namespace
} // namespace vorel::oscillator_detail

#include "synth/OscillatorBlocks.h"

namespace vorel::oscillator_detail {

void oscillatorsAvx2(const OscillatorInput& in, const WaveBounds& bounds, std::size_t begin,
                     std::size_t end, HarmonicMemo& memo) {
    vectorBlocks<Avx2>(in, bounds, begin, end, memo);
}

void sinesAvx2(const double* x, double* out, std::size_t n, bool cosine) {
    vectorSines<Avx2>(x, out, n, cosine);
}

} // namespace vorel::oscillator_detail

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#endif // __x86_64__
