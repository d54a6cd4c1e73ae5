#include "sequencer/GridChange.h"
#include "sequencer/NoteEditing.h"

#include <gtest/gtest.h>

namespace vorel::test {
namespace {

int tickOf(int page, int tickInPage) {
    return page * ticksPerPage + tickInPage;
}

// Notes whose marks reach far: into the destination page 5 from before it, from the destination
// to the end of the grid (a file may hold such a length), and the phrase to copy.
void placeNotes(SequenceData& sequence) {
    sequence.placeNote(tickOf(0, 10), 20, 384, 7, 7);
    sequence.placeNote(tickOf(5, 0), 30, 32767, 1, 1);
    sequence.placeNote(tickOf(1, 5), 40, 24, 3, 3);
}

TEST(GridChangeTest, UndoAndRedoRestoreEveryCellKeepingOnlyTheChangedOnes) {
    SequenceData grid, before, after;
    for (SequenceData* sequence : {&grid, &before, &after})
        placeNotes(*sequence);
    copyPhrase(after, 1, 5);
    const GridChange copied =
        GridChange::record(grid, copyPhraseArea(5), [&] { copyPhrase(grid, 1, 5); });
    ASSERT_TRUE(grid.sameNotes(after));
    // The long note's marks from page 5 to the end, and the copied note: not the whole grid.
    EXPECT_LT(copied.size(), std::size_t{tickCount});
    copied.undo(grid);
    EXPECT_TRUE(grid.sameNotes(before));
    copied.redo(grid);
    EXPECT_TRUE(grid.sameNotes(after));

    // OK in the note dialog over the long note puts a short one in its place.
    SequencerView view;
    const NoteEdit shorter{NoteEdit::Action::enter, u"12", 0, 0};
    const GridChange edited = GridChange::record(grid, noteEditArea(tickOf(5, 0), 30), [&] {
        applyNoteEdit(grid, view, tickOf(5, 0), 30, shorter);
    });
    EXPECT_EQ(grid.cell(tickOf(5, 0), 30).noteLength, 12);
    edited.undo(grid);
    EXPECT_TRUE(grid.sameNotes(after));
    copied.undo(grid);
    EXPECT_TRUE(grid.sameNotes(before));
}

} // namespace
} // namespace vorel::test
