#include "platform/DialogUnits.h"

#include <QFontMetricsF>
#include <QWidget>

#include <cmath>

namespace vorel {

DialogUnits::DialogUnits(const QFont& font) {
    QFontMetricsF metrics(font);
    unitX_ = metrics.averageCharWidth() / 4.0;
    unitY_ = metrics.height() / 8.0;
}

QRect DialogUnits::toPixels(int x, int y, int width, int height) const {
    return QRect(static_cast<int>(std::lround(x * unitX_)),
                 static_cast<int>(std::lround(y * unitY_)),
                 static_cast<int>(std::lround(width * unitX_)),
                 static_cast<int>(std::lround(height * unitY_)));
}

QSize DialogUnits::toPixels(int width, int height) const {
    return QSize(static_cast<int>(std::lround(width * unitX_)),
                 static_cast<int>(std::lround(height * unitY_)));
}

void DialogUnits::place(QWidget* child, int x, int y, int width, int height) const {
    child->setGeometry(toPixels(x, y, width, height));
}

} // namespace vorel
