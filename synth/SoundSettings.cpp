#include "synth/SoundSettings.h"

namespace vorel {
namespace {

// Parameter number n is entry n - 1.
const std::array<ParameterInfo, parameterCount> parameterTable{{
    {"oscillatorCount", &lists::oscCount, 3, 1},
    {"detune", &lists::detune, 10, 4},
    {"attackPitch", &lists::semitone, 49, 24},
    {"attackPitchLength", &lists::attackLength, 20, 0},
    {"pitchLfoFrequency", &lists::lfoFrequency, 19, 0},
    {"pitchLfoAmplitude", &lists::pitchLfoAmplitude, 21, 0},
    {"pitchLfoDelay", &lists::lfoDelay, 9, 4},
    {"ampAttackLevel", &lists::level, 11, 10},
    {"ampAttackLength", &lists::ampLength, 31, 1},
    {"ampDecayLevel", &lists::level, 11, 10},
    {"ampDecayLength", &lists::ampLength, 31, 1},
    {"ampSustainLevel", &lists::level, 11, 10},
    {"ampReleaseLength", &lists::ampLength, 31, 1},
    {"ampLfoFrequency", &lists::lfoFrequency, 19, 0},
    {"ampLfoAmplitude", &lists::level, 11, 0},
    {"ampLfoDelay", &lists::lfoDelay, 9, 4},
    {"lpfAttackDegree", &lists::degree, 21, 0},
    {"lpfAttackLength", &lists::lpfLength, 31, 0},
    {"lpfDecayDegree", &lists::degree, 21, 0},
    {"lpfDecayLength", &lists::lpfLength, 31, 0},
    {"lpfSustainDegree", &lists::degree, 21, 0},
    {"lpfReleaseLength", &lists::lpfLength, 32, 0},
    {"lpfLfoFrequency", &lists::lfoFrequency, 19, 0},
    {"lpfLfoAmplitude", &lists::degree, 11, 0},
    {"lpfLfoDelay", &lists::lfoDelay, 9, 4},
}};

} // namespace

const ParameterInfo& parameterInfo(Param param) {
    return parameterTable[static_cast<std::size_t>(static_cast<int>(param) - 1)];
}

bool SoundSettings::select(Param param, int index) {
    const ParameterInfo& info = parameterInfo(param);
    if (index < 0 || index >= info.choices)
        return false;
    indexes_[slot(param)] = index;
    values_[slot(param)] = info.list->values[static_cast<std::size_t>(index)];
    return true;
}

void SoundSettings::store(std::span<const ParamChoice> choices) {
    for (const ParamChoice& choice : choices)
        select(choice.param, choice.index);
}

void SoundSettings::resetToStart() {
    for (int number = 1; number <= parameterCount; ++number)
        select(paramFromNumber(number), parameterInfo(paramFromNumber(number)).startIndex);
}

std::string_view SoundSettings::label(Param param) const {
    return parameterInfo(param).list->labels[static_cast<std::size_t>(index(param))];
}

} // namespace vorel
