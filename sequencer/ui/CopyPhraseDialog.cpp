#include "sequencer/ui/CopyPhraseDialog.h"

#include "sequencer/SequenceData.h"

#include <QComboBox>

namespace vorel {

CopyPhraseDialog::CopyPhraseDialog(QWidget* parent)
    : UnitDialog(parent, 133, QStringLiteral("Copy phrase"), {161, 88}) {
    QStringList pages; // item i stands for page i, shown i + 1
    for (int page = 1; page <= pageCount; ++page)
        pages << QString::number(page);
    addText(QStringLiteral("From:"), {24, 16, 20, 8}, 0, Grow::left);
    from_ = addChoiceBox(1040, 43, 14, 48, pages);
    addText(QStringLiteral("To:"), {31, 36, 12, 8}, 0, Grow::left);
    to_ = addChoiceBox(1041, 43, 34, 48, pages);
    selectLabel(from_, QStringLiteral("1"));
    selectLabel(to_, QStringLiteral("1"));
    addOkCancel(19, 79, 67);
}

std::optional<PhrasePages> CopyPhraseDialog::choice() const {
    const int from = chosenIndex(from_);
    const int to = chosenIndex(to_);
    if (from < 0 || to < 0)
        return std::nullopt;
    return PhrasePages{from, to};
}

std::optional<PhrasePages> CopyPhraseDialog::ask(QWidget* parent) {
    CopyPhraseDialog dialog(parent);
    if (dialog.exec() != okId)
        return std::nullopt;
    return dialog.choice();
}

} // namespace vorel
