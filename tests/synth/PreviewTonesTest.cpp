#include "synth/PreviewTones.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vorel::test {
namespace {

TEST(PreviewTonesTest, EveryKeyHasATwoTenthSecondSineFromPhaseZero) {
    const PreviewTones tones;
    const auto key0 = tones.tone(0);
    ASSERT_EQ(key0.size(), 8820u);
    EXPECT_TRUE(
        std::ranges::equal(key0.first(6), std::vector<std::int16_t>{0, 31, 62, 94, 125, 156}));
    EXPECT_EQ(key0.back(), -31);
    const auto key72 = tones.tone(72);
    ASSERT_EQ(key72.size(), 8820u);
    EXPECT_TRUE(std::ranges::equal(key72.first(6),
                                   std::vector<std::int16_t>{0, 1923, 3372, 3991, 3627, 2369}));
    for (int key = 0; key < keyCount; ++key) {
        const auto tone = tones.tone(key);
        ASSERT_EQ(tone.size(), 8820u) << "key " << key;
        EXPECT_EQ(tone[0], 0) << "key " << key;
        const auto [low, high] = std::ranges::minmax(tone);
        EXPECT_LE(high, 4000) << "key " << key;
        EXPECT_GE(low, -4000) << "key " << key;
        EXPECT_GT(high, 3900) << "key " << key; // every tone reaches near its crest
    }
    // The tones lie one after another in one block.
    EXPECT_EQ(tones.tone(1).data(), key0.data() + 8820);
    EXPECT_TRUE(tones.tone(-1).empty());
    EXPECT_TRUE(tones.tone(73).empty());
}

} // namespace
} // namespace vorel::test
