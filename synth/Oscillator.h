#pragma once

#include "common/Evaluation.h"
#include "common/SoundConstants.h"
#include "common/WaveData.h"

#include <array>
#include <cstddef>

namespace vorel {

// How the vector evaluation takes the sine of each harmonic: with the vector sine of its own phase
// (the offline fast path), or by rotating the sines of the harmonic below by the fundamental's
// angle (the live voices: several times cheaper, within the fast path's contract but not its
// doubles).
enum class HarmonicSines { vectorSine, rotation };

// Everything the oscillator sum of one voice reads. The curves and the output hold sample i at
// element i - origin.
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
    std::size_t origin = 0;
    double rate = sampleRate;             // samples per second
    double ceilingHz = highestHarmonicHz; // no harmonic above this sounds
    HarmonicSines sines = HarmonicSines::vectorSine;
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

// The reference's sum for sample i alone, from that sample's curve values (in's curve and out
// pointers are not read): what oscillatorsReference writes to in.out[i].
double referenceOscillatorSum(const OscillatorInput& in, std::size_t i, double pitchRatio,
                              double pitchLfo, double degree);

// The same sums with the filtered coefficients memoised per degree; identical doubles.
void oscillatorsMemoised(const OscillatorInput& in, std::size_t begin, std::size_t end,
                         HarmonicMemo& memo);

// What the vector path knows of the wave beforehand: the highest degree at which each harmonic
// can still pass the threshold (with a safety margin far beyond any rounding of the logarithms or
// the power function). A harmonic is certainly silent at any degree above it, which spares its
// power function when the degree changes from sample to sample. -inf: never sounds.
struct WaveBounds {
    // Entry m - 1 for harmonic m; the entries after harmonic 100 (-inf) let the vector code read
    // whole vectors.
    std::array<double, harmonicCount + 8> highestDegree{};
    void compute(const WaveData& wave);
};

// The sums for 8 (AVX-512) or 4 (AVX2) consecutive samples at once, with the vector sine and, where
// the degree differs between those samples, m^degree as a vector exp(degree * log m); each sample
// still adds its terms in the reference's order and decides every threshold test as the
// reference does. The vector functions may differ from the scalar ones in the last bits. With
// VectorUnit::none (or a unit this machine lacks) this is oscillatorsMemoised.
void oscillatorsVector(const OscillatorInput& in, const WaveBounds& bounds, std::size_t begin,
                       std::size_t end, HarmonicMemo& memo, VectorUnit unit);

// out[i] = sin(x[i]) (or cos) for i < n, with the vector unit's functions, which may differ from
// std::sin and std::cos in the last bits; with VectorUnit::none (or a unit this machine lacks)
// std::sin and std::cos themselves. out may be x.
void sinesOf(const double* x, double* out, std::size_t n, VectorUnit unit);
void cosinesOf(const double* x, double* out, std::size_t n, VectorUnit unit);

} // namespace vorel
