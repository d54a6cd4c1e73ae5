#include "sequencer/ui/CopyPhraseDialog.h"

#include "platform/DialogUnits.h"
#include "sound_editor/DialogParts.h"

#include <QComboBox>
#include <QPushButton>

namespace vorel {

CopyPhraseDialog::CopyPhraseDialog(SequenceData& sequence, QWidget* parent)
    : QDialog(parent), sequence_(sequence) {
    setObjectName(QStringLiteral("133"));
    setWindowTitle(QStringLiteral("Copy phrase"));
    setFont(dialogFont());
    setModal(true);
    const DialogUnits units(font());
    setFixedSize(units.toPixels(161, 88));

    QStringList pages; // item i stands for page i, shown i + 1
    for (int page = 1; page <= pageCount; ++page)
        pages << QString::number(page);
    addLabel(this, units, QStringLiteral("From:"), 24, 16, 20, 8, 0, Grow::left);
    from_ = addChoiceBox(this, units, 1040, 43, 14, 48, pages);
    addLabel(this, units, QStringLiteral("To:"), 31, 36, 12, 8, 0, Grow::left);
    to_ = addChoiceBox(this, units, 1041, 43, 34, 48, pages);
    selectLabel(from_, QStringLiteral("1"));
    selectLabel(to_, QStringLiteral("1"));

    QPushButton* ok = addButton(this, units, QStringLiteral("OK"), 1, 19, 67, 50, 14);
    QPushButton* cancel = addButton(this, units, QStringLiteral("Cancel"), 2, 79, 67, 50, 14);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CopyPhraseDialog::copy);
    connect(cancel, &QPushButton::clicked, this, &CopyPhraseDialog::reject);
}

void CopyPhraseDialog::copy() {
    const int from = chosenIndex(from_);
    const int to = chosenIndex(to_);
    if (from >= 0 && to >= 0)
        copyPhrase(sequence_, from, to);
    done(1);
}

void CopyPhraseDialog::reject() {
    done(2);
}

} // namespace vorel
