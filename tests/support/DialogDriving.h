#pragma once

#include "support/Deadlines.h"

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

#include <functional>
#include <memory>

namespace vorel::test {

// Runs `handle` on the next modal dialog that opens (polling from the event loop the dialog
// runs), so a test can fill and close it. Fails the test when none opens before the deadline of a
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

inline void clickButton(QWidget* parent, int id) {
    QTest::mouseClick(child<QPushButton>(parent, id), Qt::LeftButton);
}

// Types into a box's edit field, replacing its text.
inline void typeInto(QComboBox* box, const QString& text) {
    box->lineEdit()->selectAll();
    box->lineEdit()->del();
    QTest::keyClicks(box->lineEdit(), text);
}

} // namespace vorel::test
