#pragma once

#include "support/Deadlines.h"

#include "platform/CommandTable.h"
#include "platform/DialogUnits.h"
#include "platform/LibraryDialog.h"
#include "platform/UnitDialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <memory>

namespace vorel::test {

// Every static text of `dialog` shows whole: as large as its text needs, inside the dialog, and
// neither covered by another control nor touching the next one on its right.
inline void expectTextsWhole(const QDialog* dialog) {
    if (qobject_cast<const UnitDialog*>(dialog) == nullptr)
        return; // a message box or a file dialog: Qt's layouts place its texts
    const int gap = DialogUnits(dialog->font()).toPixels(textGap, 0).width();
    const QList<QWidget*> controls = dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (const QLabel* label : dialog->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (label->text().isEmpty() || !label->isVisible())
            continue; // an icon
        const QRect place = label->geometry();
        const QRect reach = place.adjusted(0, 0, gap, 0);
        const std::string text = label->text().toStdString();
        EXPECT_GE(place.width(), label->sizeHint().width()) << text;
        EXPECT_GE(place.height(), label->sizeHint().height()) << text;
        EXPECT_TRUE(dialog->rect().contains(place)) << text;
        for (const QWidget* other : controls)
            EXPECT_TRUE(other == label || !other->isVisible() ||
                        !other->geometry().intersects(other->x() > place.x() ? reach : place))
                << text << " reaches control " << other->objectName().toStdString() << " "
                << other->property("text").toString().toStdString();
    }
}

// Runs `handle` on the next modal dialog that opens (polling from the event loop the dialog
// runs), so a test can fill and close it. Every dialog a test opens so is checked to show its
// texts whole. Fails the test when none opens before the deadline of a
// hung test.
inline void onNextDialog(std::function<void(QDialog*)> handle) {
    auto* timer = new QTimer(qApp);
    timer->setObjectName(QStringLiteral("dialogWatcher"));
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, handle] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            dialog && dialog->isVisible()) {
            timer->stop();
            timer->deleteLater();
            expectTextsWhole(dialog);
            handle(dialog);
        } else if (clock->elapsed() > hungMs) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no dialog opened";
        }
    });
    timer->start(5);
}

// Drops the watchers of dialogs that never opened, so they cannot act on a later test.
inline void dropDialogWatchers() {
    for (QTimer* timer :
         qApp->findChildren<QTimer*>(QStringLiteral("dialogWatcher"), Qt::FindDirectChildrenOnly))
        delete timer;
}

// The control whose id (its object name) is `id`.
template <typename T> T* child(QWidget* parent, int id) {
    T* found = parent->findChild<T*>(QString::number(id));
    EXPECT_NE(found, nullptr) << "no control " << id;
    return found;
}

// The button of command `id` (a number or a program's command id).
template <typename Id> void clickButton(QWidget* parent, Id id) {
    QTest::mouseClick(child<QPushButton>(parent, commandNumber(id)), Qt::LeftButton);
}

// Types into a box's edit field, replacing its text.
inline void typeInto(QComboBox* box, const QString& text) {
    box->lineEdit()->selectAll();
    box->lineEdit()->del();
    QTest::keyClicks(box->lineEdit(), text);
}

// The push button of `dialog` that reads `text`.
inline QPushButton* buttonReading(const QWidget* dialog, const QString& text) {
    for (QPushButton* button : dialog->findChildren<QPushButton*>())
        if (button->text() == text)
            return button;
    ADD_FAILURE() << "no button " << text.toStdString();
    return nullptr;
}

// The entry of a library dialog's list shown as `name`, or null.
inline QTreeWidgetItem* libraryEntry(const LibraryDialog& dialog, const QString& name) {
    const auto found = dialog.list()->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.front();
}

// In the library dialog that opened: selects the entry `name` and clicks `button`.
inline void chooseInLibrary(QDialog* opened, const QString& name, const QString& button) {
    auto* dialog = qobject_cast<LibraryDialog*>(opened);
    ASSERT_NE(dialog, nullptr);
    QTreeWidgetItem* entry = libraryEntry(*dialog, name);
    ASSERT_NE(entry, nullptr) << name.toStdString();
    dialog->list()->setCurrentItem(entry);
    QTest::mouseClick(buttonReading(dialog, button), Qt::LeftButton);
}

// For onNextDialog: in the library dialog, a key of the piano rows plays the entry `name` live
// (the window hands its sound over), then "Load" loads it.
inline std::function<void(QDialog*)> loadFromLibrary(const QString& name) {
    return [name](QDialog* opened) {
        auto* dialog = qobject_cast<LibraryDialog*>(opened);
        ASSERT_NE(dialog, nullptr);
        dialog->list()->setCurrentItem(libraryEntry(*dialog, name));
        QTest::keyClick(dialog->list(), Qt::Key_Z);
        chooseInLibrary(opened, name, QStringLiteral("Load"));
    };
}

} // namespace vorel::test
