#pragma once

#include <QFont>
#include <QRect>

class QWidget;

namespace vorel {

// Dialog layouts are given in dialog units of the dialog's font: a horizontal unit is a quarter
// of the font's average character width, a vertical unit an eighth of its height.
class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);
    QRect toPixels(int x, int y, int width, int height) const;
    QSize toPixels(int width, int height) const;

    // Places `child` at a rectangle given in dialog units.
    void place(QWidget* child, int x, int y, int width, int height) const;

  private:
    double unitX_;
    double unitY_;
};

} // namespace vorel
