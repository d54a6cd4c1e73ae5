#pragma once

#include "common/DisplayName.h"
#include "common/SoundConstants.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace vorel {

inline constexpr int ticksPerBeat = 24;
inline constexpr int ticksPerPage = 96; // one 4/4 bar
inline constexpr int pageCount = 80;
inline constexpr int tickCount = ticksPerPage * pageCount; // 7680
inline constexpr int minTempo = 80;                        // beats per minute
inline constexpr int maxTempo = 220;
inline constexpr int startTempo = 120;
inline constexpr int minNoteLength = 3; // ticks, as the note dialog offers them
inline constexpr int maxNoteLength = 384;

// Key names "A1", "A#1", "B1", "C2", ... "A7", index = key.
extern const std::array<std::string_view, keyCount> keyNames;

// Key-length and velocity fractions 0.1 .. 1.0, shown "10" .. "100".
inline constexpr int percentCount = 10;
extern const std::array<double, percentCount> percentTable;
extern const std::array<std::string_view, percentCount> percentLabels;

// One cell of the grid.
struct NoteCell {
    std::int16_t noteLength = 0;     // ticks of the note that starts here; 0 = none starts here
    std::int16_t keyLengthIndex = 0; // into percentTable: fraction of the length the key is held
    std::int16_t velocityIndex = 0;  // into percentTable: loudness
    std::int16_t mark = 0;           // 0 not covered, 1 covered (drawn), 2 last tick of a note
    bool operator==(const NoteCell&) const = default;
};

// One note as a sequence file stores it.
struct NoteRecord {
    std::int16_t tick = 0; // absolute tick of the start, page * 96 + tick in page
    std::int16_t key = 0;
    std::int16_t noteLength = 0;
    std::int16_t keyLengthIndex = 0;
    std::int16_t velocityIndex = 0;
    bool operator==(const NoteRecord&) const = default;
};

// The note grid (7680 ticks x 73 keys, tick-major), the tempo and the sequence's name.
class SequenceData {
  public:
    SequenceData();

    NoteCell& cell(int tick, int key) { return cells_[index(tick, key)]; }
    const NoteCell& cell(int tick, int key) const { return cells_[index(tick, key)]; }
    NoteCell& cell(int page, int tickInPage, int key) {
        return cell(page * ticksPerPage + tickInPage, key);
    }
    const NoteCell& cell(int page, int tickInPage, int key) const {
        return cell(page * ticksPerPage + tickInPage, key);
    }

    // Writes the note into its start cell and marks the cells it covers. A note running past the
    // last tick keeps its length; its marks stop at the end of the grid.
    void placeNote(int tick, int key, int noteLength, int keyLengthIndex, int velocityIndex);
    // Clears the marks of the cells the note starting here covers, then the start cell.
    void removeNote(int tick, int key);
    // Marks again every note that starts in [firstTick, endTick).
    void remarkNotes(int firstTick, int endTick);
    void clear();

    // Every note in grid order (tick ascending, then key ascending).
    std::size_t noteCount() const;

    int tempo = startTempo; // beats per minute, 80..220
    DisplayName sequenceName = blankName();

    bool sameNotes(const SequenceData& other) const;

  private:
    static std::size_t index(int tick, int key) {
        return static_cast<std::size_t>(tick) * keyCount + static_cast<std::size_t>(key);
    }
    void writeMarks(int tick, int key, int noteLength);
    std::unique_ptr<NoteCell[]> cells_;
};

// Copies the notes that start on page `from` onto page `to`, replacing every note that started
// there, and marks again the notes around it. Pages are 0..79; from == to changes nothing.
void copyPhrase(SequenceData& sequence, int from, int to);

// The division-line buttons, in the order they are drawn.
enum class Division { quarter, eighth, twelfth, sixteenth, twentyFourth, thirtySecond };
inline constexpr int divisionCount = 6;
// Ticks per division line: "1/4" 24, "1/8" 12, "1/12" 8, "1/16" 6, "1/24" 4, "1/32" 3.
inline constexpr std::array<int, divisionCount> divisionTicks{24, 12, 8, 6, 4, 3};

// The editing state beside the sequence: the page on screen, division lines, values offered for
// a new note.
struct SequencerView {
    int currentPage = 0;                             // 0..79, shown 1..80
    std::array<bool, divisionCount> divisionLines{}; // indexed by Division
    int lastNoteLength = 24;                         // ticks
    int lastKeyLengthIndex = 7;                      // "80"
    int lastVelocityIndex = 7;                       // "80"

    // "<<", "<", ">", ">>": move by -10, -1, +1, +10 pages, wrapping around the 80 pages.
    void stepPage(int delta);
    void toggleDivision(Division division) {
        auto& flag = divisionLines[static_cast<std::size_t>(division)];
        flag = !flag;
    }
};

// "UP", "up", "down", "DOWN": change the tempo by delta, kept within 80..220.
void stepTempo(SequenceData& sequence, int delta);

} // namespace vorel
