#include "support/Deadlines.h"
#include "support/Recording.h"

#include "common/Pcm.h"
#include "sequencer/SequenceData.h"
#include "sound_editor/SoundPlayback.h"
#include "synth/PreviewTones.h"
#include "synth/SoundSettings.h"
#include "synth/Synth.h"

#include <QSignalSpy>
#include <QTest>

#include <iostream>
#include <vector>

namespace vorel::test {
using namespace vorel::sound;
namespace {

constexpr int samplesPerSecond = 44100;
// The sounds here last a few seconds at most.
constexpr int finishTimeoutMs = hungMs;

class SoundPlaybackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const QString why = recording_.start(); !why.isEmpty())
            GTEST_SKIP() << why.toStdString();
    }

    // Plays until the player says the sound has ended, then records a little longer.
    std::vector<std::int16_t> recordUntilFinished(PcmPlayer& player) {
        QSignalSpy finished(&player, &PcmPlayer::finished);
        EXPECT_TRUE(finished.wait(finishTimeoutMs));
        return recording_.finish(300);
    }

    Recording recording_;
};

TEST_F(SoundPlaybackTest, AKeyToneIsRecordedExactly) {
    const PreviewTones tones;
    PcmPlayer player;
    ASSERT_TRUE(playKeyTone(player, tones, 0));
    const std::vector<std::int16_t> recorded = recordUntilFinished(player);
    const auto result = holdsExactly(recorded, tones.tone(0));
    EXPECT_TRUE(result);
    std::cout << "key 0: " << result.message() << '\n';
}

TEST_F(SoundPlaybackTest, ASilentBufferPlaysNothingButStopsTheSound) {
    const std::vector<std::int16_t> note = sineSamples(440, 8000, samplesPerSecond);
    const std::vector<std::int16_t> silence(samplesPerSecond);
    PcmPlayer player;
    QSignalSpy started(&player, &PcmPlayer::started);
    QSignalSpy finished(&player, &PcmPlayer::finished);
    ASSERT_TRUE(playAudiblePart(player, note));
    EXPECT_TRUE(playAudiblePart(player, silence));
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(started.count(), 1);
    EXPECT_EQ(finished.count(), 1);
}

// A wave of a few harmonics, the start settings, and a short phrase at the fastest tempo.
class SynthPlaybackTest : public SoundPlaybackTest {
  protected:
    void SetUp() override {
        SoundPlaybackTest::SetUp();
        if (IsSkipped())
            return;
        wave_[0] = 1.0;
        wave_[1] = -0.4;
        wave_[4] = 0.25;
        sequence_.tempo = maxTempo;
        sequence_.placeNote(0, 24, 12, 7, 9);
        sequence_.placeNote(12, 31, 12, 4, 6);
        sequence_.placeNote(24, 36, 24, 9, 9);
    }

    Synth synth_;
    SoundSettings settings_;
    WaveData wave_{};
    SequenceData sequence_;
};

TEST_F(SynthPlaybackTest, AComputedTestNoteIsRecordedExactly) {
    PcmPlayer player;
    // Before "Compute->" the buttons play nothing.
    QSignalSpy started(&player, &PcmPlayer::started);
    ASSERT_TRUE(playPreview(player, synth_, 2));
    EXPECT_EQ(started.count(), 0);

    ASSERT_TRUE(synth_.computePreviews(settings_, wave_));
    const auto note = synth_.previewBuffer(2); // 440 Hz
    const std::size_t audible = audibleLength(note);
    ASSERT_GT(audible, 0u);
    ASSERT_LT(audible, note.size());
    ASSERT_TRUE(playPreview(player, synth_, 2));
    const std::vector<std::int16_t> recorded = recordUntilFinished(player);
    const auto result = holdsExactly(recorded, note.first(audible));
    EXPECT_TRUE(result);
    std::cout << "440 Hz test note: " << result.message() << " (of " << note.size()
              << " in its buffer)\n";
}

TEST_F(SynthPlaybackTest, ARenderedSequenceIsRecordedExactly) {
    ASSERT_TRUE(synth_.renderSequence(sequence_, settings_, wave_));
    const auto rendering = synth_.renderBuffer();
    const std::size_t audible = audibleLength(rendering);
    ASSERT_GT(audible, 0u);
    PcmPlayer player;
    ASSERT_TRUE(playRender(player, synth_));
    const std::vector<std::int16_t> recorded = recordUntilFinished(player);
    const auto result = holdsExactly(recorded, rendering.first(audible));
    EXPECT_TRUE(result);
    std::cout << "rendered sequence: " << result.message() << '\n';
}

TEST_F(SynthPlaybackTest, ComputeAndRenderStopOnlyTheSoundTheyRewrite) {
    ASSERT_TRUE(synth_.computePreviews(settings_, wave_));
    ASSERT_TRUE(synth_.renderSequence(sequence_, settings_, wave_));
    PcmPlayer player;
    ASSERT_TRUE(playPreview(player, synth_, 3));
    stopBeforeRendering(player, synth_);
    EXPECT_TRUE(player.isPlaying());
    stopBeforeComputingPreviews(player, synth_);
    EXPECT_FALSE(player.isPlaying());

    ASSERT_TRUE(playRender(player, synth_));
    stopBeforeComputingPreviews(player, synth_);
    EXPECT_TRUE(player.isPlaying());
    stopBeforeRendering(player, synth_);
    EXPECT_FALSE(player.isPlaying());
    stopBeforeRendering(player, synth_); // nothing plays: nothing happens
    EXPECT_FALSE(player.isPlaying());
}

} // namespace
} // namespace vorel::test
