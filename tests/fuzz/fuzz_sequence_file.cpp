// The sequence file reader against its rules, written out here on their own. Of a file only the
// first 5,606,400 bytes count; their length must be a multiple of 10; the records are read up to
// the first with length 0, and each before it needs tick 0..7679, key 0..72, length at least 1
// and both indexes 0..9, or the file is refused with a reason that names the record. An
// accepted file's notes, placed on the grid and saved again, give the records in grid order with
// the last record of each start cell winning.
#include "FuzzCheck.h"
#include "sequencer/SequenceData.h"
#include "sound_editor_io/SequenceFile.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

using namespace vorel;
using fuzz::require;

namespace {

constexpr std::size_t recordBytes = 10;
constexpr std::size_t countedBytes = 7680 * 73 * recordBytes;

struct Expected {
    bool accepted = true;
    std::size_t badRecord = 0; // 1-based number of the first bad record; 0 for a bad length
    std::vector<NoteRecord> notes;
};

Expected readRules(std::span<const std::byte> bytes) {
    Expected expected;
    const std::size_t counted = std::min(bytes.size(), countedBytes);
    if (counted % recordBytes != 0) {
        expected.accepted = false;
        return expected;
    }
    auto inRange = [](int value, int low, int high) { return low <= value && value <= high; };
    for (std::size_t offset = 0; offset < counted; offset += recordBytes) {
        std::int16_t field[5];
        for (std::size_t f = 0; f < 5; ++f)
            field[f] = static_cast<std::int16_t>(fuzz::littleEndian(bytes, offset + 2 * f, 2));
        const NoteRecord note{field[0], field[1], field[2], field[3], field[4]};
        if (note.noteLength == 0)
            break;
        if (!inRange(note.tick, 0, 7679) || !inRange(note.key, 0, 72) || note.noteLength < 1 ||
            !inRange(note.keyLengthIndex, 0, 9) || !inRange(note.velocityIndex, 0, 9)) {
            expected.accepted = false;
            expected.badRecord = offset / recordBytes + 1;
            return expected;
        }
        expected.notes.push_back(note);
    }
    return expected;
}

// The file a grid holding these notes saves: one record per start cell, the last one placed
// there, in order of tick and then key.
std::vector<std::byte> savedForm(const std::vector<NoteRecord>& notes) {
    std::map<std::pair<int, int>, NoteRecord> cells;
    for (const NoteRecord& note : notes)
        cells[{note.tick, note.key}] = note;
    std::vector<std::byte> bytes;
    for (const auto& [cell, note] : cells)
        for (std::int16_t field :
             {note.tick, note.key, note.noteLength, note.keyLengthIndex, note.velocityIndex}) {
            bytes.push_back(static_cast<std::byte>(field & 0xFF));
            bytes.push_back(static_cast<std::byte>((field >> 8) & 0xFF));
        }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto bytes = fuzz::bytesOf(data, size);
    const Expected expected = readRules(bytes);

    const auto notes = decodeSequenceFile(bytes);
    require(notes.ok() == expected.accepted,
            expected.accepted ? "a good sequence file is refused" : "a bad sequence file is taken");
    if (!notes) {
        require(!notes.error().empty(), "a refusal without a reason");
        if (expected.badRecord != 0)
            require(notes.error().find("record " + std::to_string(expected.badRecord) + " ") !=
                        std::string::npos,
                    "the refusal does not name the first bad record");
        return 0;
    }
    require(notes.value() == expected.notes, "the notes differ from the file's records");
    static SequenceData grid;
    loadNotes(grid, notes.value());
    require(encodeSequenceFile(grid) == savedForm(expected.notes),
            "the loaded notes do not save as the file's records");
    return 0;
}
