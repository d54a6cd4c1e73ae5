// The MIDI file reader on any bytes. A refusal gives a reason. An accepted file gives notes that
// fit the grid (ticks 0..7679, keys 0..72, lengths 1..32767, the key held to the end, a velocity
// step 0..9), each on its own start cell, in grid order, a tempo within 80..220, and a report that
// counts nothing below zero. Written out again by the exporter and read back, the same notes
// start on the same cells with the same velocities and the tempo is kept; only the lengths of
// notes nested inside a longer note of the same key may pair up differently, since a note-off
// ends the earliest open note of its key.
#include "FuzzCheck.h"
#include "sequencer/SequenceData.h"
#include "sound_editor_io/MidiFile.h"

#include <string>
#include <vector>

using namespace vorel;
using fuzz::require;

namespace {

void requireFitsTheGrid(const MidiImport& import) {
    require(import.tempo >= minTempo && import.tempo <= maxTempo, "the tempo is within 80..220");
    const MidiImportReport& report = import.report;
    require(report.movedByOctaves >= 0 && report.droppedPastEnd >= 0 && report.replaced >= 0 &&
                report.drumNotes >= 0 && report.shortened >= 0,
            "the report counts nothing below zero");
    for (std::size_t i = 0; i < import.notes.size(); ++i) {
        const NoteRecord& note = import.notes[i];
        require(note.tick >= 0 && note.tick < tickCount, "a note starts inside the grid");
        require(note.key >= 0 && note.key < keyCount, "a note is on one of the 73 keys");
        require(note.noteLength >= 1, "a note lasts at least one tick");
        require(note.keyLengthIndex == percentCount - 1, "the key is held to the note's end");
        require(note.velocityIndex >= 0 && note.velocityIndex < percentCount,
                "the velocity is one of the ten steps");
        if (i > 0) {
            const NoteRecord& before = import.notes[i - 1];
            require(before.tick < note.tick || (before.tick == note.tick && before.key < note.key),
                    "the notes are in grid order, one per start cell");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Result<MidiImport> import = decodeMidiFile(fuzz::bytesOf(data, size));
    if (!import) {
        require(!import.error().empty(), "a refused file is refused with a reason");
        return 0;
    }
    requireFitsTheGrid(import.value());

    SequenceData sequence;
    applyMidiImport(sequence, import.value());
    const Result<MidiImport> again = decodeMidiFile(encodeMidiFile(sequence));
    require(again.ok(), "the exporter's file is read back");
    require(again.value().tempo == import.value().tempo, "the tempo survives a round trip");
    const std::vector<NoteRecord>& before = import.value().notes;
    const std::vector<NoteRecord>& after = again.value().notes;
    require(after.size() == before.size(), "every note survives a round trip");
    for (std::size_t i = 0; i < before.size(); ++i)
        require(after[i].tick == before[i].tick && after[i].key == before[i].key &&
                    after[i].velocityIndex == before[i].velocityIndex,
                "each note keeps its start cell and velocity");
    return 0;
}
