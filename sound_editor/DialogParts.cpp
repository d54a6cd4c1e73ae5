#include "sound_editor/DialogParts.h"

#include "platform/DialogUnits.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace vorel {

QFont dialogFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(8);
    return font;
}

QLabel* addLabel(QDialog* dialog, const DialogUnits& units, const QString& text, int x, int y,
                 int width, int height, int id, Grow grow) {
    auto* label = new QLabel(text, dialog);
    if (id != 0)
        label->setObjectName(QString::number(id));
    QRect rect = units.toPixels(x, y, width, height);
    const QSize needed = label->sizeHint();
    if (needed.width() > rect.width()) {
        if (grow == Grow::left)
            rect.moveLeft(std::max(0, rect.right() + 1 - needed.width()));
        rect.setWidth(needed.width());
    }
    rect.setHeight(std::max(rect.height(), needed.height()));
    label->setGeometry(rect);
    return label;
}

QPushButton* addButton(QDialog* dialog, const DialogUnits& units, const QString& text, int id,
                       int x, int y, int width, int height) {
    auto* button = new QPushButton(text, dialog);
    button->setObjectName(QString::number(id));
    button->setAutoDefault(false);
    units.place(button, x, y, width, height);
    return button;
}

QComboBox* addChoiceBox(QDialog* dialog, const DialogUnits& units, int id, int x, int y, int width,
                        const QStringList& labels) {
    auto* box = new QComboBox(dialog);
    box->setObjectName(QString::number(id));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setCompleter(nullptr);
    box->setMaxVisibleItems(8);
    box->addItems(labels);
    const QRect rect = units.toPixels(x, y, width, 14);
    box->setGeometry(rect.x(), rect.y(), rect.width(), box->sizeHint().height());
    return box;
}

int chosenIndex(const QComboBox* box) {
    const QString text = box->lineEdit() ? box->lineEdit()->text() : box->currentText();
    for (int i = 0; i < box->count(); ++i)
        if (box->itemText(i) == text)
            return i;
    return -1;
}

void selectLabel(QComboBox* box, const QString& label) {
    for (int i = 0; i < box->count(); ++i) {
        if (box->itemText(i) == label) {
            box->setCurrentIndex(i);
            return;
        }
    }
    box->setCurrentIndex(-1);
}

} // namespace vorel
