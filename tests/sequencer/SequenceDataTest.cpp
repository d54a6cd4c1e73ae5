#include "sequencer/SequenceData.h"

#include <gtest/gtest.h>

namespace vorel::test {
namespace {

std::vector<int> marksOf(const SequenceData& s, int key, int firstTick, int endTick) {
    std::vector<int> marks;
    for (int t = firstTick; t < endTick; ++t)
        marks.push_back(s.cell(t, key).mark);
    return marks;
}

TEST(SequencerViewTest, PagesWrapAroundTheEightyPages) {
    SequencerView view;
    const std::tuple<int, int, int> cases[] = {{79, +1, 0},  {0, -1, 79},  {2, -10, 72},
                                               {74, +10, 4}, {9, -10, 79}, {70, +10, 0}};
    for (auto [from, delta, to] : cases) {
        view.currentPage = from;
        view.stepPage(delta);
        EXPECT_EQ(view.currentPage, to) << from << " " << delta;
    }
}

TEST(SequencerViewTest, TempoStaysWithin80And220) {
    SequenceData s;
    EXPECT_EQ(s.tempo, 120);
    s.tempo = 215;
    stepTempo(s, +10);
    EXPECT_EQ(s.tempo, 220);
    stepTempo(s, +10);
    stepTempo(s, +1);
    EXPECT_EQ(s.tempo, 220);
    s.tempo = 85;
    stepTempo(s, -10);
    EXPECT_EQ(s.tempo, 80);
    stepTempo(s, -1);
    EXPECT_EQ(s.tempo, 80);
}

TEST(SequencerViewTest, DivisionButtonsToggleTheirOwnLines) {
    SequencerView view;
    view.toggleDivision(Division::twelfth);
    EXPECT_EQ(view.divisionLines, (std::array<bool, 6>{false, false, true, false, false, false}));
    view.toggleDivision(Division::twelfth);
    EXPECT_EQ(view.divisionLines, (std::array<bool, 6>{}));
}

TEST(SequenceDataTest, NoteMarksCoverAllButTheLastTick) {
    SequenceData s;
    // 384 ticks from the last tick of page 10 (index 9): through pages 11..13, into page 14.
    const int start = 9 * 96 + 95;
    s.placeNote(start, 20, 384, 7, 7);
    EXPECT_EQ(s.cell(start, 20).noteLength, 384);
    EXPECT_EQ(s.cell(start, 20).mark, 1);
    EXPECT_EQ(s.cell(start + 382, 20).mark, 1);
    EXPECT_EQ(s.cell(start + 383, 20).mark, 2);
    EXPECT_EQ(s.cell(start + 384, 20).mark, 0);
    EXPECT_EQ(s.cell(start - 1, 20).mark, 0);
    EXPECT_EQ(s.cell(start, 19).mark, 0);
    EXPECT_EQ((start + 383) / 96, 13); // page 14 on screen

    s.placeNote(0, 0, 1, 0, 0); // only from a file: not drawn
    EXPECT_EQ(s.cell(0, 0).mark, 2);
}

TEST(SequenceDataTest, RemovingANoteClearsTheMarksOfEveryCellItCovered) {
    SequenceData s;
    s.placeNote(10, 5, 20, 7, 7);
    s.placeNote(15, 5, 4, 3, 3); // starts inside the first
    s.removeNote(10, 5);
    EXPECT_EQ(s.cell(10, 5), NoteCell{});
    EXPECT_EQ(s.cell(15, 5).noteLength, 4);                    // the second note stays...
    EXPECT_EQ(marksOf(s, 5, 10, 31), std::vector<int>(21, 0)); // ...but its marks are gone
    s.removeNote(12, 5);                                       // no note starts here
    EXPECT_EQ(s.cell(15, 5).noteLength, 4);
    s.remarkNotes(0, 96);
    EXPECT_EQ(marksOf(s, 5, 14, 20), (std::vector<int>{0, 1, 1, 1, 2, 0}));
}

TEST(SequenceDataTest, NotesRunningPastTheLastTickKeepTheirLengthAndMarkOnlyTheGrid) {
    SequenceData s;
    s.placeNote(tickCount - 2, 72, 384, 9, 9);
    EXPECT_EQ(s.cell(tickCount - 2, 72).noteLength, 384);
    EXPECT_EQ(s.cell(tickCount - 1, 72).mark, 1);
    s.placeNote(tickCount - 1, 0, 32767, 9, 9);
    s.remarkNotes(0, tickCount + 500);
    s.removeNote(tickCount - 2, 72);
    EXPECT_EQ(s.cell(tickCount - 1, 72).mark, 0);
    EXPECT_EQ(s.noteCount(), 1u);
}

TEST(SequenceDataTest, KeyNamesRunFromA1ToA7WithSharpsAndOctavesChangingAtC) {
    EXPECT_EQ(keyNames.size(), 73u);
    EXPECT_EQ(keyNames[0], "A1");
    EXPECT_EQ(keyNames[1], "A#1");
    EXPECT_EQ(keyNames[3], "C2");
    EXPECT_EQ(keyNames[28], "C#4");
    EXPECT_EQ(keyNames[63], "C7");
    EXPECT_EQ(keyNames[72], "A7");
    EXPECT_EQ(percentLabels[7], "80");
    EXPECT_EQ(percentTable[9], 1.0);
}

TEST(SequenceDataTest, NameFromTitleStopsAtTheFirstDotAndPadsTo24Characters) {
    auto text = [](const DisplayName& n) { return std::string(n.begin(), n.end()); };
    EXPECT_EQ(text(nameFromTitle(u"Brass lead.vorelsf")), "Brass lead" + std::string(14, ' '));
    EXPECT_EQ(text(nameFromTitle(u"a.b.vorelsf")), "a" + std::string(23, ' '));
    EXPECT_EQ(text(nameFromTitle(u"Organ 2.vorelwf")), "Organ 2" + std::string(17, ' '));
    EXPECT_EQ(text(nameFromTitle(u"abcdefghijklmnopqrstuvwxyz1234")), "abcdefghijklmnopqrstuvwx");
    EXPECT_EQ(text(nameFromTitle(u"")), std::string(24, ' '));
    EXPECT_EQ(nameFromTitle(u"\u0141x")[0], static_cast<char>(0x41)); // the low byte only
}

} // namespace
} // namespace vorel::test
