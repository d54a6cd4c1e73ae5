// The oscillators eight samples at a time with AVX-512 and glibc's vector math library. Only
// the functions of this file are compiled for AVX-512; they run only where the processor has it.

#if defined(__x86_64__)

#include "synth/OscillatorDetail.h"
#include "synth/SynthConstants.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <immintrin.h>

// Every function declared from here on is compiled for AVX-512 (and only those: the headers above
// keep their inline functions generic, so the linker never shares an AVX-512 copy with the rest of
// the program). g++ and clang++ each need their own pragma.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f")
#endif

// glibc's vector sine and exponential, eight doubles per call.
extern "C" __m512d _ZGVeN8v_sin(__m512d x);
extern "C" __m512d _ZGVeN8v_cos(__m512d x);
extern "C" __m512d _ZGVeN8v_exp(__m512d x);

namespace vorel::oscillator_detail {
namespace {

struct Avx512 {
    using D = __m512d;
    static constexpr int lanes = 8;
    static D set1(double v) { return _mm512_set1_pd(v); }
    static D load(const double* p) { return _mm512_loadu_pd(p); }
    static void store(double* p, D v) { _mm512_storeu_pd(p, v); }
    static D add(D a, D b) { return _mm512_add_pd(a, b); }
    static D mul(D a, D b) { return _mm512_mul_pd(a, b); }
    static D div(D a, D b) { return _mm512_div_pd(a, b); }
    static D sin(D a) { return _ZGVeN8v_sin(a); }
    static D cos(D a) { return _ZGVeN8v_cos(a); }
    static D exp(D a) { return _ZGVeN8v_exp(a); }
    static unsigned greater(D a, D b) { return _mm512_cmp_pd_mask(a, b, _CMP_GT_OQ); }
    static unsigned atLeast(D a, D b) { return _mm512_cmp_pd_mask(a, b, _CMP_GE_OQ); }
    static unsigned within(D a, D lo, D hi) {
        return _mm512_cmp_pd_mask(a, lo, _CMP_GE_OQ) & _mm512_cmp_pd_mask(a, hi, _CMP_LE_OQ);
    }
    static D keep(D a, unsigned bits) {
        return _mm512_maskz_mov_pd(static_cast<__mmask8>(bits), a);
    }
};

} // namespace
} // namespace vorel::oscillator_detail

#include "synth/OscillatorBlocks.h"

namespace vorel::oscillator_detail {

void oscillatorsAvx512(const OscillatorInput& in, const WaveBounds& bounds, std::size_t begin,
                       std::size_t end, HarmonicMemo& memo) {
    vectorBlocks<Avx512>(in, bounds, begin, end, memo);
}

void sinesAvx512(const double* x, double* out, std::size_t n, bool cosine) {
    vectorSines<Avx512>(x, out, n, cosine);
}

} // namespace vorel::oscillator_detail

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#endif // __x86_64__
