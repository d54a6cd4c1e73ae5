#include "sequencer/ui/InsertNoteDialog.h"

#include "platform/Latin1.h"

#include <QComboBox>
#include <QLineEdit>

namespace vorel {
namespace {

QStringList percentItemLabels() {
    QStringList labels;
    for (std::string_view label : percentLabels)
        labels << latin1(label);
    return labels;
}

QString percentLabel(int index) {
    return latin1(percentLabels[static_cast<std::size_t>(index)]);
}

// Two digits, "01" .. "96".
QString twoDigits(int number) {
    return QString(QChar(u'0' + (number / 10) % 10)) + QChar(u'0' + number % 10);
}

} // namespace

InsertNoteDialog::InsertNoteDialog(QWidget* parent, const SequenceData& sequence,
                                   const SequencerView& view, int tick, int key)
    : UnitDialog(parent, 132, QStringLiteral("Insert note"), {205, 122}) {
    addText(QStringLiteral("Key:"), {29, 15, 16, 8}, 0, Grow::left);
    addText(latin1(keyNames[static_cast<std::size_t>(key)]), {45, 15, 25, 8}, 1026);
    addText(QStringLiteral("location:"), {79, 15, 28, 8}, 0, Grow::left);
    addText(twoDigits(tick % ticksPerPage + 1), {108, 15, 35, 8}, 1027);
    addText(QStringLiteral("Note length:"), {33, 30, 41, 8}, 0, Grow::left);
    length_ = addEdit(1031, {75, 27, 63, 14}, QStringLiteral("[0-9]*"));
    addText(QStringLiteral("(3~384)"), {141, 31, 28, 8});
    addText(QStringLiteral("Key length:"), {37, 55, 38, 8}, 0, Grow::left);
    keyLength_ = addChoiceBox(1029, 76, 52, 48, percentItemLabels());
    addText(QStringLiteral("(%)"), {128, 56, 14, 8});
    addText(QStringLiteral("Velocity:"), {47, 79, 28, 8}, 0, Grow::left);
    velocity_ = addChoiceBox(1030, 76, 76, 48, percentItemLabels());

    const NoteValues offered = offeredNote(sequence, view, tick, key);
    length_->setText(QString::number(offered.noteLength));
    selectLabel(keyLength_, percentLabel(offered.keyLengthIndex));
    selectLabel(velocity_, percentLabel(offered.velocityIndex));

    addButton(QStringLiteral("OK"), okId, {15, 101, 50, 14}, ButtonLook::defaultButton);
    addButton(QStringLiteral("Delete"), deleteId, {76, 101, 50, 14}, ButtonLook::framedAsDefault);
    addButton(QStringLiteral("Cancel"), cancelId, {135, 101, 50, 14});
    length_->setFocus();
}

NoteEdit InsertNoteDialog::edit(NoteEdit::Action action) const {
    return {action, length_->text().toStdU16String(), chosenIndex(keyLength_),
            chosenIndex(velocity_)};
}

std::optional<NoteEdit> InsertNoteDialog::ask(QWidget* parent, const SequenceData& sequence,
                                              const SequencerView& view, int tick, int key) {
    InsertNoteDialog dialog(parent, sequence, view, tick, key);
    switch (dialog.exec()) {
    case okId:
        return dialog.edit(NoteEdit::Action::enter);
    case deleteId:
        return dialog.edit(NoteEdit::Action::remove);
    default:
        return std::nullopt;
    }
}

} // namespace vorel
