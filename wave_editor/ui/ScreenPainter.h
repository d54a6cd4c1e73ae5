#pragma once

class QPainter;

namespace vorel::wave {

struct ShapeTables;
class WaveEditorModel;

// Draws the whole client area from the model: the value of the overtone under the cursor, one
// period of the wave, the harmonic bars and the overtone grid with its separators.
void paintScreen(QPainter& painter, const WaveEditorModel& model, const ShapeTables& shapes);

} // namespace vorel::wave
