#include "sequencer/NoteEditing.h"

#include <algorithm>

namespace vorel {
namespace {

constexpr std::size_t maxLengthDigits = 3;

bool startsNote(const SequenceData& sequence, int tick, int key) {
    return sequence.cell(tick, key).noteLength != 0;
}

bool isPercentIndex(int index) {
    return index >= 0 && index < percentCount;
}

bool enterNote(SequenceData& sequence, SequencerView& view, int tick, int key,
               const NoteEdit& edit) {
    const bool hadNote = startsNote(sequence, tick, key);
    sequence.removeNote(tick, key);
    if (isPercentIndex(edit.keyLengthIndex))
        view.lastKeyLengthIndex = edit.keyLengthIndex;
    if (isPercentIndex(edit.velocityIndex))
        view.lastVelocityIndex = edit.velocityIndex;
    const std::optional<int> length = parseNoteLength(edit.lengthText);
    if (length) {
        view.lastNoteLength = *length;
        sequence.placeNote(tick, key, *length, view.lastKeyLengthIndex, view.lastVelocityIndex);
    }
    return hadNote || length.has_value();
}

} // namespace

NoteValues offeredNote(const SequenceData& sequence, const SequencerView& view, int tick, int key) {
    if (const NoteCell& cell = sequence.cell(tick, key); cell.noteLength != 0)
        return {cell.noteLength, cell.keyLengthIndex, cell.velocityIndex};
    return {view.lastNoteLength, view.lastKeyLengthIndex, view.lastVelocityIndex};
}

std::optional<int> parseNoteLength(std::u16string_view text) {
    if (text.empty() || text.size() > maxLengthDigits)
        return std::nullopt;
    int value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
    }
    return std::clamp(value, minNoteLength, maxNoteLength);
}

bool applyNoteEdit(SequenceData& sequence, SequencerView& view, int tick, int key,
                   const NoteEdit& edit) {
    if (edit.action == NoteEdit::Action::enter)
        return enterNote(sequence, view, tick, key, edit);
    if (!startsNote(sequence, tick, key))
        return false;
    sequence.removeNote(tick, key);
    return true;
}

} // namespace vorel
