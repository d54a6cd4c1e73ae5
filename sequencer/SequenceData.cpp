#include "sequencer/SequenceData.h"

#include <algorithm>

namespace vorel {

const std::array<std::string_view, keyCount> keyNames{
    "A1",  "A#1", "B1",  "C2",  "C#2", "D2",  "D#2", "E2",  "F2",  "F#2", "G2",  "G#2", "A2",
    "A#2", "B2",  "C3",  "C#3", "D3",  "D#3", "E3",  "F3",  "F#3", "G3",  "G#3", "A3",  "A#3",
    "B3",  "C4",  "C#4", "D4",  "D#4", "E4",  "F4",  "F#4", "G4",  "G#4", "A4",  "A#4", "B4",
    "C5",  "C#5", "D5",  "D#5", "E5",  "F5",  "F#5", "G5",  "G#5", "A5",  "A#5", "B5",  "C6",
    "C#6", "D6",  "D#6", "E6",  "F6",  "F#6", "G6",  "G#6", "A6",  "A#6", "B6",  "C7",  "C#7",
    "D7",  "D#7", "E7",  "F7",  "F#7", "G7",  "G#7", "A7"};

const std::array<double, percentCount> percentTable{0.1, 0.2, 0.3, 0.4, 0.5,
                                                    0.6, 0.7, 0.8, 0.9, 1.0};
const std::array<std::string_view, percentCount> percentLabels{"10", "20", "30", "40", "50",
                                                               "60", "70", "80", "90", "100"};

SequenceData::SequenceData()
    : cells_(std::make_unique<NoteCell[]>(static_cast<std::size_t>(tickCount) * keyCount)) {}

void SequenceData::writeMarks(int tick, int key, int noteLength) {
    // mark 1 on ticks tick .. tick+n-2, then mark 2 on the last tick, both cut at the grid's end.
    const int last = tick + noteLength - 1;
    for (int t = tick; t <= last - 1 && t < tickCount; ++t)
        cell(t, key).mark = 1;
    if (last < tickCount)
        cell(last, key).mark = 2;
}

void SequenceData::placeNote(int tick, int key, int noteLength, int keyLengthIndex,
                             int velocityIndex) {
    NoteCell& start = cell(tick, key);
    start.noteLength = static_cast<std::int16_t>(noteLength);
    start.keyLengthIndex = static_cast<std::int16_t>(keyLengthIndex);
    start.velocityIndex = static_cast<std::int16_t>(velocityIndex);
    writeMarks(tick, key, noteLength);
}

void SequenceData::removeNote(int tick, int key) {
    NoteCell& start = cell(tick, key);
    if (start.noteLength == 0)
        return;
    const int end = std::min(tick + static_cast<int>(start.noteLength), tickCount);
    for (int t = tick; t < end; ++t)
        cell(t, key).mark = 0;
    start = NoteCell{};
}

void SequenceData::remarkNotes(int firstTick, int endTick) {
    for (int t = std::max(firstTick, 0); t < std::min(endTick, tickCount); ++t)
        for (int k = 0; k < keyCount; ++k)
            if (const NoteCell& c = cell(t, k); c.noteLength != 0)
                writeMarks(t, k, c.noteLength);
}

void SequenceData::clear() {
    std::fill_n(cells_.get(), static_cast<std::size_t>(tickCount) * keyCount, NoteCell{});
}

std::size_t SequenceData::noteCount() const {
    return static_cast<std::size_t>(
        std::count_if(cells_.get(), cells_.get() + static_cast<std::size_t>(tickCount) * keyCount,
                      [](const NoteCell& c) { return c.noteLength != 0; }));
}

bool SequenceData::sameNotes(const SequenceData& other) const {
    return std::equal(cells_.get(), cells_.get() + static_cast<std::size_t>(tickCount) * keyCount,
                      other.cells_.get());
}

void copyPhrase(SequenceData& sequence, int from, int to) {
    if (from == to || from < 0 || from >= pageCount || to < 0 || to >= pageCount)
        return;
    // Remove the destination's notes first, so the marks they wrote on the following pages go
    // with them instead of staying on screen with no note behind them.
    for (int i = 0; i < ticksPerPage; ++i)
        for (int k = 0; k < keyCount; ++k)
            sequence.removeNote(to * ticksPerPage + i, k);
    for (int i = 0; i < ticksPerPage; ++i) {
        for (int k = 0; k < keyCount; ++k) {
            const NoteCell& source = sequence.cell(from, i, k);
            NoteCell& destination = sequence.cell(to, i, k);
            destination.noteLength = source.noteLength;
            destination.keyLengthIndex = source.keyLengthIndex;
            destination.velocityIndex = source.velocityIndex;
            destination.mark = 0;
        }
    }
    // Notes that start up to six pages before the destination can run into it (384 ticks = four
    // pages); they and the copied notes are marked again.
    const int firstPage = std::max(to - 6, 0);
    const int lastPage = std::min(to + 6, pageCount - 1);
    sequence.remarkNotes(firstPage * ticksPerPage, lastPage * ticksPerPage + ticksPerPage);
}

void SequencerView::stepPage(int delta) {
    currentPage += delta;
    if (currentPage < 0)
        currentPage += pageCount;
    if (currentPage > pageCount - 1)
        currentPage -= pageCount;
}

void stepTempo(SequenceData& sequence, int delta) {
    sequence.tempo = std::clamp(sequence.tempo + delta, minTempo, maxTempo);
}

} // namespace vorel
