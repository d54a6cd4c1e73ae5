#include "sound_editor_io/SequenceFile.h"

#include "common/ByteOrder.h"

#include <algorithm>
#include <string>

namespace vorel {

std::vector<std::byte> encodeSequenceFile(const SequenceData& sequence) {
    std::vector<std::byte> bytes;
    bytes.reserve(sequence.noteCount() * noteRecordSize);
    for (int t = 0; t < tickCount; ++t) {
        for (int k = 0; k < keyCount; ++k) {
            const NoteCell& cell = sequence.cell(t, k);
            if (cell.noteLength == 0)
                continue;
            le::appendI16(bytes, static_cast<std::int16_t>(t));
            le::appendI16(bytes, static_cast<std::int16_t>(k));
            le::appendI16(bytes, cell.noteLength);
            le::appendI16(bytes, cell.keyLengthIndex);
            le::appendI16(bytes, cell.velocityIndex);
        }
    }
    return bytes;
}

Result<std::vector<NoteRecord>> decodeSequenceFile(std::span<const std::byte> bytes) {
    using R = Result<std::vector<NoteRecord>>;
    // Past the largest grid's worth of records the rest of a file is ignored.
    bytes = bytes.first(std::min(bytes.size(), maxSequenceFileSize));
    if (bytes.size() % noteRecordSize != 0)
        return R::failure("its length, " + std::to_string(bytes.size()) +
                          " bytes, is not a whole number of 10-byte note records");
    std::vector<NoteRecord> notes;
    for (std::size_t offset = 0; offset < bytes.size(); offset += noteRecordSize) {
        NoteRecord note{le::readI16(bytes, offset), le::readI16(bytes, offset + 2),
                        le::readI16(bytes, offset + 4), le::readI16(bytes, offset + 6),
                        le::readI16(bytes, offset + 8)};
        if (note.noteLength == 0)
            break; // the end of the sequence
        const std::string number = std::to_string(offset / noteRecordSize + 1);
        auto inRange = [](int value, int low, int high) { return value >= low && value <= high; };
        if (!inRange(note.tick, 0, tickCount - 1))
            return R::failure("note record " + number + " starts at tick " +
                              std::to_string(note.tick) + ", outside 0..7679");
        if (!inRange(note.key, 0, keyCount - 1))
            return R::failure("note record " + number + " has key " + std::to_string(note.key) +
                              ", outside 0..72");
        if (note.noteLength < 1)
            return R::failure("note record " + number + " has length " +
                              std::to_string(note.noteLength) + ", below 1");
        if (!inRange(note.keyLengthIndex, 0, percentCount - 1))
            return R::failure("note record " + number + " has key length index " +
                              std::to_string(note.keyLengthIndex) + ", outside 0..9");
        if (!inRange(note.velocityIndex, 0, percentCount - 1))
            return R::failure("note record " + number + " has velocity index " +
                              std::to_string(note.velocityIndex) + ", outside 0..9");
        notes.push_back(note);
    }
    return R::success(std::move(notes));
}

void loadNotes(SequenceData& sequence, std::span<const NoteRecord> notes) {
    sequence.clear();
    for (const NoteRecord& note : notes)
        sequence.placeNote(note.tick, note.key, note.noteLength, note.keyLengthIndex,
                           note.velocityIndex);
}

} // namespace vorel
