#include "platform/ClientCanvas.h"

#include <QMouseEvent>
#include <QPainter>

namespace vorel {

ClientCanvas::ClientCanvas(Painter painter, QWidget* parent)
    : QWidget(parent), painter_(std::move(painter)) {
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

void ClientCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter_(painter);
}

void ClientCanvas::mousePressEvent(QMouseEvent* event) {
    const QPoint position = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        emit leftPressed(position);
    else if (event->button() == Qt::RightButton)
        emit rightPressed(position);
}

} // namespace vorel
