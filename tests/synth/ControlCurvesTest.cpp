#include "synth/ControlCurves.h"

#include <gtest/gtest.h>

namespace vorel::test {
namespace {

// Attack from 0.0 to 1.0 over 0.1 s, decay to 0.5 over 0.1 s, key released at 0.5 s, release
// 0.1 s: every value below is exact in binary, so each is compared for equality.
TEST(ControlCurvesTest, AmplitudeIsTheEnvelopeTimesTheReleaseGate) {
    SoundSettings settings;
    settings.select(Param::ampAttackLevel, 0);  // 0.0
    settings.select(Param::ampDecayLevel, 10);  // 1.0
    settings.select(Param::ampSustainLevel, 5); // 0.5
    constexpr std::size_t count = 26460;        // (0.5 + 0.1) s
    const CurvePlan plan = planCurves(settings, 0.5, count);
    ControlCurves curves;
    fillCurves(plan, wholeCurves(curves), 0, count, VectorUnit::none);
    const ZeroedBuffer<double>& amp = curves.amp;
    const ZeroedBuffer<double>& gate = curves.releaseGate;

    EXPECT_EQ(amp[0], 0.0);
    EXPECT_EQ(amp[2205], 0.5);  // halfway up the attack
    EXPECT_EQ(amp[4410], 1.0);  // the decay starts at its level
    EXPECT_EQ(amp[6615], 0.75); // halfway down the decay
    EXPECT_EQ(amp[8820], 0.5);  // sustain
    EXPECT_EQ(gate[22049], 1.0);
    EXPECT_EQ(gate[22050], 1.0);     // the release starts at full gain...
    EXPECT_EQ(gate[24255], 0.5);     // ...is halfway down after 0.05 s...
    EXPECT_EQ(amp[24255], 0.25);     // ...and scales the sustain
    EXPECT_GT(gate[count - 1], 0.0); // the last sample before the gate closes
    EXPECT_LT(gate[count - 1], 0.001);
}

} // namespace
} // namespace vorel::test
