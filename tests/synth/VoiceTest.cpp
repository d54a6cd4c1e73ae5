#include "synth/Synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace vorel::test {
namespace {

// One synthesizer for the whole suite: it owns about 190 MB of buffers.
class VoiceTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { synth = std::make_unique<Synth>(2); }
    static void TearDownTestSuite() { synth.reset(); }

    static WaveData fundamentalOnly(double coefficient = 1.0) {
        WaveData wave{};
        wave[0] = coefficient;
        return wave;
    }
    static std::vector<std::int16_t> preview(const SoundSettings& s, const WaveData& wave,
                                             double f0, double gate) {
        std::vector<std::int16_t> samples(previewLength, 1234);
        synth->previewVoice(s, wave, f0, gate, samples);
        return samples;
    }
    static bool anyNonZero(std::span<const std::int16_t> samples) {
        return std::any_of(samples.begin(), samples.end(), [](auto v) { return v != 0; });
    }

    static std::unique_ptr<Synth> synth;
};
std::unique_ptr<Synth> VoiceTest::synth;

TEST_F(VoiceTest, PreviewAt440HzWithStartSettingsLasts101430Samples) {
    SoundSettings s;
    const double gate = s.value(Param::ampDecayLength) + s.value(Param::ampAttackLength) + 2.0;
    std::vector<double> out(previewLength);
    EXPECT_EQ(synth->computeVoice(s, fundamentalOnly(), 440.0, gate, out), 101430u);

    auto samples = preview(s, fundamentalOnly(), 440.0, gate);
    EXPECT_FALSE(anyNonZero(std::span(samples).subspan(101430)));
    EXPECT_TRUE(anyNonZero(std::span(samples).subspan(100000, 1430)));
    EXPECT_EQ(std::abs(*std::max_element(samples.begin(), samples.end(),
                                         [](auto a, auto b) { return std::abs(a) < std::abs(b); })),
              8000);
}

TEST_F(VoiceTest, SilentWaveGivesSilenceWithoutDividingByZero) {
    SoundSettings s;
    auto samples = preview(s, WaveData{}, 110.0, 2.2);
    EXPECT_FALSE(anyNonZero(samples));
}

TEST_F(VoiceTest, OnlyCoefficientsAboveTheThresholdSound) {
    SoundSettings s;
    EXPECT_FALSE(anyNonZero(preview(s, fundamentalOnly(0.05), 440.0, 0.5)));
    EXPECT_TRUE(anyNonZero(preview(s, fundamentalOnly(0.06), 440.0, 0.5)));
    EXPECT_FALSE(anyNonZero(preview(s, fundamentalOnly(-0.9), 440.0, 0.5)));
}

TEST_F(VoiceTest, HarmonicsAbove20kHzNeverSound) {
    SoundSettings s;
    WaveData h22{}, h23{}, h5{}, h6{};
    h22[21] = 1.0;
    h23[22] = 1.0;
    h5[4] = 1.0;
    h6[5] = 1.0;
    EXPECT_TRUE(anyNonZero(preview(s, h22, 880.0, 0.5)));
    EXPECT_FALSE(anyNonZero(preview(s, h23, 880.0, 0.5))); // 23 x 880 = 20240 Hz
    EXPECT_TRUE(anyNonZero(preview(s, h23, 440.0, 0.5)));
    EXPECT_TRUE(anyNonZero(preview(s, h5, 3520.0, 0.5))); // key 72
    EXPECT_FALSE(anyNonZero(preview(s, h6, 3520.0, 0.5)));
}

TEST_F(VoiceTest, AttackPitchStartsAnOctaveUpAndStepsToThePitchAfterTheAttack) {
    SoundSettings s;
    s.select(Param::attackPitch, 12);      // +12 semitones
    s.select(Param::attackPitchLength, 9); // 1.0 s
    std::vector<double> out(previewLength);
    synth->computeVoice(s, fundamentalOnly(), 440.0, 2.0, out);
    const auto& ratio = synth->curves().pitchRatio;
    EXPECT_EQ(ratio[0], 2.0);
    EXPECT_NEAR(12 * std::log2(ratio[44099]), 7.2, 0.001);
    EXPECT_EQ(ratio[44100], 1.0);
}

TEST_F(VoiceTest, LpfReleaseRampsToDegreeTwoUnlessItIsInfinite) {
    SoundSettings s;
    s.select(Param::lpfSustainDegree, 10); // 1.0
    s.select(Param::ampReleaseLength, 10); // 1.0 s, so the voice outlasts the LPF release
    std::vector<double> out(previewLength);

    s.select(Param::lpfReleaseLength, 31); // inf
    std::size_t n = synth->computeVoice(s, fundamentalOnly(), 440.0, 0.5, out);
    const auto& deg = synth->curves().degree;
    for (std::size_t i = 1764; i < n; ++i) // from the end of the 0.02 s attack and decay
        ASSERT_EQ(deg[i], 1.0) << i;

    s.select(Param::lpfReleaseLength, 1); // 0.1 s
    n = synth->computeVoice(s, fundamentalOnly(), 440.0, 0.5, out);
    const std::size_t rampEnd = 22050 + 4410;
    EXPECT_EQ(deg[22049], 1.0);
    EXPECT_EQ(deg[22050], 1.0); // the ramp starts at the sustain degree...
    EXPECT_GT(deg[rampEnd - 1], 1.9);
    for (std::size_t i = rampEnd; i < n; ++i) // ...and holds 2.0 after the window
        ASSERT_EQ(deg[i], 2.0) << i;
}

