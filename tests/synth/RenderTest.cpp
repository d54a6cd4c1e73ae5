#include "common/Pcm.h"
#include "sequencer/SequenceData.h"
#include "synth/Synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace vorel::test {
namespace {

class RenderTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { synth = std::make_unique<Synth>(2); }
    static void TearDownTestSuite() { synth.reset(); }
    void SetUp() override {
        wave[0] = 1.0;
        wave[1] = 0.5;
    }

    static int peakOf(std::span<const std::int16_t> samples) {
        int peak = 0;
        for (auto v : samples)
            peak = std::max(peak, std::abs(static_cast<int>(v)));
        return peak;
    }

    static std::unique_ptr<Synth> synth;
    SoundSettings settings;
    WaveData wave{};
    SequenceData sequence;
};
std::unique_ptr<Synth> RenderTest::synth;

TEST_F(RenderTest, EmptyGridRendersSilence) {
    sequence.placeNote(0, 10, 24, 9, 9);
    ASSERT_TRUE(synth->renderSequence(sequence, settings, wave));
    sequence.clear();
    ASSERT_TRUE(synth->renderSequence(sequence, settings, wave));
    EXPECT_EQ(synth->renderedSpan(), 0u);
    EXPECT_EQ(audibleLength(synth->renderBuffer()), 0u);
}

TEST_F(RenderTest, OneNoteLastsItsGatePlusReleaseAndPeaksAt25000) {
    sequence.placeNote(0, 36, 24, 9, 9); // 440 Hz, half a second at tempo 120
    ASSERT_TRUE(synth->renderSequence(sequence, settings, wave));
    auto render = synth->renderBuffer();
    const std::size_t audible = audibleLength(render);
    EXPECT_LE(audible, 26460u); // trunc((0.1 + 0.5) * 44100)
    EXPECT_GT(audible, 26000u);
    EXPECT_EQ(peakOf(render), 25000);
    EXPECT_EQ(synth->renderedSpan(), 749699u);

    // Normalisation is global: a single note is as loud at velocity "10" as at "100".
    const std::vector<std::int16_t> loud(render.begin(), render.begin() + 30000);
    sequence.placeNote(0, 36, 24, 9, 0);
    ASSERT_TRUE(synth->renderSequence(sequence, settings, wave));
    EXPECT_TRUE(std::equal(loud.begin(), loud.end(), synth->renderBuffer().begin()));

    // Key length "10" releases the key after 0.05 s.
    sequence.placeNote(0, 36, 24, 0, 9);
    ASSERT_TRUE(synth->renderSequence(sequence, settings, wave));
    EXPECT_LE(audibleLength(synth->renderBuffer()), static_cast<std::size_t>((0.1 + 0.05) * 44100));
}

TEST_F(RenderTest, TicksStartAtTruncatedSamplePositions) {
    EXPECT_EQ(Synth::tickStartSample(0, 120), 0u);
    EXPECT_EQ(Synth::tickStartSample(1, 120), 918u); // 918.75
    EXPECT_EQ(Synth::tickStartSample(7679, 120), 7055081u);
    EXPECT_EQ(Synth::tickStartSample(96, 80), 132300u); // one bar at 80 bpm is 3 s

    sequence.placeNote(1, 36, 24, 9, 9);
    ASSERT_TRUE(synth->renderSequence(sequence, settings, wave));
    auto render = synth->renderBuffer();
    EXPECT_TRUE(std::all_of(render.begin(), render.begin() + 918, [](auto v) { return v == 0; }));
    EXPECT_EQ(synth->renderedSpan(), 918u + 749699u);
}

// Two overlapping notes of one key are mixed in double precision and normalised once.
TEST_F(RenderTest, OverlappingNotesAreSummedBeforeNormalising) {
    sequence.placeNote(0, 72, 48, 9, 9); // the top key
    sequence.placeNote(12, 72, 48, 4, 5);
    ASSERT_TRUE(synth->renderSequence(sequence, settings, wave));
    std::vector<std::int16_t> rendered(synth->renderBuffer().begin(),
                                       synth->renderBuffer().begin() + 60000);

    std::vector<double> mix(60000 + voiceOutputLength, 0.0);
    const std::pair<int, int> notes[] = {{0, 9}, {12, 4}};
    for (auto [tick, keyLength] : notes) {
        const double gate = (48 * 60) * (keyLength == 9 ? 1.0 : 0.5) / (120 * 24.0);
        synth->sequenceVoice(settings, wave, 72, gate, tick == 0 ? 1.0 : 0.6);
        const std::size_t start = Synth::tickStartSample(tick, 120);
        for (std::size_t j = 0; j < voiceOutputLength; ++j)
            mix[start + j] += synth->voiceOutput()[j];
    }
    double peak = 0.0;
    for (double v : mix)
        peak = std::max(peak, std::abs(v));
    for (std::size_t j = 0; j < rendered.size(); ++j)
        ASSERT_EQ(rendered[j], static_cast<std::int16_t>(mix[j] * 25000 * (1 / peak)))
            << "first difference at sample " << j;
}

