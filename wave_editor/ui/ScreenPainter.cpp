#include "wave_editor/ui/ScreenPainter.h"

#include "wave_editor/Drawing.h"
#include "wave_editor/WaveEditorModel.h"

#include <QPainter>
#include <QPolygon>

#include <cstdlib>

namespace vorel::wave {
namespace {

// A bar of `height` pixels at x: rising from y = 320 when positive, hanging below it when negative.
void fillBar(QPainter& painter, int x, int height, const QColor& colour) {
    constexpr int baseRow = 320;
    if (height == 0)
        return;
    int top = height > 0 ? baseRow - height : baseRow;
    painter.fillRect(QRect(x, top, 2, std::abs(height)), colour);
}

// A 16 x 16 square with a one-pixel black outline, filled white or black.
void drawSquare(QPainter& painter, int left, int top, const QColor& fill) {
    painter.fillRect(QRect(left, top, 16, 16), Qt::black);
    painter.fillRect(QRect(left + 1, top + 1, 14, 14), fill);
}

// The value of the overtone under the cursor, with its top left at (650, 14).
void paintValue(QPainter& painter, const WaveData& wave, int current) {
    painter.setPen(Qt::black);
    QString text =
        QString::fromStdString(valueText(current, wave[static_cast<std::size_t>(current - 1)]));
    painter.drawText(QRect(650, 14, 200, 30), Qt::AlignLeft | Qt::AlignTop, text);
}

// One period of the wave in cyan over a black field, and the white zero line over it.
void paintPlot(QPainter& painter, const WaveEditorModel& model, const ShapeTables& shapes) {
    painter.fillRect(QRect(10, 10, 600, 200), QColor(0, 0, 0));
    PlotBuffer plot = computePlot(model.wave(), shapes, model.cosineView());
    QPolygon line;
    line.reserve(plotPointCount + 2);
    line << QPoint(10, plot.pixelY(0));
    for (int t = 0; t < plotPointCount; ++t)
        line << QPoint(t + 10, plot.pixelY(t));
    line << QPoint(609, plot.pixelY(plotPointCount - 1));
    painter.setPen(QPen(QColor(0, 255, 255), 1));
    painter.drawPolyline(line);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawLine(10, 110, 609, 110);
}

// A blue bar per harmonic, the cursor's in red, over a grey field.
void paintBars(QPainter& painter, const WaveData& wave, int current) {
    painter.fillRect(QRect(10, 220, 600, 200), QColor(196, 196, 196));
    for (int k = 0; k < static_cast<int>(harmonicCount); ++k)
        fillBar(painter, 12 + 6 * k, barHeight(wave[static_cast<std::size_t>(k)]),
                QColor(0, 0, 255));
    fillBar(painter, 6 * current + 6, barHeight(wave[static_cast<std::size_t>(current - 1)]),
            QColor(255, 0, 0));
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(10, 320, 609, 320);
}

// The overtone grid: unselected squares white, then selected ones black; separators under the
// cursor buttons and between the four 5 x 5 blocks of the grid.
void paintGrid(QPainter& painter, const WaveEditorModel& model) {
    for (int pass = 0; pass < 2; ++pass) {
        bool selectedPass = pass == 1;
        for (int index = 0; index < static_cast<int>(harmonicCount); ++index) {
            if (model.isSelected(index) != selectedPass)
                continue;
            int left = gridLeft + gridCellPixels * (index % 10);
            int top = gridTop + gridCellPixels * (index / 10);
            drawSquare(painter, left, top, selectedPass ? Qt::black : Qt::white);
        }
    }
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(640, 78, 889, 78);
    painter.drawLine(657, 322, 872, 322);
    painter.drawLine(657, 323, 872, 323);
    painter.drawLine(764, 219, 764, 425);
    painter.drawLine(765, 219, 765, 425);
}

} // namespace

void paintScreen(QPainter& painter, const WaveEditorModel& model, const ShapeTables& shapes) {
    paintValue(painter, model.wave(), model.currentOvertone());
    paintPlot(painter, model, shapes);
    paintBars(painter, model.wave(), model.currentOvertone());
    paintGrid(painter, model);
}

} // namespace vorel::wave
