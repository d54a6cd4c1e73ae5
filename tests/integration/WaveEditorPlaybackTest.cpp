#include "tests/integration/PlaybackWindows.h"

#include "common/WaveFile.h"
#include "platform/KeyboardPlaying.h"
#include "platform/LibraryDialog.h"
#include "support/DialogDriving.h"
#include "synth/LiveTone.h"
#include "wave_editor/Preview.h"
#include "wave_editor/ui/Commands.h"

#include <QKeyEvent>
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

TEST_F(WaveEditorPlaybackTest, AKeyPlaysTheWaveLiveAndAnEditWhileItIsHeldIsHeard) {
    clickClientAt(canvas(), square(0));
    clickButton(wave::Command::setOne); // the fundamental alone: a sine
    const WaveData sine = window_->model().wave();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Q, {}, 24, 0, 0); // Q: C4, MIDI 60
    QApplication::sendEvent(window_.get(), &press);
    ASSERT_TRUE(recording_.waitForSound(hungMs));
    QTest::qWait(300);
    // The third harmonic joins while the key is held.
    clickButton(wave::Command::deselectAll);
    clickClientAt(canvas(), square(2));
    clickButton(wave::Command::setOne);
    QTest::qWait(300);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Q, {}, 24, 0, 0);
    QApplication::sendEvent(window_.get(), &release);
    const std::vector<std::int16_t> recorded = recording_.finish(300);

    // The onset as the tone's formula gives it at 44100, then a later stretch that is not it.
    constexpr std::size_t compared = 4096;
    LiveTone expected(sampleRate);
    expected.setWave(sine);
    std::vector<float> tone(compared);
    const LiveEvent on{0, LiveEventKind::noteOn, 60, KeyboardPlaying::velocity};
    expected.render(std::span(&on, 1), tone);
    // The tone's first sample is 0 (faded in from nothing): the first sound is its second.
    const std::size_t onset = firstSound(recorded) - 1;
    ASSERT_GE(recorded.size(), onset + sampleRate / 2 + compared);
    const double start = correlation(std::span(recorded).subspan(onset, compared), tone);
    // Half a second in, the edited wave sounds, not the sine alone.
    std::vector<float> later(compared);
    for (std::size_t i = 0; i < compared; ++i)
        later[i] = static_cast<float>(0.5 * std::sin(6.283185308 * 261.6255653005986 *
                                                     static_cast<double>(sampleRate / 2 + i) /
                                                     sampleRate));
    const double edited =
        correlation(std::span(recorded).subspan(onset + sampleRate / 2, compared), later);
    std::cout << "key Q: onset against the tone " << start << ", after the edit against the sine "
              << edited << '\n';
    // A wrong pitch gives about 0; an underrun of a busy machine a little less than 1.
    EXPECT_GT(start, 0.9);
    EXPECT_LT(edited, 0.8); // the sine and its third: 0.71
    EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(WaveEditorPlaybackTest, TheLibraryPlaysTheSelectedWaveLive) {
    const std::string path = VOREL_LIBRARY_DIR "/waves/organ-jazz.vorelwf";
    std::vector<std::int16_t> recorded;
    onNextDialog([&](QDialog* dialog) {
        chooseInLibrary(dialog, "organ-jazz", "Listen");
        EXPECT_TRUE(recording_.waitForSound(hungMs));
        recorded = recording_.finish(200);
        dialog->reject();
    });
    window_->dispatch(wave::Command::library);

    // The phrase's first note, middle C, as the tone's formula gives it at 44100.
    constexpr std::size_t compared = 4096;
    LiveTone expected(sampleRate);
    expected.setWave(loadWaveFile(path).value());
    std::vector<float> tone(compared);
    const LiveEvent on{0, LiveEventKind::noteOn, LibraryDialog::phrase[0], LibraryDialog::velocity};
    expected.render(std::span(&on, 1), tone);
    const std::size_t onset = firstSound(recorded) - 1; // the tone's first sample is 0
    ASSERT_GE(recorded.size(), onset + compared);
    const double heard = correlation(std::span(recorded).subspan(onset, compared), tone);
    std::cout << "the library's organ-jazz against its tone: " << heard << '\n';
    EXPECT_GT(heard, 0.9);
    EXPECT_TRUE(dialogs_.messages.empty());
}

} // namespace
} // namespace vorel::test
