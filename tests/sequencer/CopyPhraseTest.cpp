#include "sequencer/SequenceData.h"

#include <gtest/gtest.h>

namespace vorel::test {
namespace {

int tickOf(int page, int tickInPage) {
    return page * ticksPerPage + tickInPage;
}

TEST(CopyPhraseTest, SamePageChangesNothing) {
    SequenceData s;
    s.placeNote(tickOf(0, 3), 30, 24, 1, 2);
    SequenceData copy;
    copy.placeNote(tickOf(0, 3), 30, 24, 1, 2);
    copyPhrase(s, 0, 0);
    EXPECT_TRUE(s.sameNotes(copy));
}

TEST(CopyPhraseTest, CopiesStartCellsWithTheirFullLength) {
    SequenceData s;
    s.placeNote(tickOf(0, 48), 40, 384, 4, 6); // runs through pages 2..4 into page 5
    copyPhrase(s, 0, 1);
    const NoteCell& copied = s.cell(1, 48, 40);
    EXPECT_EQ(copied.noteLength, 384);
    EXPECT_EQ(copied.keyLengthIndex, 4);
    EXPECT_EQ(copied.velocityIndex, 6);
    EXPECT_EQ(s.cell(5, 46, 40).mark, 1);
    EXPECT_EQ(s.cell(5, 47, 40).mark, 2); // 48 + 384 - 1 = tick 47 of page index 5
    EXPECT_EQ(s.noteCount(), 2u);
}

TEST(CopyPhraseTest, EmptySourceEmptiesTheDestinationAndItsBarsOnFollowingPages) {
    SequenceData s;
    s.placeNote(tickOf(3, 90), 12, 100, 7, 7); // runs on into page index 4
    copyPhrase(s, 10, 3);
    EXPECT_EQ(s.noteCount(), 0u);
    for (int t = tickOf(3, 0); t < tickOf(6, 0); ++t)
        ASSERT_EQ(s.cell(t, 12).mark, 0) << t;
}

TEST(CopyPhraseTest, NotesRunningIntoTheDestinationKeepTheirBars) {
    SequenceData s;
    s.placeNote(tickOf(3, 10), 20, 200, 7, 7); // from page index 3 through page index 4 into 5
    s.placeNote(tickOf(1, 0), 50, 12, 7, 7);
    copyPhrase(s, 1, 4);
    EXPECT_EQ(s.cell(4, 0, 20).mark, 1);
    EXPECT_EQ(s.cell(4, 95, 20).mark, 1);
    EXPECT_EQ(s.cell(5, 17, 20).mark, 2);
    EXPECT_EQ(s.cell(4, 0, 50).noteLength, 12);
    EXPECT_EQ(s.cell(4, 10, 50).mark, 1);
    EXPECT_EQ(s.cell(4, 11, 50).mark, 2);
}

TEST(CopyPhraseTest, ReachesTheEdgesOfTheSequenceAndIgnoresPagesOutsideIt) {
    SequenceData s;
    s.placeNote(tickOf(0, 60), 1, 384, 7, 7);
    copyPhrase(s, 0, 79);
    EXPECT_EQ(s.cell(79, 60, 1).noteLength, 384);
    EXPECT_EQ(s.cell(79, 95, 1).mark, 1); // its marks stop at the grid's end
    copyPhrase(s, 79, 0);
    EXPECT_EQ(s.cell(0, 60, 1).noteLength, 384);
    EXPECT_EQ(s.cell(4, 59, 1).mark, 2);

    SequenceData before;
    before.placeNote(tickOf(0, 60), 1, 384, 7, 7);
    before.placeNote(tickOf(79, 60), 1, 384, 7, 7);
    copyPhrase(s, -1, 3);
    copyPhrase(s, 3, 80);
    EXPECT_TRUE(s.sameNotes(before));
}

} // namespace
} // namespace vorel::test
