#pragma once

// The wave and the short notes the fast-path and the streaming tests evaluate both ways.

#include "common/WaveData.h"
#include "synth/SoundSettings.h"

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace vorel::test {

inline WaveData sawtooth() {
    WaveData wave{};
    for (std::size_t k = 0; k < harmonicCount; ++k)
        wave[k] = 1.0 / static_cast<double>(k + 1);
    return wave;
}

struct Sound {
    std::string name;
    SoundSettings settings;
};

// Short notes (ampReleaseLength 0.02 s) with each part of the voice switched on in turn.
inline std::vector<Sound> sounds() {
    auto make = [](std::string name, std::initializer_list<std::pair<Param, int>> choices) {
        SoundSettings settings;
        settings.select(Param::ampReleaseLength, 0);
        for (auto [param, index] : choices)
            settings.select(param, index);
        return Sound{std::move(name), settings};
    };
    return {
        make("start settings", {}),
        make(
            "one oscillator, attack pitch +12 over 0.1 s",
            {{Param::oscillatorCount, 0}, {Param::attackPitch, 12}, {Param::attackPitchLength, 0}}),
        make("four oscillators with vibrato from the start", {{Param::oscillatorCount, 2},
                                                              {Param::detune, 7},
                                                              {Param::pitchLfoAmplitude, 20},
                                                              {Param::pitchLfoFrequency, 18},
                                                              {Param::pitchLfoDelay, 0}}),
        make("LPF attack and decay ramps, release inside the decay",
             {{Param::lpfAttackDegree, 0},
              {Param::lpfAttackLength, 1},
              {Param::lpfDecayDegree, 20},
              {Param::lpfDecayLength, 3},
              {Param::lpfSustainDegree, 5},
              {Param::lpfReleaseLength, 1}}),
        make("LPF LFO from the start, clamped at both ends", {{Param::lpfSustainDegree, 3},
                                                              {Param::lpfReleaseLength, 31},
                                                              {Param::lpfLfoAmplitude, 10},
                                                              {Param::lpfLfoFrequency, 18},
                                                              {Param::lpfLfoDelay, 0}}),
        make("tremolo and attack pitch down", {{Param::ampLfoAmplitude, 10},
                                               {Param::ampLfoDelay, 0},
                                               {Param::ampLfoFrequency, 18},
                                               {Param::attackPitch, 40},
                                               {Param::attackPitchLength, 1}}),
    };
}

} // namespace vorel::test
