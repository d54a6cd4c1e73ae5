#include "support/OwnSoundServer.h"
#include "tests/integration/SoundEditorPlayback.h"

#include "wave_editor/Drawing.h"
#include "wave_editor/ui/Commands.h"
#include "wave_editor/ui/WaveEditorWindow.h"

#include <QSignalSpy>

#include <iostream>

namespace vorel::test {
namespace {

constexpr int lossTimeoutMs = 5000;

// The sound editor plays its rendering, the sound server dies and comes back.
class SoundEditorServerLossTest : public SoundEditorPlaybackTest {
  protected:
    void SetUp() override {
        if (const QString why = server_.start(); !why.isEmpty())
            GTEST_SKIP() << why.toStdString();
        SoundEditorPlaybackTest::SetUp();
    }

    OwnSoundServer& server_ = OwnSoundServer::instance();
};

TEST_F(SoundEditorServerLossTest, TheLossIsSaidOnceAndTheRenderingPlaysWholeOnceTheServerIsBack) {
    ASSERT_NO_FATAL_FAILURE(renderExampleSequence());
    const auto rendering = synth_.renderBuffer().first(audibleLength(synth_.renderBuffer()));
    clickButton(sound::command::playRendering);
    ASSERT_TRUE(recording_.waitForSound(lossTimeoutMs));

    server_.kill();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs_.messages.empty(); }, lossTimeoutMs));
    EXPECT_EQ(dialogs_.messages.front(),
              "Vorel sound editor: The sound stopped: the sound server went away.");
    EXPECT_FALSE(player_.isPlaying());
    clickButton(sound::command::tempoDown1); // the window still takes commands
    EXPECT_EQ(window_->state().sequence.tempo, maxTempo - 1);

    ASSERT_EQ(server_.start(), QString());
    Recording again;
    ASSERT_EQ(again.start(), QString());
    QSignalSpy finished(&player_, &PcmPlayer::finished);
    ASSERT_TRUE(playOnceReconnected([&] {
        clickButton(sound::command::playRendering);
        return player_.isPlaying();
    }));
    ASSERT_TRUE(finished.wait(playTimeoutMs(rendering.size())));
    const auto result = holdsExactly(again.finish(300), rendering);
    EXPECT_TRUE(result);
    std::cout << "rendering after the server came back: " << result.message() << '\n';
    EXPECT_EQ(dialogs_.messages.size(), 1u);
}

TEST(WaveEditorServerLossTest, TheLossIsSaidOnceAndThe440HzPreviewPlaysWholeOnceTheServerIsBack) {
    using namespace vorel::wave;
    OwnSoundServer& server = OwnSoundServer::instance();
    if (const QString why = server.start(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    Recording recording;
    ASSERT_EQ(recording.start(), QString());
    const auto tables = ToneTables::create();
    ASSERT_TRUE(tables) << tables.error();
    FakeDialogs dialogs;
    WaveEditorWindow window(*tables.value(), dialogs);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto clickButton = [&](int id) { clickClientButton(window.canvas(), window.button(id)); };
    window.openFile(examples + "/organ.vorelwf");
    ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().toStdString();
    clickButton(command::compute);
    const std::span<const std::int16_t> preview = window.previews().playable(1);
    ASSERT_GT(audibleLength(preview), 0u);
    clickButton(command::play440);
    ASSERT_TRUE(recording.waitForSound(lossTimeoutMs));

    server.kill();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs.messages.empty(); }, lossTimeoutMs));
    EXPECT_EQ(dialogs.messages.front(), "ERROR: The sound stopped: the sound server went away.");
    EXPECT_FALSE(window.player().isPlaying());
    clickClientAt(window.canvas(), {gridLeft + 8, gridTop + 8}); // the window still takes clicks
    EXPECT_TRUE(window.model().isSelected(0));

    ASSERT_EQ(server.start(), QString());
    Recording again;
    ASSERT_EQ(again.start(), QString());
    QSignalSpy finished(&window.player(), &PcmPlayer::finished);
    ASSERT_TRUE(playOnceReconnected([&] {
        clickButton(command::play440);
        return window.player().isPlaying();
    }));
    ASSERT_TRUE(finished.wait(playTimeoutMs(preview.size())));
    const auto result = holdsExactly(again.finish(300), preview);
    EXPECT_TRUE(result);
    std::cout << "440 Hz preview after the server came back: " << result.message() << '\n';
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

} // namespace
} // namespace vorel::test
