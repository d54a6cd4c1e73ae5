#pragma once

#include "sequencer/SequenceData.h"

#include <QDialog>

class QComboBox;

namespace vorel {

// Copies the notes of one page ("From:") onto another ("To:"). OK with a box whose text is not a
// page label copies nothing. Result codes: 1 OK, 2 Cancel (also Escape and the close box).
class CopyPhraseDialog : public QDialog {
    Q_OBJECT
  public:
    explicit CopyPhraseDialog(SequenceData& sequence, QWidget* parent = nullptr);

    void reject() override;

  private:
    void copy();

    SequenceData& sequence_;
    QComboBox* from_;
    QComboBox* to_;
};

} // namespace vorel
