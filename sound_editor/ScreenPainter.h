#pragma once

#include <QFont>

class QPainter;

namespace vorel {

struct EditorState;

// Client-area geometry of the note grid: 5 pixels per tick, 6 per key, key 72 in the top row.
namespace grid {
inline constexpr int left = 400;
inline constexpr int top = 92;
inline constexpr int width = 480;  // 96 ticks x 5
inline constexpr int height = 438; // 73 keys x 6
inline constexpr int tickWidth = 5;
inline constexpr int keyHeight = 6;
} // namespace grid

// The font the window's texts are drawn in.
QFont screenFont();

// Draws the whole client area from the state: captions, names, tempo and page, the note grid
// with its division lines and notes, and the synthesizer values.
void paintScreen(QPainter& painter, const EditorState& state);

} // namespace vorel
