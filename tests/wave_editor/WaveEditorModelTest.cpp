#include "wave_editor/WaveEditorModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vorel::test {
using namespace vorel::wave;
namespace {

// A model whose wave is `wave` (loaded, so one snapshot taken) with overtones `selected` (1-based)
// selected.
WaveEditorModel modelWith(const WaveData& wave, std::initializer_list<int> selected) {
    WaveEditorModel model;
    model.loadWave(wave);
    for (int n : selected)
        model.toggleSelection(n - 1);
    return model;
}

WaveData waveOf(std::initializer_list<std::pair<int, double>> entries) {
    WaveData wave{};
    for (auto [n, value] : entries)
        wave[static_cast<std::size_t>(n - 1)] = value;
    return wave;
}

TEST(CursorTest, MovesWrapAroundBothEnds) {
    WaveEditorModel model;
    EXPECT_EQ(model.currentOvertone(), 1);
    model.moveCursor(-1);
    EXPECT_EQ(model.currentOvertone(), 100);
    model.moveCursor(1);
    EXPECT_EQ(model.currentOvertone(), 1);
    for (int i = 0; i < 4; ++i)
        model.moveCursor(1);
    EXPECT_EQ(model.currentOvertone(), 5);
    model.moveCursor(-10);
    EXPECT_EQ(model.currentOvertone(), 95);
    model.moveCursor(10);
    EXPECT_EQ(model.currentOvertone(), 5);
    model.moveCursor(-10);
    model.moveCursor(10);
    model.moveCursor(-10);
    EXPECT_EQ(model.currentOvertone(), 95);
}

TEST(StepOperationsTest, RaiseAndLowerClampToTheUnitRangeAndSkipUnselected) {
    auto model =
        modelWith(waveOf({{1, 0.95}, {2, 5.0}, {3, 0.25}, {4, -0.95}, {5, 0.5}}), {1, 2, 3, 4});
    model.raise();
    EXPECT_EQ(model.wave()[0], 1.0);
    EXPECT_EQ(model.wave()[1], 1.0);
    EXPECT_EQ(model.wave()[2], 0.25 + 0.1);
    EXPECT_EQ(model.wave()[3], -0.95 + 0.1);
    EXPECT_EQ(model.wave()[4], 0.5); // not selected
    for (int i = 0; i < 30; ++i)
        model.lower();
    EXPECT_EQ(model.wave()[0], -1.0);
    EXPECT_EQ(model.wave()[3], -1.0);
    EXPECT_EQ(model.wave()[4], 0.5);
}

TEST(StepOperationsTest, ScaleUpGrowsTheLargestMagnitudeByATenthAtMostToOne) {
    auto small = modelWith(waveOf({{1, 0.5}, {2, -0.25}, {3, 0.7}}), {1, 2});
    small.scaleUp();
    EXPECT_DOUBLE_EQ(small.wave()[0], 0.6);
    EXPECT_DOUBLE_EQ(small.wave()[1], -0.3);
    EXPECT_EQ(small.wave()[2], 0.7);

    auto large = modelWith(waveOf({{1, 2.0}, {2, 1.0}}), {1, 2});
    large.scaleUp();
    EXPECT_DOUBLE_EQ(large.wave()[0], 1.0);
    EXPECT_DOUBLE_EQ(large.wave()[1], 0.5);
}

TEST(StepOperationsTest, ScaleDownShrinksProportionallyAndClearsAtOrBelowATenth) {
    auto model = modelWith(waveOf({{1, 0.5}, {2, -0.25}}), {1, 2});
    model.scaleDown();
    EXPECT_DOUBLE_EQ(model.wave()[0], 0.4);
    EXPECT_DOUBLE_EQ(model.wave()[1], -0.2);

    for (double largest : {0.1, 0.05}) {
        auto tiny = modelWith(waveOf({{1, largest}, {2, -0.01}}), {1, 2});
        tiny.scaleDown();
        EXPECT_EQ(tiny.wave()[0], 0.0) << largest;
        EXPECT_EQ(tiny.wave()[1], 0.0) << largest;
    }
}

TEST(StepOperationsTest, NoOperationStoresANonFiniteCoefficient) {
    constexpr double largest = std::numeric_limits<double>::max();
    // *UP on the smallest denormal: the factor overflows; 0 times it would be NaN.
    auto model = modelWith(waveOf({{1, 5e-324}, {2, 0.0}, {3, -5e-324}}), {1, 2, 3});
    model.scaleUp();
    EXPECT_EQ(model.wave()[0], largest);
    EXPECT_EQ(model.wave()[1], 0.0);
    EXPECT_EQ(model.wave()[2], -largest);

    // 1/n^x with a negative exponent pressed on a huge value.
    auto huge = modelWith(waveOf({{1, 1e308}, {2, 1e308}, {3, -1e308}}), {2, 3});
    huge.applyPowerLaw(PowerLawChoice{-1.0, std::nullopt});
    EXPECT_EQ(huge.wave()[0], 1e308);
    EXPECT_EQ(huge.wave()[1], largest);
    EXPECT_EQ(huge.wave()[2], -largest);
    for (double c : huge.wave())
        EXPECT_TRUE(std::isfinite(c));
}

TEST(StepOperationsTest, SetInvertAndResetTouchTheRightEntries) {
    auto model = modelWith(waveOf({{1, 0.3}, {2, -0.4}, {3, 0.6}}), {1, 2});
    model.invert();
    EXPECT_EQ(model.wave()[0], -0.3);
    EXPECT_EQ(model.wave()[1], 0.4);
    EXPECT_EQ(model.wave()[2], 0.6);
    model.setOne();
    EXPECT_EQ(model.wave()[0], 1.0);
    EXPECT_EQ(model.wave()[2], 0.6);
    model.setZero();
    EXPECT_EQ(model.wave()[1], 0.0);
    EXPECT_EQ(model.wave()[2], 0.6);
    model.reset();
    for (double c : model.wave())
        EXPECT_EQ(c, 0.0);
    EXPECT_TRUE(model.isSelected(0));
    EXPECT_TRUE(model.isSelected(1));
    EXPECT_FALSE(model.isSelected(2));
}

TEST(RandomTest, GeneratorFollowsTheClassicSequenceAndScalesEachSelectedCoefficient) {
    RandomSequence sequence;
    // The first values of the portable generator of the C standard, started at 1.
    EXPECT_EQ(sequence.next(), 16838);
    EXPECT_EQ(sequence.next(), 5758);
    EXPECT_EQ(sequence.next(), 10113);

    auto model = modelWith(waveOf({{1, 1.0}, {2, 0.7}, {3, -1.0}, {4, 5.0}}), {1, 3, 4});
    model.randomize();
    EXPECT_EQ(model.wave()[0], ((1.0 * 16838) * 3.051850947599719) / 100000);
    EXPECT_EQ(model.wave()[1], 0.7); // not selected, and draws no number
    EXPECT_EQ(model.wave()[2], ((-1.0 * 5758) * 3.051850947599719) / 100000);
    EXPECT_EQ(model.wave()[3], 1.0); // 5 * 10113 / 32767 clamps
}

TEST(PowerLawTest, ExponentOneWithHalfDutyGivesTheSquareWaveSeries) {
    WaveData ones;
    ones.fill(1.0);
    WaveEditorModel model;
    model.loadWave(ones);
    model.selectAll();
    model.applyPowerLaw(PowerLawChoice{1.0, 0.5});
    for (int n = 1; n <= 100; ++n) {
        double expected = n % 2 == 0 ? 0.0 : (n % 4 == 1 ? 1.0 : -1.0) / n;
        EXPECT_NEAR(model.wave()[static_cast<std::size_t>(n - 1)], expected, 1e-8) << "n = " << n;
    }
}

TEST(PowerLawTest, ExponentAloneDividesByThePowerAndCancelChangesNothing) {
    auto model = modelWith(waveOf({{1, 1.0}, {4, 1.0}, {9, 1.0}}), {4, 9});
    int before = model.historyIndex();
    model.applyPowerLaw(std::nullopt);
    EXPECT_EQ(model.wave()[3], 1.0);
    EXPECT_EQ(model.historyIndex(), before + 1); // cancelled, still a snapshot
    model.applyPowerLaw(PowerLawChoice{std::nullopt, std::nullopt});
    EXPECT_EQ(model.wave()[3], 1.0);
    model.applyPowerLaw(PowerLawChoice{0.5, std::nullopt});
    EXPECT_EQ(model.wave()[0], 1.0);
    EXPECT_EQ(model.wave()[3], 0.5);
    EXPECT_EQ(model.wave()[8], 1.0 / 3.0);
    model.applyPowerLaw(PowerLawChoice{-1.0, std::nullopt});
    EXPECT_EQ(model.wave()[3], 2.0);
}

TEST(InputTest, TypedDigitsBecomeTheDecimalsAfterZeroPoint) {
    struct Row {
        std::u16string text;
        double expected;
    };
    const Row rows[] = {
        {u"25", 0.1 * 2 + 0.01 * 5},
        {u"", 0.0},
        {u"\uFF11\uFF12", 0.1 * 1 + 0.01 * 2}, // full-width one and two
        {u"1\uFF122", (0.1 * 1 + 0.01 * 2) + 0.001 * 2},
        {u"12a3", 0.1 * 1 + 0.01 * 2},
        {u"x9", 0.0},
        {u"999999999", ((((((0.9 + 0.09) + 0.009) + 0.0009) + 9e-05) + 9e-06) + 9e-07)}, // 7 count
    };
    for (const Row& row : rows) {
        WaveEditorModel model;
        model.moveCursor(2);
        model.applyInput(row.text);
        EXPECT_EQ(model.wave()[2], row.expected);
        EXPECT_LT(model.wave()[2], 1.0);
        EXPECT_EQ(model.wave()[0], 0.0);
    }
    EXPECT_DOUBLE_EQ(rows[0].expected, 0.25);
    EXPECT_DOUBLE_EQ(rows[2].expected, 0.12);

    auto model = modelWith(waveOf({{1, -0.5}}), {});
    model.applyInput(std::nullopt);
    EXPECT_EQ(model.wave()[0], -0.5);
}

TEST(SelectionTest, SeriesSelectsAndDeselectsEveryAthOvertoneFromB) {
    auto selectedOvertones = [](const WaveEditorModel& model) {
        std::vector<int> result;
        for (int k = 0; k < 100; ++k)
            if (model.isSelected(k))
                result.push_back(k + 1);
        return result;
    };
    WaveEditorModel tens;
    tens.selectSeries(10, 10, true);
    EXPECT_EQ(selectedOvertones(tens), (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));

    WaveEditorModel threes;
    threes.selectSeries(3, 0, true);
    std::vector<int> expected;
    for (int n = 3; n <= 99; n += 3)
        expected.push_back(n);
    EXPECT_EQ(selectedOvertones(threes), expected);

    WaveEditorModel lone;
    lone.selectSeries(0, 7, true);
    lone.selectSeries(0, 0, true);
    EXPECT_EQ(selectedOvertones(lone), (std::vector<int>{7}));

    WaveEditorModel odd;
    odd.selectAll();
    odd.selectSeries(2, 2, false);
    EXPECT_EQ(selectedOvertones(odd).size(), 50u);
    EXPECT_TRUE(odd.isSelected(0));
    EXPECT_FALSE(odd.isSelected(1));
}

TEST(SelectionTest, MemoryStoresAndRestoresTheSelection) {
    WaveEditorModel model;
    model.toggleSelection(4);
    model.toggleSelection(40);
    model.storeSelection();
    EXPECT_EQ(model.selectionMemory()[4], 1);
    model.toggleSelection(4);
    model.selectSeries(1, 60, true);
    model.recallSelection();
    for (int k = 0; k < 100; ++k)
        EXPECT_EQ(model.isSelected(k), k == 4 || k == 40) << k;
}

TEST(HistoryTest, CoefficientOperationsTakeSnapshotsAndOtherCommandsDoNot) {
    WaveEditorModel model;
    model.raise(); // empty selection: nothing changes, still a snapshot
    model.lower();
    model.scaleUp();
    model.scaleDown();
    model.setZero();
    model.setOne();
    model.invert();
    model.randomize();
    model.reset();
    model.applyPowerLaw(std::nullopt);
    model.applyInput(std::nullopt);
    EXPECT_EQ(model.historyIndex(), 11);
    model.moveCursor(1);
    model.selectAll();
    model.selectSeries(1, 1, false);
    model.storeSelection();
    model.recallSelection();
    model.toggleSelection(3);
    model.toggleCosineView();
    EXPECT_EQ(model.historyIndex(), 11);
}

TEST(HistoryTest, StepsMoveAroundTheRingOfOneHundredSlots) {
    WaveEditorModel model;
    model.selectAll();
    model.raise(); // slot 1 holds 0.1 everywhere
    model.stepBack();
    EXPECT_EQ(model.historyIndex(), 0);
    EXPECT_EQ(model.wave()[0], 0.0);
    model.stepBack(); // from the start to slot 99, still the initial zeros
    EXPECT_EQ(model.historyIndex(), 99);
    EXPECT_EQ(model.wave()[0], 0.0);
    model.stepForward();
    model.stepForward();
    EXPECT_EQ(model.historyIndex(), 1);
    EXPECT_DOUBLE_EQ(model.wave()[0], 0.1);

    // Pushing after stepping back overwrites only the next slot.
    model.raise(); // slot 2: 0.2
    model.raise(); // slot 3: 0.3
    model.stepBack();
    model.stepBack(); // slot 1
    model.invert();   // slot 2: -0.1
    EXPECT_DOUBLE_EQ(model.historySlot(2)[0], -0.1);
    model.stepForward();
    EXPECT_EQ(model.historyIndex(), 3);
    EXPECT_DOUBLE_EQ(model.wave()[0], 0.3);

    for (int i = 0; i < 100; ++i)
        model.stepForward();
    EXPECT_EQ(model.historyIndex(), 3);
    EXPECT_DOUBLE_EQ(model.wave()[0], 0.3);
    for (int i = 0; i < 100; ++i)
        model.stepBack();
    EXPECT_EQ(model.historyIndex(), 3);
}

TEST(HistoryTest, TheHundredthPushOverwritesTheInitialSlot) {
    WaveEditorModel model;
    model.selectAll();
    for (int i = 0; i < 99; ++i)
        model.invert();
    EXPECT_EQ(model.historyIndex(), 99);
    model.setOne();
    EXPECT_EQ(model.historyIndex(), 0);
    EXPECT_EQ(model.historySlot(0)[0], 1.0);
}

TEST(ChoiceListTest, OnlyExactLabelsSelectAValue) {
    EXPECT_EQ(choiceValue(stepList, "10"), 10.0);
    EXPECT_EQ(choiceValue(exponentList, "-0.3"), -0.3);
    EXPECT_EQ(choiceValue(dutyList, "0.0125"), 0.0125);
    EXPECT_FALSE(choiceValue(stepList, "11"));
    EXPECT_FALSE(choiceValue(exponentList, "0.0"));
    EXPECT_FALSE(choiceValue(exponentList, "1"));
    EXPECT_FALSE(choiceValue(dutyList, " 0.5"));
}

} // namespace
} // namespace vorel::test
