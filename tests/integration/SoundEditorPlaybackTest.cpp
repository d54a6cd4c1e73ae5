#include "support/Deadlines.h"
#include "tests/integration/PlaybackWindows.h"

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

} // namespace
} // namespace vorel::test
