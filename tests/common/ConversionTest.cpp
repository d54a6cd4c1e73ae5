#include "common/Conversion.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace vorel::test {
namespace {

TEST(ConversionTest, TruncatesTowardZero) {
    EXPECT_EQ(truncateTo<std::int16_t>(24999.999), 24999);
    EXPECT_EQ(truncateTo<std::int16_t>(-24999.999), -24999);
    EXPECT_EQ(truncateTo<std::int16_t>(-0.9), 0);
    EXPECT_EQ(truncateTo<int>(918.75), 918);
}

TEST(ConversionTest, ClampsWhatDoesNotFitAndMapsNanToZero) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(truncateTo<std::int16_t>(40000.0), 32767);
    EXPECT_EQ(truncateTo<std::int16_t>(-40000.0), -32768);
    EXPECT_EQ(truncateTo<std::int16_t>(32767.9), 32767);
    EXPECT_EQ(truncateTo<std::int16_t>(-32768.9), -32768);
    EXPECT_EQ(truncateTo<int>(inf), std::numeric_limits<int>::max());
    EXPECT_EQ(truncateTo<int>(-inf), std::numeric_limits<int>::min());
    EXPECT_EQ(truncateTo<int>(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(truncateTo<std::int64_t>(1e300), std::numeric_limits<std::int64_t>::max());
}

} // namespace
} // namespace vorel::test
