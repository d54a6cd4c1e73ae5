#pragma once

#include "common/WaveData.h"

#include <array>
#include <cstddef>

namespace vorel {

// Everything the oscillator sum of one voice reads.
struct OscillatorInput {
    const double* pitchRatio; // per sample
    const double* pitchLfo;   // per sample, Hz before scaling
    const double* degree;     // per sample
    const WaveData* wave;
    double f0;           // the note's frequency, Hz
    double lfoScale;     // f0 / 440: scales vibrato and detune with the note's frequency
    double detuneHz;     // Hz between neighbouring oscillators at this note
    int oscillatorCount; // 1, 2 or 4
    double* out;         // per sample
};

// The filtered coefficients of one degree: harmonic m sounds with coefficient
// wave[m-1] / m^degree only where that exceeds the threshold. Filled lazily, harmonic by harmonic,
// and kept while the degree stays the same (the degree often holds for thousands of samples).
struct HarmonicMemo {
    double degree = 0.0;
    bool valid = false;
    int filledUpTo = 0;  // harmonics 1..filledUpTo are examined
    int activeCount = 0; // how many of them sound
    std::array<int, harmonicCount> activeHarmonic{};
    std::array<double, harmonicCount> activeCoefficient{};
};

// The straightforward evaluation, one sine after another: the reference.
void oscillatorsReference(const OscillatorInput& in, std::size_t begin, std::size_t end);

// The same sums with the filtered coefficients memoised per degree; identical doubles.
void oscillatorsMemoised(const OscillatorInput& in, std::size_t begin, std::size_t end,
                         HarmonicMemo& memo);

} // namespace vorel
