#include "sequencer/GridChange.h"

#include <algorithm>

namespace vorel {
namespace {

// Copy phrase marks again the notes that start up to this many pages before the destination.
constexpr int remarkedPagesBefore = 6;

} // namespace

GridArea noteEditArea(int tick, int key) {
    return {tick, tickCount, key, key + 1};
}

GridArea copyPhraseArea(int to) {
    return {std::max(to - remarkedPagesBefore, 0) * ticksPerPage, tickCount, 0, keyCount};
}

GridChange GridChange::record(SequenceData& sequence, const GridArea& area,
                              const std::function<void()>& edit) {
    const int keys = area.endKey - area.firstKey;
    std::vector<NoteCell> before;
    before.reserve(static_cast<std::size_t>((area.endTick - area.firstTick) * keys));
    for (int tick = area.firstTick; tick < area.endTick; ++tick)
        for (int key = area.firstKey; key < area.endKey; ++key)
            before.push_back(sequence.cell(tick, key));
    edit();
    GridChange change;
    auto was = before.begin();
    for (int tick = area.firstTick; tick < area.endTick; ++tick)
        for (int key = area.firstKey; key < area.endKey; ++key, ++was)
            if (const NoteCell& now = sequence.cell(tick, key); !(now == *was))
                change.cells_.push_back({tick, key, *was, now});
    return change;
}

void GridChange::undo(SequenceData& sequence) const {
    for (const Cell& cell : cells_)
        sequence.cell(cell.tick, cell.key) = cell.before;
}

void GridChange::redo(SequenceData& sequence) const {
    for (const Cell& cell : cells_)
        sequence.cell(cell.tick, cell.key) = cell.after;
}

} // namespace vorel
