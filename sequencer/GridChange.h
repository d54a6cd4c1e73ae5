#pragma once

#include "sequencer/SequenceData.h"

#include <cstddef>
#include <functional>
#include <vector>

namespace vorel {

// A rectangle of the grid: ticks [firstTick, endTick) of keys [firstKey, endKey).
struct GridArea {
    int firstTick;
    int endTick;
    int firstKey;
    int endKey;
};

// What Insert note can change on cell (tick, key): the key's row from the tick to the end of the
// grid, where the marks of the old and the new note lie.
GridArea noteEditArea(int tick, int key);
// What Copy phrase onto page `to` can change: every key from six pages before it (notes there are
// marked again) to the end of the grid (marks of the notes it removes or copies).
GridArea copyPhraseArea(int to);

// The cells an edit of the grid changed, as they were before and after it: what an undo step
// keeps instead of a copy of the grid.
class GridChange {
  public:
    // Runs `edit`, which changes `sequence` only inside `area`, and keeps the cells it changed.
    static GridChange record(SequenceData& sequence, const GridArea& area,
                             const std::function<void()>& edit);

    bool empty() const { return cells_.empty(); }
    std::size_t size() const { return cells_.size(); }
    void undo(SequenceData& sequence) const;
    void redo(SequenceData& sequence) const;

  private:
    struct Cell {
        int tick;
        int key;
        NoteCell before;
        NoteCell after;
    };
    std::vector<Cell> cells_;
};

} // namespace vorel
