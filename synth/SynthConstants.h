#pragma once

namespace vorel {

inline constexpr double rate = 44100.0;              // samples per second
inline constexpr double twoPi = 6.283185308;         // the synthesizer's 2 pi, as written
inline constexpr double harmonicCeiling = 20000.0;   // Hz: no harmonic sounds above
inline constexpr double coefficientThreshold = 0.05; // a filtered coefficient must exceed this
inline constexpr double pitchLfoFactor = 0.04;  // Hz of vibrato per unit of amplitude at 440 Hz
inline constexpr double releaseDegree = 2.0;    // the degree the LPF release ramps to
inline constexpr double noLpfReleaseFrom = 4.5; // LPF release lengths from here on mean "inf"
inline constexpr double maxDegree = 2.0;
inline constexpr double referencePitch = 440.0; // detune and vibrato are given for this pitch
inline constexpr double lowestKeyHz = 55.0;     // key 0, A1

} // namespace vorel
