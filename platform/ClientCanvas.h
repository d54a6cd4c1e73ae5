#pragma once

#include <QWidget>

#include <functional>

class QPainter;

namespace vorel {

// A window's client area: its coordinates are the client coordinates every button and drawing is
// placed in. It has the system's window colour (the palette's base colour, white by default),
// paints through the window's painter on every paint event and hands mouse presses on.
class ClientCanvas : public QWidget {
    Q_OBJECT
  public:
    using Painter = std::function<void(QPainter& painter)>;

    ClientCanvas(Painter painter, QWidget* parent);

  signals:
    void leftPressed(QPoint position);
    void rightPressed(QPoint position);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    Painter painter_;
};

} // namespace vorel
