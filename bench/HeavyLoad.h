#pragma once

#include "common/WaveData.h"
#include "synth/SoundSettings.h"

#include <cstddef>

namespace vorel {

// The live engine's heaviest load, shared by its benchmark and the tests that play it: a wave
// whose 100 coefficients all sound, and a sound that keeps all of them sounding in every voice.

// 0.9 / (1 + 0.02 k) for harmonic k + 1.
inline WaveData everyHarmonicWave() {
    WaveData wave{};
    for (std::size_t k = 0; k < harmonicCount; ++k)
        wave[k] = 0.9 / (1 + 0.02 * static_cast<double>(k));
    return wave;
}

// 4 oscillators, the vibrato and the tremolo from the start, and the filter LFO moving the degree
// on every sample between 0.0 and 0.2, where all 100 harmonics keep sounding on key 0 (also in the
// release: the LPF release is "inf").
inline SoundSettings heaviestSettings() {
    SoundSettings settings;
    settings.select(Param::oscillatorCount, 2);   // 4
    settings.select(Param::pitchLfoAmplitude, 4); // 2.0
    settings.select(Param::pitchLfoFrequency, 9); // 5 Hz
    settings.select(Param::pitchLfoDelay, 0);
    settings.select(Param::ampLfoAmplitude, 5); // 0.5
    settings.select(Param::ampLfoFrequency, 5); // 3 Hz
    settings.select(Param::ampLfoDelay, 0);
    settings.select(Param::lpfAttackDegree, 1); // 0.1 throughout the envelope...
    settings.select(Param::lpfDecayDegree, 1);
    settings.select(Param::lpfSustainDegree, 1);
    settings.select(Param::lpfLfoAmplitude, 1); // ...swung by 0.1
    settings.select(Param::lpfLfoFrequency, 7); // 4 Hz
    settings.select(Param::lpfLfoDelay, 0);
    settings.select(Param::lpfReleaseLength, 31);
    return settings;
}

} // namespace vorel
