#include "tests/integration/PlaybackWindows.h"

#include "wave_editor/Preview.h"
#include "wave_editor/ui/Commands.h"

#include <QSignalSpy>

#include <algorithm>
#include <iostream>

namespace vorel::test {
using namespace vorel::wave;
namespace {

// The middle of the grid square of overtone index 0..99.
QPoint square(int index) {
    return {gridLeft + gridCellPixels * (index % 10) + 8,
            gridTop + gridCellPixels * (index / 10) + 8};
}

TEST_F(WaveEditorPlaybackTest, The440HzButtonPlaysTheFirstThreeSecondsOfTheComputedPreview) {
    // Overtones 1, 2 and 3 at 1.0; 5 and 12 at -0.3.
    for (int index : {0, 1, 2})
        clickClientAt(canvas(), square(index));
    clickButton(wave::Command::setOne);
    clickButton(wave::Command::deselectAll);
    for (int index : {4, 11})
        clickClientAt(canvas(), square(index));
    for (int i = 0; i < 3; ++i)
        clickButton(wave::Command::raise);
    clickButton(wave::Command::invert);
    const WaveData wave = window_->model().wave();
    EXPECT_EQ(wave[0], 1.0);
    EXPECT_EQ(wave[2], 1.0);
    EXPECT_NEAR(wave[4], -0.3, 1e-12);
    EXPECT_NEAR(wave[11], -0.3, 1e-12);
    EXPECT_EQ(std::ranges::count(wave, 0.0), 95);

    clickButton(wave::Command::compute);
    // The window computes on its worker threads; the engine alone must give the same samples.
    Previews expected;
    ASSERT_TRUE(expected.compute(wave));
    ASSERT_TRUE(std::ranges::equal(window_->previews().pcm(1), expected.pcm(1)));
    const std::span<const std::int16_t> played = expected.playable(1);
    ASSERT_EQ(played.size(), 132300u);
    ASSERT_NE(played.back(), 0); // a lost tail would show

    QSignalSpy finished(&window_->player(), &PcmPlayer::finished);
    clickButton(wave::Command::play440);
    ASSERT_TRUE(window_->player().isPlaying());
    ASSERT_TRUE(finished.wait(playTimeoutMs(played.size())));
    const std::vector<std::int16_t> recorded = recording_.finish(300);
    const auto result = holdsExactly(recorded, played);
    EXPECT_TRUE(result);
    std::cout << "440 Hz preview: " << result.message() << '\n';
    EXPECT_TRUE(dialogs_.messages.empty());
}

} // namespace
} // namespace vorel::test
