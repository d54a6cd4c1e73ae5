#include "support/Deadlines.h"
#include "support/OwnSoundServer.h"
#include "tests/integration/PlaybackWindows.h"

#include "wave_editor/Drawing.h"
#include "wave_editor/ui/Commands.h"

#include <QSignalSpy>

#include <functional>
#include <iostream>

namespace vorel::test {
namespace {

// The sound, and the word of its loss, come at once; waiting longer means a hang.
constexpr int lossTimeoutMs = hungMs;

// A window that plays through `player`, says what goes wrong in `dialogs` and plays again when
// `clickPlay` presses its play button.
struct PlayingWindow {
    PcmPlayer& player;
    FakeDialogs& dialogs;
    std::function<void()> clickPlay;
};

// `window` plays, and `recording` hears it; the server dies. The window says `message`, once, and
// still takes input (`stillResponsive` checks a command). The server starts again on the same
// socket and the play button is pressed until a sound plays: `heard` receives the recording of it.
void loseTheServerAndPlayAgain(PlayingWindow window, Recording& recording, const QString& message,
                               const std::function<void()>& stillResponsive, int playTimeoutMs,
                               std::vector<std::int16_t>& heard) {
    OwnSoundServer& server = OwnSoundServer::instance();
    window.clickPlay();
    ASSERT_TRUE(recording.waitForSound(lossTimeoutMs));

    server.kill();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.dialogs.messages.empty(); }, lossTimeoutMs));
    EXPECT_EQ(window.dialogs.messages.front(), message);
    EXPECT_FALSE(window.player.isPlaying());
    stillResponsive();

    ASSERT_EQ(server.start(), QString());
    Recording again;
    ASSERT_EQ(again.start(), QString());
    QSignalSpy finished(&window.player, &PcmPlayer::finished);
    ASSERT_TRUE(playOnceReconnected([&] {
        window.clickPlay();
        return window.player.isPlaying();
    }));
    ASSERT_TRUE(finished.wait(playTimeoutMs));
    heard = again.finish(300);
    EXPECT_EQ(window.dialogs.messages.size(), 1u);
}

// The test programs' windows, with the server of this process running when each test begins.
template <typename Window> class ServerLossTest : public Window {
  protected:
    void SetUp() override {
        if (const QString why = OwnSoundServer::instance().start(); !why.isEmpty())
            GTEST_SKIP() << why.toStdString();
        Window::SetUp();
    }
};
using SoundEditorServerLossTest = ServerLossTest<SoundEditorPlaybackTest>;
using WaveEditorServerLossTest = ServerLossTest<WaveEditorPlaybackTest>;

TEST_F(SoundEditorServerLossTest, TheLossIsSaidOnceAndTheRenderingPlaysWholeOnceTheServerIsBack) {
    ASSERT_NO_FATAL_FAILURE(renderExampleSequence());
    const auto rendering = synth_.renderBuffer().first(audibleLength(synth_.renderBuffer()));
    std::vector<std::int16_t> heard;
    ASSERT_NO_FATAL_FAILURE(loseTheServerAndPlayAgain(
        {player_, dialogs_, [this] { clickButton(sound::Command::playRendering); }}, recording_,
        "Vorel sound editor: The sound stopped: the sound server went away.",
        [this] {
            clickButton(sound::Command::tempoDown1);
            EXPECT_EQ(window_->state().sequence.tempo, maxTempo - 1);
        },
        playTimeoutMs(rendering.size()), heard));
    const auto result = holdsExactly(heard, rendering);
    EXPECT_TRUE(result);
    std::cout << "rendering after the server came back: " << result.message() << '\n';
}

TEST_F(WaveEditorServerLossTest, TheLossIsSaidOnceAndThe440HzPreviewPlaysWholeOnceTheServerIsBack) {
    window_->openFile(examples + "/organ.vorelwf");
    ASSERT_TRUE(dialogs_.messages.empty()) << dialogs_.messages.front().toStdString();
    clickButton(wave::Command::compute);
    const std::span<const std::int16_t> preview = window_->previews().playable(1);
    ASSERT_GT(audibleLength(preview), 0u);
    std::vector<std::int16_t> heard;
    ASSERT_NO_FATAL_FAILURE(loseTheServerAndPlayAgain(
        {window_->player(), dialogs_, [this] { clickButton(wave::Command::play440); }}, recording_,
        "ERROR: The sound stopped: the sound server went away.",
        [this] {
            clickClientAt(canvas(), {wave::gridLeft + 8, wave::gridTop + 8}); // overtone 1
            EXPECT_TRUE(window_->model().isSelected(0));
        },
        playTimeoutMs(preview.size()), heard));
    const auto result = holdsExactly(heard, preview);
    EXPECT_TRUE(result);
    std::cout << "440 Hz preview after the server came back: " << result.message() << '\n';
}

} // namespace
} // namespace vorel::test