TEST_F(VoiceTest, EarlyReleaseStartsFromTheEnvelopeAtTheEndOfTheReleaseWindow) {
    SoundSettings s;
    s.select(Param::lpfAttackLength, 20); // 2.0 s: the key is released during the attack
    s.select(Param::lpfDecayDegree, 20);  // towards 2.0
    s.select(Param::lpfReleaseLength, 1); // 0.1 s
    s.select(Param::ampReleaseLength, 10);
    std::vector<double> out(previewLength);
    synth->computeVoice(s, fundamentalOnly(), 440.0, 0.5, out);
    const auto& deg = synth->curves().degree;
    // The attack would reach 26460 * 2.0 / 88200 = 0.6 at the window's end (sample 26460).
    const double windowEndDegree = 26460 * 2.0 / 88200;
    EXPECT_EQ(deg[22050], windowEndDegree);
    EXPECT_LT(deg[22049], windowEndDegree);
    EXPECT_EQ(deg[26460], 2.0);
}

TEST_F(VoiceTest, FullTremoloReachesSilenceAtItsTroughs) {
    SoundSettings s;
    s.select(Param::ampLfoAmplitude, 10); // 1.0
    s.select(Param::ampLfoDelay, 0);      // from the start
    s.select(Param::ampLfoFrequency, 0);  // 0.5 Hz: the first trough after one second
    std::vector<double> out(previewLength);
    synth->computeVoice(s, fundamentalOnly(), 440.0, 2.0, out);
    const auto& amp = synth->curves().amp;
    EXPECT_EQ(amp[0], 1.0);
    EXPECT_LT(amp[44100], 1e-15);
    EXPECT_GT(amp[22050], 0.49);
}

// One oscillator, a fixed degree of 1.0 and two harmonics: between the decay and the release
// every sample of the reference evaluation is the plain sum of the two filtered sines.
TEST_F(VoiceTest, SequenceVoiceIsTheFilteredSumOfSinesTimesTheGain) {
    Synth reference(1, Evaluation::reference);
    SoundSettings s;
    s.select(Param::oscillatorCount, 0);
    s.select(Param::lpfAttackDegree, 10);
    s.select(Param::lpfDecayDegree, 10);
    s.select(Param::lpfSustainDegree, 10);
    s.select(Param::lpfReleaseLength, 31);
    WaveData wave{};
    wave[0] = 0.8;
    wave[2] = 0.3;                                  // 0.3 / 3 = 0.1 sounds
    wave[3] = 0.19;                                 // 0.19 / 4 = 0.0475 does not
    reference.sequenceVoice(s, wave, 36, 0.5, 0.5); // key 36 is 440 Hz
    auto out = reference.voiceOutput();
    for (std::size_t i = 9000; i < 9100; ++i) {
        const double t = static_cast<double>(i);
        double x = 0.0;
        x += 0.8 * std::sin((0.0 + 0 * 0.0 + 440.0) * 6.283185308 * t * 1 / 44100);
        x += (0.3 / 3.0) * std::sin((0.0 + 0 * 0.0 + 440.0) * 6.283185308 * t * 3 / 44100);
        ASSERT_EQ(out[i], 1.0 * x * 0.5) << "sample " << i;
    }
    // trunc((0.1 + 0.5) * 44100) samples, then silence.
    EXPECT_NE(out[26459 - 100], 0.0);
    EXPECT_TRUE(std::all_of(out.begin() + 26460, out.end(), [](double v) { return v == 0.0; }));
}

TEST_F(VoiceTest, VoiceLongerThanItsBufferIsCutAtTheEnd) {
    SoundSettings s;
    s.select(Param::lpfReleaseLength, 1);
    synth->sequenceVoice(s, fundamentalOnly(), 12, 20.0, 1.0);
    std::vector<double> twenty(synth->voiceOutput().begin(), synth->voiceOutput().end());
    // 30 s: the voice, the release and its read position all lie beyond the buffers.
    synth->sequenceVoice(s, fundamentalOnly(), 12, 30.0, 1.0);
    auto thirty = synth->voiceOutput();
    ASSERT_EQ(thirty.size(), voiceOutputLength);
    for (std::size_t i = 0; i < voiceOutputLength; ++i)
        ASSERT_EQ(thirty[i], twenty[i]) << i;
    EXPECT_NE(thirty[voiceOutputLength - 1], 0.0);
}

} // namespace
} // namespace vorel::test
