#include "wave_editor/Drawing.h"

#include "common/Conversion.h"
#include "common/SoundConstants.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vorel::wave {
namespace {

constexpr double plotHalfHeight = 95.0; // pixels from the zero line to a full-scale peak
constexpr int plotZeroRow = 110;        // the pixel row of the plot's zero line
// Pixel offsets are clamped to this, far outside the window, so that a huge value cannot overflow
// the pixel arithmetic.
constexpr int pixelOffsetLimit = 100000;

// One entry of a shape table, in the order ((h * t) * 2pi) / plotPointCount.
double shapeAngle(int harmonic, int t) {
    return (static_cast<double>(harmonic * t) * drawingTwoPi) / plotPointCount;
}

} // namespace

ShapeTables::ShapeTables() {
    for (int h = 1; h <= static_cast<int>(harmonicCount); ++h) {
        for (int t = 0; t < plotPointCount; ++t) {
            sine[h - 1][t] = std::sin(shapeAngle(h, t));
        }
    }
    for (int h = 1; h <= static_cast<int>(harmonicCount); ++h) {
        for (int t = 0; t < plotPointCount; ++t) {
            cosine[h - 1][t] = std::cos(shapeAngle(h, t));
        }
    }
}

PlotBuffer computePlot(const WaveData& wave, const ShapeTables& shapes, bool cosineView) {
    const auto& table = cosineView ? shapes.cosine : shapes.sine;
    PlotBuffer plot;
    double largest = 0.0;
    for (int t = 0; t < plotPointCount; ++t) {
        double y = 0.0;
        for (std::size_t h = 0; h < harmonicCount; ++h)
            y = y + table[h][t] * wave[h];
        plot.points[t] = y;
        largest = std::max(largest, std::fabs(y));
    }
    plot.scale = std::max(1.0, largest);
    return plot;
}

int PlotBuffer::pixelY(int t) const {
    int offset = truncateTo<int>((points[t] * plotHalfHeight) / scale);
    return plotZeroRow - std::clamp(offset, -pixelOffsetLimit, pixelOffsetLimit);
}

GridHitMap::GridHitMap() {
    for (int a = 0; a < gridSizePixels; ++a)
        for (int b = 0; b < gridSizePixels; ++b)
            inside_[a][b] =
                (a % gridCellPixels < gridSquarePixels && b % gridCellPixels < gridSquarePixels)
                    ? 1
                    : 0;
}

int GridHitMap::overtoneAt(int x, int y) const {
    int a = x - gridLeft;
    int b = y - gridTop;
    if (a < 0 || a >= gridSizePixels || b < 0 || b >= gridSizePixels || !hit(a, b))
        return -1;
    return a / gridCellPixels + gridColumns * (b / gridCellPixels);
}

int barHeight(double coefficient) {
    return std::clamp(truncateTo<int>(coefficient * plotHalfHeight), -pixelOffsetLimit,
                      pixelOffsetLimit);
}

std::string valueText(int overtone, double coefficient) {
    char text[32];
    char sign = coefficient < 0.0 ? '-' : '+';
    double magnitude = std::fabs(coefficient);
    if (magnitude < 2.147483647) {
        // The count of billionths, plus one, fits a signed 32-bit integer below this magnitude.
        long long m = truncateTo<long long>(magnitude * 1e9) + 1;
        long long whole = m / 1000000000;
        long long fraction = (m % 1000000000) / 100; // the first seven of the nine decimals
        std::snprintf(text, sizeof text, "%03d:%c%lld.%07lld", overtone, sign, whole, fraction);
    } else {
        // Ten characters remain after "NNN:": the sign and "d.ddde+XX", or "d.dde+XXX".
        char mantissa[24];
        std::snprintf(mantissa, sizeof mantissa, "%.3e", magnitude);
        if (std::string(mantissa).size() > 9)
            std::snprintf(mantissa, sizeof mantissa, "%.2e", magnitude);
        std::snprintf(text, sizeof text, "%03d:%c%s", overtone, sign, mantissa);
    }
    return text;
}

} // namespace vorel::wave
