#pragma once

#include <span>
#include <string_view>

namespace vorel {

// A fixed list of choices: the numbers the synthesizer uses and the labels the dialogs show.
// Some lists have more values than labels; an index is always within the labels.
struct ValueList {
    std::string_view name;
    std::span<const double> values;
    std::span<const std::string_view> labels;
};

namespace lists {
extern const ValueList oscCount;          // 1, 2, 4 oscillators
extern const ValueList detune;            // Hz between neighbouring oscillators at 440 Hz
extern const ValueList semitone;          // +24 .. -24 semitones
extern const ValueList attackLength;      // seconds of the attack pitch
extern const ValueList lfoFrequency;      // 0.5 .. 9.5 Hz
extern const ValueList pitchLfoAmplitude; // 25 values, 21 labels
extern const ValueList lfoDelay;          // 0.0 .. 4.0 seconds
extern const ValueList level;             // gain 0.0 .. 1.0
extern const ValueList ampLength;         // seconds
extern const ValueList lpfLength;         // seconds; the last entry "inf" (5.0) means no release
extern const ValueList degree;            // filter degree 0.0 .. 2.0
} // namespace lists

} // namespace vorel
