#pragma once

#include "common/Result.h"
#include "sequencer/SequenceData.h"

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace vorel {

// Standard MIDI Files. A grid tick is 10 MIDI ticks at the 240 ticks per quarter note we write, so
// every key-length fraction of a note falls on a whole MIDI tick.
inline constexpr int midiTicksPerQuarter = 240;
inline constexpr int midiTicksPerGridTick = midiTicksPerQuarter / ticksPerBeat; // 10
// A larger file is refused unread: a full grid takes about 5 MB.
inline constexpr std::size_t maxMidiFileSize = std::size_t{16} << 20;

// A format-0 file at 240 ticks per quarter note in 4/4 with one tempo event (the sequence's tempo)
// and the sequence's name, trailing spaces trimmed, as the track name. Every note is a note-on
// and a note-off on channel 1: note number 33 + key, velocity (127 * (velocityIndex + 1) + 5) / 10,
// held for noteLength * (keyLengthIndex + 1) MIDI ticks, the part of the note the key is held
// when it is rendered. Note-offs come before note-ons at the same time.
std::vector<std::byte> encodeMidiFile(const SequenceData& sequence);

// What an import had to change to fit the file into the grid.
struct MidiImportReport {
    int movedByOctaves = 0;    // note numbers outside 33..105, moved by whole octaves into range
    int droppedPastEnd = 0;    // notes starting at tick 7680 or later
    int replaced = 0;          // notes whose start cell a later note of the file took
    int drumNotes = 0;         // notes on channel 10, skipped
    int shortened = 0;         // notes longer than a sequence file can store, cut to 32767 ticks
    int fileTempo = 0;         // the file's first tempo in beats per minute, rounded; 120 if none
    bool tempoClamped = false; // fileTempo was outside 80..220

    // One sentence per kind of change, for a message box or a terminal; empty when the file fit.
    std::vector<std::string> sentences() const;
};

// The notes of a file in grid order (tick, then key), its tempo within 80..220, and the report.
struct MidiImport {
    std::vector<NoteRecord> notes;
    int tempo = startTempo;
    MidiImportReport report;
};

// Reads a format-0 or format-1 file with a division in ticks per quarter note. All tracks and
// channels are merged except channel 10 (drums); meta and system-exclusive events are skipped.
// A damaged or truncated file, a file larger than 16 MiB, a format-2 file and one timed in SMPTE
// frames are refused with the reason. Safe on any bytes.
Result<MidiImport> decodeMidiFile(std::span<const std::byte> bytes);

// Replaces the notes and the tempo of the sequence with the import, like loading a sequence file.
// The name is left alone.
void applyMidiImport(SequenceData& sequence, const MidiImport& import);

Status saveMidiFile(const std::string& path, const SequenceData& sequence);
// Reads and decodes a file; nothing is changed.
Result<MidiImport> readMidiFile(const std::string& path);

} // namespace vorel
