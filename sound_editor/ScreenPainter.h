#pragma once

#include "sequencer/SequenceData.h"

#include <QFont>
#include <QPoint>

#include <optional>

class QPainter;

namespace vorel::sound {

struct EditorState;

// Client-area geometry of the note grid: a column of 5 pixels per tick, a row of 6 pixels per
// key, key 72 in the top row.
namespace grid {
inline constexpr int left = 400;
inline constexpr int top = 92;
inline constexpr int tickWidth = 5;
inline constexpr int keyHeight = 6;
inline constexpr int width = ticksPerPage * tickWidth; // 480
inline constexpr int height = keyCount * keyHeight;    // 438

// The top pixel row of key `key`'s row, where a click picks that key.
constexpr int rowTop(int key) {
    return top + keyHeight * (keyCount - 1 - key);
}
} // namespace grid

// A cell of the page on screen.
struct GridSpot {
    int tickInPage; // 0..95
    int key;        // 0..72
};
// The cell under a client point, or nothing outside the grid.
std::optional<GridSpot> gridSpotAt(QPoint point);

// The font the window's texts are drawn in.
QFont screenFont();

// Draws the whole client area from the state: captions, names, tempo and page, the note grid
// with its division lines and notes, and the synthesizer values.
void paintScreen(QPainter& painter, const EditorState& state);

} // namespace vorel::sound