// At tempo 80 a note on the last tick reaches past the end of the mix: only what fits is added.
TEST_F(RenderTest, WindowsReachingPastTheMixAreCut) {
    sequence.tempo = 80;
    sequence.placeNote(7679, 24, 384, 9, 9); // 8 s held: the voice runs past 250 s
    sequence.placeNote(0, 24, 3, 9, 9);
    ASSERT_TRUE(synth->renderSequence(sequence, settings, wave));
    EXPECT_EQ(synth->renderedSpan(), mixLength);
    auto render = synth->renderBuffer();
    EXPECT_NE(render[mixLength - 1], 0);
    EXPECT_EQ(Synth::tickStartSample(7679, 80), 10'582'621u); // 10582621.875
    EXPECT_NE(render[10'582'621 + 1000], 0);
}

TEST_F(RenderTest, NotesLongerThanTheVoiceBufferFromAFileAreCut) {
    sequence.placeNote(0, 0, 32767, 9, 9); // about 341 s of held key
    ASSERT_TRUE(synth->renderSequence(sequence, settings, wave));
    EXPECT_EQ(audibleLength(synth->renderBuffer()), voiceOutputLength - 1);
}

TEST_F(RenderTest, CancelledWorkLeavesThePreviousResults) {
    sequence.placeNote(0, 30, 24, 9, 9);
    ASSERT_TRUE(synth->renderSequence(sequence, settings, wave));
    std::vector<std::int16_t> before(synth->renderBuffer().begin(),
                                     synth->renderBuffer().begin() + 40000);
    ASSERT_TRUE(synth->computePreviews(settings, wave));
    std::vector<std::int16_t> previewBefore(synth->previewBuffer(2).begin(),
                                            synth->previewBuffer(2).end());

    sequence.placeNote(0, 40, 24, 9, 9);
    int calls = 0;
    auto cancelSoon = [&](double) { return ++calls < 2; };
    EXPECT_FALSE(synth->renderSequence(sequence, settings, wave, cancelSoon));
    EXPECT_TRUE(std::equal(before.begin(), before.end(), synth->renderBuffer().begin()));

    WaveData other{};
    other[2] = 1.0;
    calls = 0;
    EXPECT_FALSE(synth->computePreviews(settings, other, cancelSoon));
    EXPECT_TRUE(
        std::equal(previewBefore.begin(), previewBefore.end(), synth->previewBuffer(2).begin()));
}

// A long voice is asked between its pieces whether the work goes on, so that a cancellation takes
// effect at once also in a slow build; the fractions it reports rise to 1. (One thread: with more,
// the calling thread's share of the pieces, and so the number of questions, varies from run to
// run.)
TEST_F(RenderTest, LongWorkIsAskedWhetherToGoOnWithinEachVoice) {
    sequence.placeNote(0, 0, 32767, 9, 9); // one voice of 17 s
    for (const Evaluation evaluation : {Evaluation::reference, Evaluation::fast}) {
        Synth oneThread(1, evaluation);
        std::vector<double> fractions;
        const auto record = [&](double fraction) {
            fractions.push_back(fraction);
            return true;
        };
        ASSERT_TRUE(oneThread.renderSequence(sequence, settings, wave, record));
        EXPECT_GT(fractions.size(), 100u); // pieces of at most 4096 samples
        EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
        EXPECT_EQ(fractions.back(), 1.0);

        const int halfway = static_cast<int>(fractions.size() / 2);
        int calls = 0;
        EXPECT_FALSE(oneThread.renderSequence(sequence, settings, wave,
                                              [&](double) { return ++calls < halfway; }));
        EXPECT_EQ(calls, halfway);

        fractions.clear();
        ASSERT_TRUE(oneThread.computePreviews(settings, wave, record));
        EXPECT_GT(fractions.size(), 4u * 10u);
    }
}

TEST_F(RenderTest, PreviewsAreTheFourTestNotesInOrder) {
    ASSERT_TRUE(synth->computePreviews(settings, wave));
    for (int p = 0; p < previewCount; ++p) {
        auto buffer = synth->previewBuffer(p);
        EXPECT_EQ(buffer.size(), previewLength);
        EXPECT_LE(audibleLength(buffer), 101430u);
        EXPECT_EQ(peakOf(buffer), 8000);
    }
    // 110 Hz rises more slowly than 880 Hz at the start.
    EXPECT_LT(std::abs(synth->previewBuffer(0)[5]), std::abs(synth->previewBuffer(3)[5]));
}

} // namespace
} // namespace vorel::test
