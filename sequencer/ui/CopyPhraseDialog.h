#pragma once

#include "platform/UnitDialog.h"

#include <optional>

class QComboBox;

namespace vorel {

// The pages Copy phrase copies: the notes of page `from` onto page `to` (0..79).
struct PhrasePages {
    int from;
    int to;
};

// "Copy phrase": a source page ("From:") and a destination page ("To:"), both "1" when it opens.
// OK ends it with 1, Cancel (also Escape and the close box) with 2.
class CopyPhraseDialog : public UnitDialog {
    Q_OBJECT
  public:
    explicit CopyPhraseDialog(QWidget* parent);

    // The two pages, or nothing when a box's text names no page.
    std::optional<PhrasePages> choice() const;
    // Runs the dialog; the pages OK hands back, nothing when cancelled or when a box's text
    // names no page.
    static std::optional<PhrasePages> ask(QWidget* parent);

  private:
    QComboBox* from_;
    QComboBox* to_;
};

} // namespace vorel
