#include "synth/SoundSettings.h"

#include <gtest/gtest.h>

#include <vector>

namespace vorel::test {
namespace {

TEST(SoundSettingsTest, StartValues) {
    SoundSettings s;
    const std::pair<Param, double> expected[] = {
        {Param::oscillatorCount, 2.0},   {Param::detune, 4.0},
        {Param::attackPitch, 0.0},       {Param::attackPitchLength, 0.1},
        {Param::pitchLfoFrequency, 0.5}, {Param::pitchLfoAmplitude, 0.0},
        {Param::pitchLfoDelay, 2.0},     {Param::ampAttackLevel, 1.0},
        {Param::ampAttackLength, 0.1},   {Param::ampDecayLevel, 1.0},
        {Param::ampDecayLength, 0.1},    {Param::ampSustainLevel, 1.0},
        {Param::ampReleaseLength, 0.1},  {Param::ampLfoFrequency, 0.5},
        {Param::ampLfoAmplitude, 0.0},   {Param::ampLfoDelay, 2.0},
        {Param::lpfAttackDegree, 0.0},   {Param::lpfAttackLength, 0.02},
        {Param::lpfDecayDegree, 0.0},    {Param::lpfDecayLength, 0.02},
        {Param::lpfSustainDegree, 0.0},  {Param::lpfReleaseLength, 0.02},
        {Param::lpfLfoFrequency, 0.5},   {Param::lpfLfoAmplitude, 0.0},
        {Param::lpfLfoDelay, 2.0}};
    for (auto [param, value] : expected)
        EXPECT_EQ(s.value(param), value) << parameterInfo(param).name;
    EXPECT_EQ(s.label(Param::attackPitch), " 0 ");
    EXPECT_EQ(s.label(Param::pitchLfoAmplitude), " 0.0");
}

TEST(SoundSettingsTest, SelectLooksUpTheValueAndRefusesIndexesOutsideTheChoices) {
    SoundSettings s;
    EXPECT_TRUE(s.select(Param::lpfReleaseLength, 31));
    EXPECT_EQ(s.value(Param::lpfReleaseLength), 5.0);
    EXPECT_EQ(s.label(Param::lpfReleaseLength), "inf");
    EXPECT_TRUE(s.select(Param::attackPitch, 0));
    EXPECT_EQ(s.value(Param::attackPitch), 24.0);
    EXPECT_TRUE(s.select(Param::attackPitch, 48));
    EXPECT_EQ(s.value(Param::attackPitch), -24.0);
    EXPECT_EQ(s.label(Param::attackPitch), "-24");

    // Values the dialogs cannot offer stay out of reach.
    const SoundSettings before = s;
    EXPECT_FALSE(s.select(Param::pitchLfoAmplitude, 21)); // 10.5 exists only as a value
    EXPECT_FALSE(s.select(Param::lpfAttackLength, 31));   // "inf" only for the release
    EXPECT_FALSE(s.select(Param::lpfLfoAmplitude, 11));   // degrees above 1.0
    EXPECT_FALSE(s.select(Param::oscillatorCount, -1));
    EXPECT_FALSE(s.select(Param::detune, 10));
    EXPECT_EQ(s, before);
    EXPECT_EQ(s.value(Param::attackPitch), -24.0);
}

TEST(SoundSettingsTest, StoreTakesEveryChoiceAtOnceAndKeepsAParameterWhoseBoxHeldNoLabel) {
    SoundSettings s;
    s.select(Param::detune, 9);
    s.store(std::vector<ParamChoice>{
        {Param::oscillatorCount, 0}, {Param::detune, -1}, {Param::attackPitch, 48}});
    SoundSettings expected;
    expected.select(Param::oscillatorCount, 0);
    expected.select(Param::detune, 9);
    expected.select(Param::attackPitch, 48);
    EXPECT_EQ(s, expected);
    EXPECT_EQ(s.value(Param::attackPitch), -24.0);
}

TEST(SoundSettingsTest, EveryListHasItsChoicesAndValuesAreTheNearestDoubles) {
    for (int number = 1; number <= parameterCount; ++number) {
        const ParameterInfo& info = parameterInfo(paramFromNumber(number));
        EXPECT_LE(static_cast<std::size_t>(info.choices), info.list->labels.size()) << info.name;
        EXPECT_LE(info.list->labels.size(), info.list->values.size()) << info.name;
        EXPECT_LT(info.startIndex, info.choices) << info.name;
    }
    EXPECT_EQ(lists::ampLength.values.size(), 31u);
    EXPECT_EQ(lists::ampLength.labels.back(), "4.0");
    EXPECT_EQ(lists::pitchLfoAmplitude.values.size(), 25u);
    EXPECT_EQ(lists::pitchLfoAmplitude.values[24], 12.0);
    EXPECT_EQ(lists::semitone.labels[15], "+9 ");
    EXPECT_EQ(lists::attackLength.values[15], 2.5);
    // 0.7 s is 30869 samples, not 30870: the value is the double nearest 0.7.
    EXPECT_EQ(static_cast<long>(lists::level.values[7] * 44100), 30869);
    EXPECT_EQ(lists::degree.values[7], 0.7);
}

} // namespace
} // namespace vorel::test
