#pragma once

#include "synth/ValueLists.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace vorel {

// The 25 synthesizer parameters, numbered 1..25 in the order the sound file stores them.
enum class Param : int {
    oscillatorCount = 1,
    detune,
    attackPitch,
    attackPitchLength,
    pitchLfoFrequency,
    pitchLfoAmplitude,
    pitchLfoDelay,
    ampAttackLevel,
    ampAttackLength,
    ampDecayLevel,
    ampDecayLength,
    ampSustainLevel,
    ampReleaseLength,
    ampLfoFrequency,
    ampLfoAmplitude,
    ampLfoDelay,
    lpfAttackDegree,
    lpfAttackLength,
    lpfDecayDegree,
    lpfDecayLength,
    lpfSustainDegree,
    lpfReleaseLength,
    lpfLfoFrequency,
    lpfLfoAmplitude,
    lpfLfoDelay,
};

inline constexpr int parameterCount = 25;

struct ParameterInfo {
    std::string_view name; // "lpfReleaseLength"
    const ValueList* list; // where the value is looked up
    int choices;           // indexes 0..choices-1 can be chosen (the dialog's items)
    int startIndex;        // the index at program start
};

// Information on parameter number 1..25.
const ParameterInfo& parameterInfo(Param param);
inline constexpr Param paramFromNumber(int number) {
    return static_cast<Param>(number);
}
inline constexpr int numberOf(Param param) {
    return static_cast<int>(param);
}

// What one box of a settings dialog holds when OK is pressed: the index of the item whose label
// its text equals, or -1 when the text is no label.
struct ParamChoice {
    Param param;
    int index;
};

// The synthesizer's settings: a selection index per parameter and the value looked up from it.
// Index and value always agree; an index outside a parameter's choices is never stored.
class SoundSettings {
  public:
    SoundSettings() { resetToStart(); }

    // Stores the index and looks up the value. Returns false, changing nothing, for an index
    // outside the parameter's choices.
    bool select(Param param, int index);
    // OK of a settings dialog: every box of the dialog is stored at once. A choice of -1 (or any
    // index outside its parameter's choices) keeps that parameter's index.
    void store(std::span<const ParamChoice> choices);
    void resetToStart();

    std::int32_t index(Param param) const { return indexes_[slot(param)]; }
    double value(Param param) const { return values_[slot(param)]; }
    std::string_view label(Param param) const;

    // The 25 indexes, parameter 1 first.
    const std::array<std::int32_t, parameterCount>& indexes() const { return indexes_; }

    bool operator==(const SoundSettings& other) const { return indexes_ == other.indexes_; }

  private:
    static constexpr std::size_t slot(Param param) {
        return static_cast<std::size_t>(static_cast<int>(param) - 1);
    }
    std::array<std::int32_t, parameterCount> indexes_{};
    std::array<double, parameterCount> values_{};
};

} // namespace vorel
