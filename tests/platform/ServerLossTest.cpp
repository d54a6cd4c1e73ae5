#include "support/Deadlines.h"
#include "support/OwnSoundServer.h"
#include "support/Recording.h"

#include "platform/PcmPlayer.h"

#include <QSignalSpy>
#include <QTest>

#include <iostream>

namespace vorel::test {
namespace {

constexpr int samplesPerSecond = 44100;
// The sound, and the word of its loss, come at once; waiting longer means a hang.
constexpr int lossTimeoutMs = hungMs;

TEST(PcmPlayerServerLossTest, ALossIsSaidOnceAndASoundPlaysWholeOnceTheServerIsBack) {
    OwnSoundServer& server = OwnSoundServer::instance();
    if (const QString why = server.start(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    Recording recording;
    ASSERT_EQ(recording.start(), QString());
    const std::vector<std::int16_t> lost = sineSamples(220, 3000, 4 * samplesPerSecond);
    const std::vector<std::int16_t> second = sineSamples(660, 5000, samplesPerSecond / 2 + 33);

    PcmPlayer player;
    QSignalSpy finished(&player, &PcmPlayer::finished);
    QSignalSpy stopped(&player, &PcmPlayer::soundStopped);
    QSignalSpy unavailable(&player, &PcmPlayer::deviceUnavailable);
    ASSERT_TRUE(player.play(lost));
    ASSERT_TRUE(recording.waitForSound(lossTimeoutMs));
    server.kill();
    ASSERT_TRUE(stopped.wait(lossTimeoutMs));
    EXPECT_EQ(stopped.first().first().toString(), "the sound server went away.");
    EXPECT_EQ(finished.count(), 1);
    EXPECT_FALSE(player.isPlaying());
    // Without a server a play fails, and says nothing more: the loss has been told.
    EXPECT_FALSE(player.play(second));

    ASSERT_EQ(server.start(), QString());
    Recording again;
    ASSERT_EQ(again.start(), QString());
    ASSERT_TRUE(playOnceReconnected([&] { return player.play(second); }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 2; }, lossTimeoutMs));
    const auto result = holdsExactly(again.finish(300), second);
    EXPECT_TRUE(result);
    std::cout << "after the server came back: " << result.message() << '\n';
    EXPECT_EQ(stopped.count(), 1);
    EXPECT_EQ(unavailable.count(), 0);
}

} // namespace
} // namespace vorel::test
