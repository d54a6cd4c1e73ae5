#pragma once

// Pieces the scalar and the vector evaluations of the oscillators share. Included only by the
// oscillator source files.

#include "common/WaveData.h"
#include "synth/Oscillator.h"

#include <array>

namespace vorel::oscillator_detail {

// Most oscillators a voice has.
inline constexpr int maxOscillators = 4;

// How many harmonics of a sample whose fundamental is `pitch` Hz pass the ceiling test, decided as
// the reference decides it: harmonics 1..limit come before the first m with m * pitch > ceiling.
int harmonicLimit(double pitch, double ceiling);

// Makes sure harmonics 1..limit of the memo's degree are examined.
void fillMemo(HarmonicMemo& memo, const WaveData& wave, int limit);

// Starts the memo afresh for `degree` unless it already holds that degree.
void selectMemoDegree(HarmonicMemo& memo, double degree);

// log(m) for m = 0..100 (entry 0 unused).
const std::array<double, harmonicCount + 1>& logOfHarmonic();

// A harmonic is passed over without its power function only when g * log(m) lies this far above
// log(coefficient / threshold): far beyond any rounding in the logarithms or in pow.
inline constexpr double silentMargin = 1e-9;

// A filtered coefficient this close to the threshold (relative) is computed again with the scalar
// pow, so that the vector exp(g * log m), a few units in the last place away from pow, never tips
// a threshold decision.
inline constexpr double thresholdBand = 1e-12;

// The vector evaluations, one per instruction set (defined only where the build has them).
void oscillatorsAvx512(const OscillatorInput& in, const WaveBounds& bounds, std::size_t begin,
                       std::size_t end, HarmonicMemo& memo);
void oscillatorsAvx2(const OscillatorInput& in, const WaveBounds& bounds, std::size_t begin,
                     std::size_t end, HarmonicMemo& memo);

// sin or cos of every argument with the vector functions of one instruction set.
void sinesAvx512(const double* x, double* out, std::size_t n, bool cosine);
void sinesAvx2(const double* x, double* out, std::size_t n, bool cosine);

} // namespace vorel::oscillator_detail
