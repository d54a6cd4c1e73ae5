#include "sound_editor/ClientArea.h"

#include "sound_editor/ScreenPainter.h"

#include <QMouseEvent>
#include <QPainter>

namespace vorel {

ClientArea::ClientArea(const EditorState& state, QWidget* parent) : QWidget(parent), state_(state) {
    // The system's window colour, the palette's base colour (white by default): the texts'
    // white backgrounds blend in.
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setFont(screenFont());
}

void ClientArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintScreen(painter, state_);
}

void ClientArea::mousePressEvent(QMouseEvent* event) {
    const QPoint position = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        emit leftPressed(position);
    else if (event->button() == Qt::RightButton)
        emit rightPressed(position);
}

} // namespace vorel
