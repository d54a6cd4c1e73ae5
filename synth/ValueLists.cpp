#include "synth/ValueLists.h"

#include <array>

namespace vorel::lists {
namespace {

// Every value is the double nearest to the decimal shown, as a literal, never computed by a loop:
// 0.1 * 7 is not 0.7.
constexpr std::array oscCountValues{1.0, 2.0, 4.0};
constexpr std::array<std::string_view, 3> oscCountLabels{"1", "2", "4"};

constexpr std::array detuneValues{0.0, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.0, 9.0};
constexpr std::array<std::string_view, 10> detuneLabels{"0", "1", "2", "3", "4",
                                                        "5", "6", "7", "8", "9"};

constexpr std::array semitoneValues{
    24.0,  23.0,  22.0,  21.0,  20.0,  19.0,  18.0,  17.0,  16.0,  15.0,  14.0,  13.0,  12.0,
    11.0,  10.0,  9.0,   8.0,   7.0,   6.0,   5.0,   4.0,   3.0,   2.0,   1.0,   0.0,   -1.0,
    -2.0,  -3.0,  -4.0,  -5.0,  -6.0,  -7.0,  -8.0,  -9.0,  -10.0, -11.0, -12.0, -13.0, -14.0,
    -15.0, -16.0, -17.0, -18.0, -19.0, -20.0, -21.0, -22.0, -23.0, -24.0};
constexpr std::array<std::string_view, 49> semitoneLabels{
    "+24", "+23", "+22", "+21", "+20", "+19", "+18", "+17", "+16", "+15", "+14", "+13", "+12",
    "+11", "+10", "+9 ", "+8 ", "+7 ", "+6 ", "+5 ", "+4 ", "+3 ", "+2 ", "+1 ", " 0 ", "-1 ",
    "-2 ", "-3 ", "-4 ", "-5 ", "-6 ", "-7 ", "-8 ", "-9 ", "-10", "-11", "-12", "-13", "-14",
    "-15", "-16", "-17", "-18", "-19", "-20", "-21", "-22", "-23", "-24"};

constexpr std::array attackLengthValues{0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0,
                                        1.2, 1.4, 1.6, 1.8, 2.0, 2.5, 3.0, 3.5, 4.0, 5.0};
constexpr std::array<std::string_view, 20> attackLengthLabels{
    "0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9", "1.0",
    "1.2", "1.4", "1.6", "1.8", "2.0", "2.5", "3.0", "3.5", "4.0", "5.0"};

constexpr std::array lfoFrequencyValues{0.5, 1.0, 1.5, 2.0, 2.5, 3.0, 3.5, 4.0, 4.5, 5.0,
                                        5.5, 6.0, 6.5, 7.0, 7.5, 8.0, 8.5, 9.0, 9.5};
constexpr std::array<std::string_view, 19> lfoFrequencyLabels{
    "0.5", "1.0", "1.5", "2.0", "2.5", "3.0", "3.5", "4.0", "4.5", "5.0",
    "5.5", "6.0", "6.5", "7.0", "7.5", "8.0", "8.5", "9.0", "9.5"};

constexpr std::array pitchLfoAmplitudeValues{0.0, 0.5, 1.0,  1.5,  2.0,  2.5,  3.0, 3.5, 4.0,
                                             4.5, 5.0, 5.5,  6.0,  6.5,  7.0,  7.5, 8.0, 8.5,
                                             9.0, 9.5, 10.0, 10.5, 11.0, 11.5, 12.0};
constexpr std::array<std::string_view, 21> pitchLfoAmplitudeLabels{
    " 0.0", " 0.5", " 1.0", " 1.5", " 2.0", " 2.5", " 3.0", " 3.5", " 4.0", " 4.5", " 5.0",
    " 5.5", " 6.0", " 6.5", " 7.0", " 7.5", " 8.0", " 8.5", " 9.0", " 9.5", "10.0"};

constexpr std::array lfoDelayValues{0.0, 0.5, 1.0, 1.5, 2.0, 2.5, 3.0, 3.5, 4.0};
constexpr std::array<std::string_view, 9> lfoDelayLabels{"0.0", "0.5", "1.0", "1.5", "2.0",
                                                         "2.5", "3.0", "3.5", "4.0"};

constexpr std::array levelValues{0.0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0};
constexpr std::array<std::string_view, 11> levelLabels{"0.0", "0.1", "0.2", "0.3", "0.4", "0.5",
                                                       "0.6", "0.7", "0.8", "0.9", "1.0"};

// The LPF lengths are the AMP lengths followed by "inf".
constexpr std::array lpfLengthValues{0.02, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0,
                                     1.1,  1.2, 1.3, 1.4, 1.5, 1.6, 1.7, 1.8, 1.9, 2.0, 2.2,
                                     2.4,  2.6, 2.8, 3.0, 3.2, 3.4, 3.6, 3.8, 4.0, 5.0};
constexpr std::array<std::string_view, 32> lpfLengthLabels{
    "0.02", "0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9", "1.0",
    "1.1",  "1.2", "1.3", "1.4", "1.5", "1.6", "1.7", "1.8", "1.9", "2.0", "2.2",
    "2.4",  "2.6", "2.8", "3.0", "3.2", "3.4", "3.6", "3.8", "4.0", "inf"};
constexpr std::size_t ampLengthCount = 31;

constexpr std::array degreeValues{0.0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0,
                                  1.1, 1.2, 1.3, 1.4, 1.5, 1.6, 1.7, 1.8, 1.9, 2.0};
constexpr std::array<std::string_view, 21> degreeLabels{
    "0.0", "0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9", "1.0",
    "1.1", "1.2", "1.3", "1.4", "1.5", "1.6", "1.7", "1.8", "1.9", "2.0"};

} // namespace

const ValueList oscCount{"OscCountList", oscCountValues, oscCountLabels};
const ValueList detune{"DetuneList", detuneValues, detuneLabels};
const ValueList semitone{"SemitoneList", semitoneValues, semitoneLabels};
const ValueList attackLength{"AttackLengthList", attackLengthValues, attackLengthLabels};
const ValueList lfoFrequency{"LfoFrequencyList", lfoFrequencyValues, lfoFrequencyLabels};
const ValueList pitchLfoAmplitude{"PitchLfoAmplitudeList", pitchLfoAmplitudeValues,
                                  pitchLfoAmplitudeLabels};
const ValueList lfoDelay{"LfoDelayList", lfoDelayValues, lfoDelayLabels};
const ValueList level{"LevelList", levelValues, levelLabels};
const ValueList ampLength{"AmpLengthList",
                          std::span<const double>(lpfLengthValues).first(ampLengthCount),
                          std::span<const std::string_view>(lpfLengthLabels).first(ampLengthCount)};
const ValueList lpfLength{"LpfLengthList", lpfLengthValues, lpfLengthLabels};
const ValueList degree{"DegreeList", degreeValues, degreeLabels};

} // namespace vorel::lists
