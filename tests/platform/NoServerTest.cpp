#include "platform/PcmPlayer.h"
#include "support/NoSoundServer.h"

#include "platform/ProcessExit.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <vector>

namespace vorel::test {
namespace {

TEST(PcmPlayerWithoutServerTest, PlayFailsQuicklyAndSaysSoOnce) {
    const std::vector<std::int16_t> sound(4410, 1000);
    PcmPlayer player;
    QSignalSpy unavailable(&player, &PcmPlayer::deviceUnavailable);
    QSignalSpy started(&player, &PcmPlayer::started);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(player.play(sound));
    EXPECT_FALSE(player.play(sound));
    QTest::qWait(100);
    EXPECT_LT(clock.elapsed(), 5000);
    ASSERT_EQ(unavailable.count(), 1);
    EXPECT_FALSE(unavailable.first().first().toString().isEmpty());
    EXPECT_EQ(started.count(), 0);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_FALSE(player.isPlayingFrom(sound));
    // Nothing to play needs no device.
    EXPECT_TRUE(player.play({}));
    player.stop();
    EXPECT_EQ(unavailable.count(), 1);
}

} // namespace
} // namespace vorel::test

// The server this process could reach is replaced by a socket that does not exist, before Qt
// first looks for one.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir nowhere;
    vorel::test::useNoSoundServer(nowhere);
    QCoreApplication app(argc, argv);
    // Static teardown of the audio engine can abort after sound was played.
    vorel::exitSkippingStaticTeardown(RUN_ALL_TESTS());
}
