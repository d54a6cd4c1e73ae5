#pragma once

// The numbers the sound computations and the drawing of both programs share, each in one place.

namespace vorel {

// Samples per second of every sound the programs compute, play and write; one channel.
inline constexpr int sampleRate = 44100;

// 2 pi in radians as the sound computations use it: voices, key tones, the wave editor's preview
// tones. Rounded to nine decimals, so it is not M_PI * 2 and must not be replaced by it.
inline constexpr double soundTwoPi = 6.283185308;

// 2 pi in radians as the wave editor's drawing tables use it, one unit lower in the ninth decimal
// than the sound's; every drawn point depends on it, so the two are never interchanged.
inline constexpr double drawingTwoPi = 6.283185307;

// Keys of the keyboard: 0 (A1, 55 Hz) .. 72 (A7, 3520 Hz), a semitone apart.
inline constexpr int keyCount = 73;

// The frequency of key 0 (A1) in Hz; key k sounds 2^(k/12) times higher.
inline constexpr double lowestKeyHz = 55.0;

// Semitones in an octave, the step of the pitch exponent (2^(semitones/12)).
inline constexpr double semitonesPerOctave = 12.0;

// Hz: no harmonic above this frequency sounds, in the voices or in the wave editor's previews.
inline constexpr double highestHarmonicHz = 20000.0;

} // namespace vorel
