#include "support/Deadlines.h"
#include "support/Recording.h"

#include "platform/PcmPlayer.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <iostream>
#include <memory>

namespace vorel::test {
namespace {

constexpr int samplesPerSecond = 44100;
// The sounds here last a few seconds at most.
constexpr int finishTimeoutMs = hungMs;

class PcmPlayerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const QString why = recording_.start(); !why.isEmpty())
            GTEST_SKIP() << why.toStdString();
    }

    Recording recording_;
};

TEST_F(PcmPlayerTest, PlaysEverySampleOfTheSpanInPlaceAndNothingAfterIt) {
    // The sound ends near a crest, so a lost tail would show; what lies after it in memory is
    // loud, so reading past the end would show too.
    std::vector<std::int16_t> memory = sineSamples(330, 5000, samplesPerSecond / 2 + 40);
    const std::size_t length = samplesPerSecond / 2 + 33;
    const std::span<const std::int16_t> sound = std::span(memory).first(length);
    ASSERT_NE(sound.back(), 0);

    PcmPlayer player;
    QSignalSpy started(&player, &PcmPlayer::started);
    QSignalSpy finished(&player, &PcmPlayer::finished);
    // The window that listens may only be touched from its own thread.
    QThread* const owner = QThread::currentThread();
    int signalledElsewhere = 0;
    for (auto signal : {&PcmPlayer::started, &PcmPlayer::finished})
        QObject::connect(
            &player, signal, &player,
            [&] { signalledElsewhere += QThread::currentThread() != owner; }, Qt::DirectConnection);
    ASSERT_TRUE(player.play(sound));
    EXPECT_EQ(started.count(), 1);
    EXPECT_TRUE(player.isPlaying());
    EXPECT_TRUE(player.isPlayingFrom(std::span(memory).subspan(length - 1)));
    EXPECT_FALSE(player.isPlayingFrom(std::span(memory).subspan(length)));
    ASSERT_TRUE(finished.wait(finishTimeoutMs));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_FALSE(player.isPlayingFrom(memory));

    const std::vector<std::int16_t> recorded = recording_.finish(300);
    const auto result = holdsExactly(recorded, sound);
    EXPECT_TRUE(result);
    std::cout << "recorded: " << result.message() << '\n';

    // A sound that has ended leaves the player ready for the next.
    ASSERT_TRUE(player.play(sound));
    EXPECT_TRUE(player.isPlaying());
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 2; }, finishTimeoutMs));
    EXPECT_EQ(started.count(), 2);
    EXPECT_EQ(signalledElsewhere, 0);
}

TEST_F(PcmPlayerTest, ASecondPlayStopsTheFirstSound) {
    const std::vector<std::int16_t> first = sineSamples(220, 3000, 3 * samplesPerSecond);
    const std::vector<std::int16_t> second = sineSamples(1000, 6000, samplesPerSecond / 4 + 7);

    PcmPlayer player;
    QSignalSpy started(&player, &PcmPlayer::started);
    QSignalSpy finished(&player, &PcmPlayer::finished);
    ASSERT_TRUE(player.play(first));
    ASSERT_TRUE(recording_.waitForSound(hungMs)); // the first sound plays
    ASSERT_TRUE(player.play(second));
    EXPECT_EQ(finished.count(), 1) << "the first sound ends when the second starts";
    EXPECT_EQ(started.count(), 2);
    EXPECT_FALSE(player.isPlayingFrom(first));
    EXPECT_TRUE(player.isPlayingFrom(second));
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 2; }, finishTimeoutMs));

    const std::vector<std::int16_t> recorded = recording_.finish(300);
    const std::size_t secondAt = findExactly(recorded, second);
    ASSERT_LT(secondAt, recorded.size()) << "the second sound is not in the recording whole";
    std::size_t heard = 0;
    EXPECT_TRUE(holdsCutShort(recorded, 0, secondAt, first, &heard));
    EXPECT_EQ(firstSound(recorded, secondAt + second.size()), recorded.size())
        << "sound after the second one";
    std::cout << "first sound: " << heard << " of " << first.size()
              << " samples played; second: all " << second.size()
              << " samples from recording index " << secondAt << '\n';
}

TEST_F(PcmPlayerTest, DestroyingThePlayerSilencesItAtOnce) {
    const std::vector<std::int16_t> sound = sineSamples(440, 4000, 4 * samplesPerSecond);
    auto player = std::make_unique<PcmPlayer>();
    QSignalSpy finished(player.get(), &PcmPlayer::finished);
    ASSERT_TRUE(player->play(sound));
    ASSERT_TRUE(recording_.waitForSound(hungMs));
    player.reset();

    const std::vector<std::int16_t> recorded = recording_.finish(1000);
    std::size_t heard = 0;
    EXPECT_TRUE(holdsCutShort(recorded, 0, recorded.size(), sound, &heard));
    // The sound had just begun to be heard when the player went; what the server still held
    // may follow, but not the seconds that were left.
    EXPECT_LT(heard, sound.size() / 4);
    EXPECT_EQ(finished.count(), 0);
    std::cout << "played " << heard << " of " << sound.size() << " samples\n";
}

} // namespace
} // namespace vorel::test
