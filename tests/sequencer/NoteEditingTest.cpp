#include "sequencer/NoteEditing.h"

#include <gtest/gtest.h>

namespace vorel::test {
namespace {

TEST(NoteEditingTest, LengthIsOneToThreeAsciiDigitsClampedToTheNoteRange) {
    const std::pair<std::u16string_view, std::optional<int>> cases[] = {
        {u"0", 3},
        {u"2", 3},
        {u"3", 3},
        {u"007", 7},
        {u"384", 384},
        {u"999", 384},
        {u"", std::nullopt},
        {u"0384", std::nullopt},
        {u"1a", std::nullopt},
        {u" 12", std::nullopt},
        {u"-5", std::nullopt},
        {u"\uFF11\uFF12", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parseNoteLength(text), expected) << std::string(text.begin(), text.end());
}

TEST(NoteEditingTest, OkReplacesTheCellsNoteAndDeleteRemovesOnlyANoteStartingThere) {
    SequenceData sequence;
    SequencerView view;
    const auto enter = [](std::u16string length, int keyLength, int velocity) {
        return NoteEdit{NoteEdit::Action::enter, std::move(length), keyLength, velocity};
    };
    const NoteEdit remove{NoteEdit::Action::remove, u"48", 0, 0};

    // An invalid length on an empty cell changes no cell, but the selections are taken; a box
    // whose text is no label (-1) keeps the last-used one.
    EXPECT_FALSE(applyNoteEdit(sequence, view, 100, 5, enter(u"", 2, -1)));
    EXPECT_EQ(sequence.noteCount(), 0u);
    EXPECT_EQ(view.lastKeyLengthIndex, 2);
    EXPECT_EQ(view.lastVelocityIndex, 7);
    EXPECT_EQ(view.lastNoteLength, 24);

    EXPECT_TRUE(applyNoteEdit(sequence, view, 100, 5, enter(u"30", -1, 9)));
    EXPECT_EQ(sequence.cell(100, 5), (NoteCell{30, 2, 9, 1}));
    EXPECT_EQ(view.lastNoteLength, 30);
    EXPECT_EQ((offeredNote(sequence, view, 100, 5).noteLength), 30);
    EXPECT_EQ((offeredNote(sequence, view, 101, 5).keyLengthIndex), 2); // covered: a new note

    // Delete on a cell the note only covers changes nothing; on its start it removes it whole
    // and leaves the last-used values alone.
    EXPECT_FALSE(applyNoteEdit(sequence, view, 110, 5, remove));
    EXPECT_TRUE(applyNoteEdit(sequence, view, 100, 5, remove));
    EXPECT_EQ(sequence.noteCount(), 0u);
    EXPECT_EQ(sequence.cell(128, 5).mark, 0);
    EXPECT_EQ(view.lastNoteLength, 30);

    // OK with an invalid length on a note's start deletes the note: the grid changed.
    sequence.placeNote(200, 5, 12, 0, 0);
    EXPECT_TRUE(applyNoteEdit(sequence, view, 200, 5, enter(u"x", 0, 0)));
    EXPECT_EQ(sequence.noteCount(), 0u);
}

} // namespace
} // namespace vorel::test
