#pragma once

#include <QWidget>

namespace vorel {

struct EditorState;

// The main window's client area: its coordinates are the client coordinates every button and
// drawing is placed in. Paints the whole state on every paint event and hands mouse presses on.
class ClientArea : public QWidget {
    Q_OBJECT
  public:
    ClientArea(const EditorState& state, QWidget* parent = nullptr);

  signals:
    void leftPressed(QPoint position);
    void rightPressed(QPoint position);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    const EditorState& state_;
};

} // namespace vorel
