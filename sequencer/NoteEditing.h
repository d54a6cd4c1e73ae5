#pragma once

#include "sequencer/SequenceData.h"

#include <optional>
#include <string>
#include <string_view>

namespace vorel {

// The rules of the Insert note dialog, which creates, changes or deletes the note that starts on
// one cell of the grid.

// The values a note on the cell starts from: the note that starts there, otherwise the last-used
// ones of the view.
struct NoteValues {
    int noteLength;     // ticks
    int keyLengthIndex; // into percentTable
    int velocityIndex;  // into percentTable
};
NoteValues offeredNote(const SequenceData& sequence, const SequencerView& view, int tick, int key);

// The note length typed: 1 to 3 decimal digits, clamped to 3..384; nothing for any other text.
std::optional<int> parseNoteLength(std::u16string_view text);

// What the dialog hands back when it is closed with OK or Delete.
struct NoteEdit {
    enum class Action { enter, remove };
    Action action;
    std::u16string lengthText; // as typed
    int keyLengthIndex;        // the item chosen in each box, -1 when its text is no label
    int velocityIndex;
};

// Applies the dialog's answer to cell (tick, key); returns whether the grid changed.
//
// OK (enter) removes the note that starts on the cell, whatever follows; stores the two boxes'
// selections as the last-used ones (a box whose text is no label keeps the last-used one); and,
// when the length text is valid, stores it as the last-used length and places the new note.
// Delete (remove) removes a note that starts on the cell and leaves the last-used values alone.
bool applyNoteEdit(SequenceData& sequence, SequencerView& view, int tick, int key,
                   const NoteEdit& edit);

} // namespace vorel
