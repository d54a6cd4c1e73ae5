#include "support/Deadlines.h"
#include "tests/integration/PlaybackWindows.h"

#include "platform/KeyboardPlaying.h"
#include "synth/LiveEngine.h"

#include <QKeyEvent>
#include <QSignalSpy>

#include <iostream>

namespace vorel::test {
namespace {

TEST_F(SoundEditorPlaybackTest, GridClicksPlayTheWholeToneOfTheClickedKeyInOrder) {
    struct Click {
        QPoint at;
        int key;
    };
    // The bottom row, a row in the middle (440 Hz) and the top row at the grid's far corner.
    const Click clicks[] = {{{500, 528}, 0}, {{640, 92 + 6 * 36 + 2}, 36}, {{879, 92}, 72}};
    QSignalSpy finished(&player_, &PcmPlayer::finished);
    int count = 0;
    for (const Click& click : clicks) {
        clickClientAt(client(), click.at);
        ++count;
        ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == count; }, hungMs))
            << "key " << click.key << " did not finish playing";
    }
    const std::vector<std::int16_t> recorded = recording_.finish(300);

    // Each tone starts at phase 0 with a zero sample: where it lies whole is where it begins.
    std::vector<std::size_t> starts;
    for (const Click& click : clicks) {
        const std::size_t from = starts.empty() ? 0 : starts.back() + 1;
        const std::size_t at =
            from + findExactly(std::span(recorded).subspan(from), tones_.tone(click.key));
        ASSERT_LT(at, recorded.size()) << "key " << click.key << " is not recorded whole";
        starts.push_back(at);
    }
    // Between one tone's start and the next only that tone and silence; after the last, silence.
    for (std::size_t i = 0; i < std::size(clicks); ++i) {
        const std::size_t from = i == 0 ? 0 : starts[i];
        const std::size_t to = i + 1 < std::size(clicks) ? starts[i + 1] : recorded.size();
        const auto tone = tones_.tone(clicks[i].key);
        ASSERT_EQ(tone.size(), PreviewTones::toneLength);
        const auto result = holdsExactly(std::span(recorded).subspan(from, to - from), tone);
        EXPECT_TRUE(result) << "key " << clicks[i].key;
        std::cout << "key " << clicks[i].key << " (recording from index " << from
                  << "): " << result.message() << '\n';
    }
    EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(SoundEditorPlaybackTest, ExampleSequenceRenderedAndPreviewNoteAreRecordedExactly) {
    ASSERT_NO_FATAL_FAILURE(renderExampleSequence());
    QSignalSpy finished(&player_, &PcmPlayer::finished);
    const std::span<const std::int16_t> rendering = synth_.renderBuffer();
    const std::size_t renderedLength = audibleLength(rendering);
    clickButton(1037); // "Play"
    ASSERT_TRUE(player_.isPlaying());
    ASSERT_TRUE(finished.wait(playTimeoutMs(renderedLength)));
    const std::vector<std::int16_t> recorded = recording_.finish(300);
    const auto renderResult = holdsExactly(recorded, rendering.first(renderedLength));
    EXPECT_TRUE(renderResult);
    std::cout << "rendered sequence: " << renderResult.message() << '\n';

    Recording again;
    ASSERT_EQ(again.start(), QString());
    clickButton(1025); // "Compute->"
    ASSERT_FALSE(window_->busy());
    const std::span<const std::int16_t> note = synth_.previewBuffer(2);
    const std::size_t noteLength = audibleLength(note);
    ASSERT_GT(noteLength, 0u);
    ASSERT_LT(noteLength, note.size());
    clickButton(1034); // "440Hz"
    ASSERT_TRUE(player_.isPlaying());
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 2; }, playTimeoutMs(noteLength)));
    const std::vector<std::int16_t> recordedNote = again.finish(300);
    const auto noteResult = holdsExactly(recordedNote, note.first(noteLength));
    EXPECT_TRUE(noteResult);
    std::cout << "440 Hz test note: " << noteResult.message() << '\n';
    EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(SoundEditorPlaybackTest, AKeyPlaysItsNoteLiveAndEscapeSilencesTheRenderingThatPlays) {
    window_->loadInstrument("jazz-organ");
    ASSERT_TRUE(dialogs_.messages.empty());
    // Z by its position, the lower row's C: MIDI 48.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Z, {}, 52, 0, 0);
    QApplication::sendEvent(window_.get(), &press);
    ASSERT_TRUE(recording_.waitForSound(hungMs));
    QTest::qWait(400);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Z, {}, 52, 0, 0);
    QApplication::sendEvent(window_.get(), &release);
    const std::vector<std::int16_t> recorded = recording_.finish(300);

    // The note as the engine evaluates it at the output's rate, held long enough.
    constexpr std::size_t compared = 8192;
    LiveEngine engine(sampleRate, compared);
    engine.setSound(window_->state().settings, window_->state().wave);
    std::vector<float> expected(compared);
    const LiveEvent on{0, LiveEventKind::noteOn, 48, KeyboardPlaying::velocity};
    engine.render(std::span(&on, 1), expected);
    const std::size_t onset = firstSound(recorded);
    ASSERT_GE(recorded.size(), onset + compared);
    ASSERT_EQ(expected[0], 0.0f); // a voice starts at phase 0: its first sample is 0
    ASSERT_NE(expected[1], 0.0f);
    const double shape = correlation(std::span(recorded).subspan(onset - 1, compared), expected);
    std::cout << "key Z against the engine's C3: correlation " << shape << '\n';
    // A wrong pitch gives about 0; an underrun of a busy machine a little less than 1.
    EXPECT_GT(shape, 0.9);

    // Escape stops the rendering that plays at once.
    Recording again;
    ASSERT_EQ(again.start(), QString());
    clickButton(sound::Command::render);
    ASSERT_FALSE(window_->busy());
    // A slow render showed its progress dialog: the window is active again before its keys count.
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    clickButton(sound::Command::playRendering);
    ASSERT_TRUE(again.waitForSound(hungMs));
    QTest::keyClick(window_.get(), Qt::Key_Escape);
    EXPECT_FALSE(player_.isPlaying());
    const std::vector<std::int16_t> stopped = again.finish(500);
    // The last 300 ms are silent: nothing plays on to the rendering's end.
    const std::size_t quiet = sampleRate * 3 / 10;
    ASSERT_GT(stopped.size(), quiet);
    EXPECT_EQ(firstSound(std::span(stopped).last(quiet)), quiet);
    EXPECT_TRUE(dialogs_.messages.empty());
}

} // namespace
} // namespace vorel::test
