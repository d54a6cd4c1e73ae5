#pragma once

#include "common/WaveData.h"

#include <array>
#include <cstdint>
#include <string>

namespace vorel::wave {

// One period of the wave is drawn with this many points.
inline constexpr int plotPointCount = 599;

// Sine and cosine of each harmonic over one drawn period, so drawing only multiplies and adds.
struct ShapeTables {
    ShapeTables();
    // [h - 1][t]: sin or cos(((h * t) * drawingTwoPi) / plotPointCount).
    std::array<std::array<double, plotPointCount>, harmonicCount> sine;
    std::array<std::array<double, plotPointCount>, harmonicCount> cosine;
};

// The drawn wave: one period summed from the shape tables, and the scale that fits it into the
// wave area (1.0 for a wave within +-1.0, else its largest magnitude).
struct PlotBuffer {
    std::array<double, plotPointCount> points{};
    double scale = 1.0;
    // Pixel row of point t: 110 - trunc((y * 95) / scale).
    int pixelY(int t) const;
};
PlotBuffer computePlot(const WaveData& wave, const ShapeTables& shapes, bool cosineView);

// The overtone grid: 10 x 10 cells of 20 pixels, with its top left at client pixel (667, 225).
// Overtone index i (0..99) sits in column i % 10 and row i / 10.
inline constexpr int gridLeft = 667;
inline constexpr int gridTop = 225;
inline constexpr int gridColumns = 10;
inline constexpr int gridCellPixels = 20;
inline constexpr int gridSizePixels = gridColumns * gridCellPixels;
// The clickable square at the top left of each cell, in pixels per side; the rest of the cell is
// the gap between squares.
inline constexpr int gridSquarePixels = 17;
static_assert(gridColumns * gridColumns == static_cast<int>(harmonicCount));

// Which grid pixels lie inside a clickable square.
class GridHitMap {
  public:
    GridHitMap();
    bool hit(int a, int b) const {
        return inside_[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] == 1;
    }
    // The overtone index (0..99) under client pixel (x, y), or -1 for a gap or outside the grid.
    int overtoneAt(int x, int y) const;

  private:
    std::array<std::array<std::uint8_t, gridSizePixels>, gridSizePixels> inside_{};
};

// Height in pixels of the bar of a coefficient: trunc(c * 95); positive bars rise from y = 320.
int barHeight(double coefficient);

// The 14-character value display of the overtone under the cursor, such as "012:+1.0000000".
// Magnitudes of 2.147483647 and above are shown in scientific form ("012:+2.500e+00").
std::string valueText(int overtone, double coefficient);

} // namespace vorel::wave
