// The oscillators four samples at a time with AVX2 and glibc's vector math library. Only
// the functions of this file are compiled for AVX2; they run only where the processor has it.

#if defined(__x86_64__)

#include "synth/OscillatorDetail.h"
#include "synth/SynthConstants.h"

#include <array>
#include <cmath>
#include <cstddef>

// Every function declared from here on is compiled for AVX2 (and only those: the headers above keep
// their inline functions generic, so the linker never shares an AVX2 copy with the rest of the
// program).
#include "common/VectorLanesAvx2.h"

namespace vorel::oscillator_detail {
using vector_lanes::Avx2;
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

#include "common/VectorTargetEnd.h"

#endif // __x86_64__
