#include "support/ClientClicks.h"
#include "support/NoSoundServer.h"
#include "tests/sound_editor/WindowFixture.h"

#include "platform/ProcessExit.h"
#include "synth/PreviewTones.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

namespace vorel::test {
namespace {

TEST(SoundEditorWithoutServerTest, TheFirstKeyToneSaysNoSoundCanBePlayedAndLaterOnesSayNothing) {
    const PreviewTones tones;
    Synth synth;
    PcmPlayer player;
    FakeDialogs dialogs;
    MainWindow window(synth, player, dialogs, [&tones](int key) { return tones.tone(key); });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    QElapsedTimer clock;
    clock.start();
    clickClientAt(window.client(), {500, 528});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs.messages.empty(); }, 5000));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].startsWith("Vorel sound editor: No sound can be played: "))
        << dialogs.messages[0].toStdString();

    clickClientAt(window.client(), {640, 300});
    clickClientAt(window.client(), {500, 528});
    QTest::qWait(200);
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_LT(clock.elapsed(), 5000);
}

} // namespace
} // namespace vorel::test

// The server this process could reach is replaced by a socket that does not exist, before Qt
// first looks for one.
int main(int argc, char* argv[]) {
    QTemporaryDir nowhere;
    vorel::test::useNoSoundServer(nowhere);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    // Static teardown of the audio engine can abort after sound was played.
    vorel::exitSkippingStaticTeardown(RUN_ALL_TESTS());
}
