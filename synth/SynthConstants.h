#pragma once

// The synthesizer's own constants, and the conversions from seconds and keys its parts share.

#include "common/Conversion.h"
#include "common/SoundConstants.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace vorel {

inline constexpr double coefficientThreshold = 0.05; // a filtered coefficient must exceed this
inline constexpr double pitchLfoFactor = 0.04;  // Hz of vibrato per unit of amplitude at 440 Hz
inline constexpr double releaseDegree = 2.0;    // the degree the LPF release ramps to
inline constexpr double noLpfReleaseFrom = 4.5; // LPF release lengths from here on mean "inf"
inline constexpr double maxDegree = 2.0;        // the filter degree is clamped to 0 .. this
inline constexpr double referencePitch = 440.0; // Hz: detune and vibrato are given for this pitch
inline constexpr int midiKeyOffset = 33; // MIDI note 33 + k is key k of the grid (55 * 2^(k/12) Hz)

// A time in seconds as a whole number of samples at `rate` samples per second, truncated toward
// zero (0 for negative times).
inline std::size_t samplesOf(double seconds, double rate = sampleRate) {
    return static_cast<std::size_t>(
        std::max<std::int64_t>(0, truncateTo<std::int64_t>(seconds * rate)));
}

// Hz: no harmonic above this sounds at `rate` samples per second. Below 44100 the ceiling comes
// down in proportion, so that nothing aliases.
inline double harmonicCeiling(double rate) {
    return rate >= sampleRate ? highestHarmonicHz : rate * highestHarmonicHz / sampleRate;
}

// The frequency of key 0..72 in Hz: 55 * 2^(key/12).
inline double keyFrequency(int key) {
    return std::pow(2.0, key / semitonesPerOctave) * lowestKeyHz;
}

} // namespace vorel
