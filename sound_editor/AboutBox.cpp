#include "sound_editor/AboutBox.h"

#include "platform/DialogUnits.h"
#include "sound_editor/DialogParts.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

namespace vorel {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("100"));
    setWindowTitle(QStringLiteral("Version info."));
    setFont(dialogFont());
    setModal(true);
    const DialogUnits units(font());
    setFixedSize(units.toPixels(170, 62));

    auto* icon = new QLabel(this);
    const QRect iconRect = units.toPixels(14, 14, 20, 20);
    icon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    icon->setGeometry(iconRect.x(), iconRect.y(), 32, 32);
    addLabel(this, units, QStringLiteral("Vorel sound editor"), 42, 14, 114, 8);
    addLabel(this, units, QStringLiteral("Version 0.1, built with Qt 6"), 42, 26, 114, 8);
    QPushButton* ok = addButton(this, units, QStringLiteral("OK"), 1, 113, 41, 50, 14);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { done(1); });
}

} // namespace vorel
