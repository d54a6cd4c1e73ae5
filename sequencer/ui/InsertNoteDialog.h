#pragma once

#include "platform/UnitDialog.h"
#include "sequencer/NoteEditing.h"

#include <optional>

class QComboBox;
class QLineEdit;

namespace vorel {

// "Insert note": creates, changes or deletes the note that starts on cell (tick, key). It shows
// the key, the tick within its page, and the values offeredNote() gives. OK ends it with 1,
// Delete with 3, Cancel (also Escape and the close box) with 2.
class InsertNoteDialog : public UnitDialog {
    Q_OBJECT
  public:
    static constexpr int deleteId = 3;

    InsertNoteDialog(QWidget* parent, const SequenceData& sequence, const SequencerView& view,
                     int tick, int key);

    // What the dialog holds, handed back as `action`.
    NoteEdit edit(NoteEdit::Action action) const;

    // Runs the dialog; what OK or Delete hands back, nothing when cancelled.
    static std::optional<NoteEdit> ask(QWidget* parent, const SequenceData& sequence,
                                       const SequencerView& view, int tick, int key);

  private:
    QLineEdit* length_;
    QComboBox* keyLength_;
    QComboBox* velocity_;
};

} // namespace vorel
