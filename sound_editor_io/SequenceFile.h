#pragma once

#include "common/Result.h"
#include "sequencer/SequenceData.h"

#include <cstddef>
#include <span>
#include <vector>

namespace vorel {

// A sequence file: one 10-byte record (five little-endian int16: tick, key, noteLength,
// keyLengthIndex, velocityIndex) per note, in grid order, no header.
inline constexpr std::size_t noteRecordSize = 10;
inline constexpr std::size_t maxNoteRecords = static_cast<std::size_t>(tickCount) * keyCount;
inline constexpr std::size_t maxSequenceFileSize = maxNoteRecords * noteRecordSize; // 5,606,400

std::vector<std::byte> encodeSequenceFile(const SequenceData& sequence);

// The notes of a file, checked: its length must be a multiple of 10, and every record before the
// end (the end of the data or the first record of length 0) must have tick 0..7679, key 0..72,
// length at least 1 and both indexes 0..9. Bytes past 5,606,400 are ignored.
Result<std::vector<NoteRecord>> decodeSequenceFile(std::span<const std::byte> bytes);

// Empties the grid and places the notes in file order. Tempo and name are left alone.
void loadNotes(SequenceData& sequence, std::span<const NoteRecord> notes);

} // namespace vorel
