#include "sequencer/ui/InsertNoteDialog.h"

#include "platform/DialogUnits.h"
#include "sound_editor/DialogParts.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include <algorithm>

namespace vorel {
namespace {

QStringList percentItemLabels() {
    QStringList labels;
    for (std::string_view label : percentLabels)
        labels << QString::fromLatin1(label.data(), static_cast<qsizetype>(label.size()));
    return labels;
}

QString percentLabel(int index) {
    const std::string_view label = percentLabels[static_cast<std::size_t>(index)];
    return QString::fromLatin1(label.data(), static_cast<qsizetype>(label.size()));
}

} // namespace

InsertNoteDialog::InsertNoteDialog(SequenceData& sequence, SequencerView& view, int tickInPage,
                                   int key, QWidget* parent)
    : QDialog(parent), sequence_(sequence), view_(view), tickInPage_(tickInPage), key_(key) {
    setObjectName(QStringLiteral("132"));
    setWindowTitle(QStringLiteral("Insert note"));
    setFont(dialogFont());
    setModal(true);
    const DialogUnits units(font());
    setFixedSize(units.toPixels(205, 122));

    const std::string_view keyName = keyNames[static_cast<std::size_t>(key_)];
    const int location = tickInPage_ + 1;
    addLabel(this, units, QStringLiteral("Key:"), 29, 15, 16, 8, 0, Grow::left);
    addLabel(this, units,
             QString::fromLatin1(keyName.data(), static_cast<qsizetype>(keyName.size())), 45, 15,
             25, 8, 1026);
    addLabel(this, units, QStringLiteral("location:"), 79, 15, 28, 8, 0, Grow::left);
    addLabel(this, units, QString(QChar(u'0' + (location / 10) % 10)) + QChar(u'0' + location % 10),
             108, 15, 35, 8, 1027);
    addLabel(this, units, QStringLiteral("Note length:"), 33, 30, 41, 8, 0, Grow::left);
    length_ = new QLineEdit(this);
    length_->setObjectName(QStringLiteral("1031"));
    length_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), length_));
    units.place(length_, 75, 27, 63, 14);
    addLabel(this, units, QStringLiteral("(3~384)"), 141, 31, 28, 8);
    addLabel(this, units, QStringLiteral("Key length:"), 37, 55, 38, 8, 0, Grow::left);
    keyLength_ = addChoiceBox(this, units, 1029, 76, 52, 48, percentItemLabels());
    addLabel(this, units, QStringLiteral("(%)"), 128, 56, 14, 8);
    addLabel(this, units, QStringLiteral("Velocity:"), 47, 79, 28, 8, 0, Grow::left);
    velocity_ = addChoiceBox(this, units, 1030, 76, 76, 48, percentItemLabels());

    // A note starting on the cell shows its own values; otherwise the last-used ones are offered.
    const NoteCell& cell = sequence_.cell(tick(), key_);
    const bool noteStarts = cell.noteLength != 0;
    length_->setText(QString::number(noteStarts ? cell.noteLength : view_.lastNoteLength));
    selectLabel(keyLength_,
                percentLabel(noteStarts ? cell.keyLengthIndex : view_.lastKeyLengthIndex));
    selectLabel(velocity_, percentLabel(noteStarts ? cell.velocityIndex : view_.lastVelocityIndex));

    QPushButton* ok = addButton(this, units, QStringLiteral("OK"), 1, 15, 101, 50, 14);
    QPushButton* remove = addButton(this, units, QStringLiteral("Delete"), 3, 76, 101, 50, 14);
    QPushButton* cancel = addButton(this, units, QStringLiteral("Cancel"), 2, 135, 101, 50, 14);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &InsertNoteDialog::acceptNote);
    connect(remove, &QPushButton::clicked, this, &InsertNoteDialog::deleteNote);
    connect(cancel, &QPushButton::clicked, this, &InsertNoteDialog::reject);
    length_->setFocus();
}

std::optional<int> InsertNoteDialog::parseNoteLength(const QString& text) {
    if (text.isEmpty() || text.size() > 3)
        return std::nullopt;
    int value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return std::clamp(value, minNoteLength, maxNoteLength);
}

void InsertNoteDialog::acceptNote() {
    // OK replaces the note of the cell: the old one goes whatever the new length turns out to be.
    const bool hadNote = sequence_.cell(tick(), key_).noteLength != 0;
    sequence_.removeNote(tick(), key_);
    // A box whose text is not one of its labels keeps the last-used selection.
    if (const int index = chosenIndex(keyLength_); index >= 0)
        view_.lastKeyLengthIndex = index;
    if (const int index = chosenIndex(velocity_); index >= 0)
        view_.lastVelocityIndex = index;
    const std::optional<int> length = parseNoteLength(length_->text());
    if (length) {
        view_.lastNoteLength = *length;
        sequence_.placeNote(tick(), key_, *length, view_.lastKeyLengthIndex,
                            view_.lastVelocityIndex);
    }
    gridChanged_ = hadNote || length.has_value();
    done(1);
}

void InsertNoteDialog::deleteNote() {
    if (sequence_.cell(tick(), key_).noteLength != 0) {
        sequence_.removeNote(tick(), key_);
        gridChanged_ = true;
    }
    done(3);
}

void InsertNoteDialog::reject() {
    done(2);
}

} // namespace vorel
