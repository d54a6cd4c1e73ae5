#include "wave_editor/Drawing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vorel::test {
using namespace vorel::wave;
namespace {

TEST(ValueTextTest, ShowsOvertoneSignAndSevenDecimals) {
    EXPECT_EQ(valueText(12, 1.0), "012:+1.0000000");
    EXPECT_EQ(valueText(100, -0.3), "100:-0.3000000");
    EXPECT_EQ(valueText(1, 0.0), "001:+0.0000000");
    EXPECT_EQ(valueText(1, -0.0), "001:+0.0000000");
    EXPECT_EQ(valueText(7, -1e-10), "007:-0.0000000");
    EXPECT_EQ(valueText(7, 0.25), "007:+0.2500000");
    EXPECT_EQ(valueText(7, 2.147483646), "007:+2.1474836");
}

TEST(ValueTextTest, LargeMagnitudesUseAScientificFormOfFourteenCharacters) {
    constexpr double largest = std::numeric_limits<double>::max();
    for (double v : {2.147483647, 2.5, -5.0, 100.0, 1e99, 1e100, -1e300, 1e308}) {
        std::string text = valueText(42, v);
        EXPECT_LE(text.size(), 14u) << text;
        EXPECT_EQ(text.substr(0, 5), v < 0 ? "042:-" : "042:+") << text;
        EXPECT_NEAR(std::stod(text.substr(5)) / std::fabs(v), 1.0, 0.01) << text;
    }
    EXPECT_EQ(valueText(3, 2.5), "003:+2.500e+00");
    EXPECT_EQ(valueText(3, -largest), "003:-1.80e+308");
}

TEST(GridHitMapTest, SquaresAreClickableAndGapsAreNot) {
    GridHitMap map;
    EXPECT_EQ(map.overtoneAt(667, 225), 0);
    EXPECT_EQ(map.overtoneAt(667 + 16, 225 + 16), 0);
    EXPECT_EQ(map.overtoneAt(667 + 17, 225), -1);
    EXPECT_EQ(map.overtoneAt(667 + 19, 225 + 5), -1);
    EXPECT_EQ(map.overtoneAt(667 + 5, 225 + 18), -1);
    EXPECT_EQ(map.overtoneAt(667 + 20, 225), 1);
    EXPECT_EQ(map.overtoneAt(667 + 9 * 20 + 16, 225), 9);
    EXPECT_EQ(map.overtoneAt(667, 225 + 9 * 20), 90);
    EXPECT_EQ(map.overtoneAt(667 + 199, 225 + 199), -1);
    EXPECT_EQ(map.overtoneAt(667 + 196, 225 + 196), 99);
    EXPECT_EQ(map.overtoneAt(666, 230), -1);
    EXPECT_EQ(map.overtoneAt(700, 224), -1);
    EXPECT_EQ(map.overtoneAt(700, 425), -1);
}

TEST(PlotTest, PlotSumsTheShapeTablesAndShrinksOnlyLargeWaves) {
    ShapeTables shapes;
    EXPECT_EQ(shapes.sine[0][0], 0.0);
    EXPECT_EQ(shapes.cosine[99][0], 1.0);
    EXPECT_EQ(shapes.sine[2][100], std::sin((300.0 * 6.283185307) / 599));

    WaveData zero{};
    PlotBuffer flat = computePlot(zero, shapes, false);
    EXPECT_EQ(flat.scale, 1.0);
    for (int t = 0; t < plotPointCount; ++t)
        EXPECT_EQ(flat.pixelY(t), 110);

    WaveData fundamental{};
    fundamental[0] = 2.0;
    PlotBuffer halved = computePlot(fundamental, shapes, false);
    EXPECT_GT(halved.scale, 1.999);
    EXPECT_LE(halved.scale, 2.0);
    int highest = 110, lowest = 110;
    for (int t = 0; t < plotPointCount; ++t) {
        highest = std::min(highest, halved.pixelY(t));
        lowest = std::max(lowest, halved.pixelY(t));
    }
    EXPECT_EQ(highest, 110 - 95);
    EXPECT_NEAR(lowest, 110 + 95, 1); // the sampled trough may fall a hair short of the crest

    WaveData small{};
    small[1] = 0.5;
    PlotBuffer cosine = computePlot(small, shapes, true);
    EXPECT_EQ(cosine.scale, 1.0);
    EXPECT_EQ(cosine.points[0], 0.5);
    EXPECT_EQ(cosine.pixelY(0), 110 - 47);
}

TEST(PlotTest, BarHeightsTruncateAndStayBounded) {
    EXPECT_EQ(barHeight(1.0), 95);
    EXPECT_EQ(barHeight(2.0), 190);
    EXPECT_EQ(barHeight(-0.5), -47);
    EXPECT_EQ(barHeight(0.01), 0);
    EXPECT_EQ(barHeight(std::numeric_limits<double>::max()), 100000);
    EXPECT_EQ(barHeight(std::numeric_limits<double>::lowest()), -100000);
}

} // namespace
} // namespace vorel::test
