#pragma once

#include <QPoint>
#include <QPushButton>
#include <QTest>
#include <QWidget>

namespace vorel::test {

// A real left click at client coordinates: on the button found there, or on the client area.
inline void clickClientAt(QWidget* client, QPoint at) {
    QWidget* target = client->childAt(at);
    if (target == nullptr)
        target = client;
    QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(client, at));
}

// A click in the middle of a button of the client area.
inline void clickClientButton(QWidget* client, QPushButton* button) {
    QTEST_ASSERT(button != nullptr && button->parentWidget() == client);
    clickClientAt(client, button->geometry().center());
}

} // namespace vorel::test
