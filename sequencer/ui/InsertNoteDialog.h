#pragma once

#include "sequencer/SequenceData.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QLineEdit;

namespace vorel {

// Creates, changes or deletes the note that starts on one cell of the page on screen.
// Result codes: 1 OK, 3 Delete, 2 Cancel (also Escape and the close box).
class InsertNoteDialog : public QDialog {
    Q_OBJECT
  public:
    InsertNoteDialog(SequenceData& sequence, SequencerView& view, int tickInPage, int key,
                     QWidget* parent = nullptr);

    void reject() override;
    // True when OK or Delete changed the grid.
    bool gridChanged() const { return gridChanged_; }

    // The note length typed: 1 to 3 decimal digits, clamped to 3..384; nothing for any other text.
    static std::optional<int> parseNoteLength(const QString& text);

  private:
    void acceptNote();
    void deleteNote();
    int tick() const { return view_.currentPage * ticksPerPage + tickInPage_; }

    SequenceData& sequence_;
    SequencerView& view_;
    int tickInPage_;
    int key_;
    QLineEdit* length_;
    QComboBox* keyLength_;
    QComboBox* velocity_;
    bool gridChanged_ = false;
};

} // namespace vorel
