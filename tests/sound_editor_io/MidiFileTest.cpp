#include "sound_editor_io/MidiFile.h"
#include "common/FileIo.h"
#include "sound_editor_io/SequenceFile.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <tuple>

namespace vorel::test {
namespace {

// mido reads and writes the files on the other side: midi_fixtures.py beside this file.
class MidoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::system(VOREL_PYTHON " -c 'import mido' >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "python3-mido is not installed for " VOREL_PYTHON;
    }
    // Runs the fixture script; its output, one entry per line.
    std::vector<std::string> fixtures(const std::string& command, const std::string& midiPath) {
        const std::string out = folder_.file("fixtures.txt");
        const int status = std::system((VOREL_PYTHON " '" VOREL_MIDI_FIXTURES "' " + command +
                                        " '" + midiPath + "' > '" + out + "' 2>&1")
                                           .c_str());
        std::vector<std::string> lines;
        std::ifstream text(out);
        for (std::string line; std::getline(text, line);)
            lines.push_back(line);
        EXPECT_EQ(status, 0) << ::testing::PrintToString(lines);
        return lines;
    }
    TempFolder folder_;
};

TEST_F(MidoTest, ExportOfTheDemoHoldsEveryNoteAsHeldWhenRendered) {
    auto demo = readFileBytes(VOREL_EXAMPLES_DIR "/demo.vorelsqf", maxSequenceFileSize);
    ASSERT_TRUE(demo) << demo.error();
    const std::vector<NoteRecord> records = decodeSequenceFile(demo.value()).value();
    SequenceData sequence;
    loadNotes(sequence, records);
    sequence.sequenceName = nameFromTitle(u"demo");
    const std::string path = folder_.file("demo.mid");
    ASSERT_TRUE(saveMidiFile(path, sequence));

    // Start, note number, end, velocity, channel; in the order mido's notes are printed.
    constexpr int velocities[percentCount] = {13, 25, 38, 51, 64, 76, 89, 102, 114, 127};
    std::vector<std::tuple<int, int, int, int, int>> notes;
    for (const NoteRecord& r : records)
        notes.emplace_back(10 * r.tick, 33 + r.key,
                           10 * r.tick + r.noteLength * (r.keyLengthIndex + 1),
                           velocities[r.velocityIndex], 0);
    std::sort(notes.begin(), notes.end());
    std::vector<std::string> expected{"format 0", "division 240", "name demo", "time_signature 4 4",
                                      "tempo 500000"};
    for (const auto& [start, number, end, velocity, channel] : notes)
        expected.push_back("note " + std::to_string(start) + " " + std::to_string(number) + " " +
                           std::to_string(end) + " " + std::to_string(velocity) + " 0");
    // Also: no note-off follows a note-on at the same time, and every note ends.
    EXPECT_EQ(fixtures("dump", path), expected);
}

TEST_F(MidoTest, ImportMergesTracksRoundsToTheGridAndReportsWhatItChanged) {
    const std::string path = folder_.file("listed.mid");
    fixtures("listed", path);
    auto import = readMidiFile(path);
    ASSERT_TRUE(import) << import.error();
    EXPECT_EQ(import.value().notes,
              (std::vector<NoteRecord>{{0, 12, 24, 9, 7}, {12, 11, 24, 9, 2}, {96, 65, 2, 9, 9}}));
    EXPECT_EQ(import.value().tempo, 150);
    const MidiImportReport& report = import.value().report;
    EXPECT_EQ(report.drumNotes, 1);
    EXPECT_EQ(report.movedByOctaves, 2);
    EXPECT_EQ(report.sentences().size(), 2u);

    fixtures("edges", path);
    import = readMidiFile(path);
    ASSERT_TRUE(import) << import.error();
    // Each note-off ends the earliest open note of its number; a note still open ends with its
    // track; 7679.5 grid ticks round up past the end; 40000 ticks do not fit a record.
    EXPECT_EQ(import.value().notes, (std::vector<NoteRecord>{{0, 27, 48, 9, 4},
                                                             {0, 29, 24, 9, 0},
                                                             {0, 34, 240, 9, 7},
                                                             {0, 36, 32767, 9, 7},
                                                             {24, 27, 48, 9, 4},
                                                             {7679, 31, 24, 9, 7}}));
    EXPECT_EQ(import.value().tempo, 220);
    const MidiImportReport& edges = import.value().report;
    EXPECT_EQ(std::tie(edges.replaced, edges.droppedPastEnd, edges.shortened, edges.fileTempo,
                       edges.tempoClamped),
              std::make_tuple(1, 1, 1, 60000, true));
    const auto sentences = edges.sentences();
    ASSERT_EQ(sentences.size(), 4u);
    EXPECT_EQ(sentences.back(),
              "The tempo of 60000 beats per minute was changed to 220, within 80 to 220.");
}

TEST(MidiFileTest, NotesVelocitiesAndTemposSurviveAnExportAndImport) {
    SequenceData sequence;
    for (int v = 0; v < percentCount; ++v) {
        sequence.placeNote(100 * v, 0, 1 + v, percentCount - 1, v);
        sequence.placeNote(100 * v, keyCount - 1, 384, percentCount - 1, v);
    }
    sequence.placeNote(tickCount - 1, 40, 2, percentCount - 1, 3);
    TempFolder folder;
    const std::string path = folder.file("all.mid");
    sequence.tempo = 97;
    ASSERT_TRUE(saveMidiFile(path, sequence));
    auto import = readMidiFile(path);
    ASSERT_TRUE(import) << import.error();
    EXPECT_TRUE(import.value().report.sentences().empty());

    SequenceData loaded;
    loaded.placeNote(5, 5, 5, 5, 5); // replaced by the import
    applyMidiImport(loaded, import.value());
    EXPECT_TRUE(loaded.sameNotes(sequence));
    EXPECT_EQ(loaded.tempo, 97);

    for (int tempo = minTempo; tempo <= maxTempo; ++tempo) {
        SequenceData empty;
        empty.tempo = tempo;
        EXPECT_EQ(decodeMidiFile(encodeMidiFile(empty)).value().tempo, tempo);
    }
    EXPECT_FALSE(saveMidiFile(folder.file("missing/x.mid"), sequence));
}

std::vector<std::byte> bytesOf(std::initializer_list<int> values) {
    std::vector<std::byte> bytes;
    for (int value : values)
        bytes.push_back(static_cast<std::byte>(value));
    return bytes;
}

// A header chunk (format, track count, division), then one track chunk around `events`.
std::vector<std::byte> fileWith(int format, int tracks, int division,
                                std::initializer_list<int> events) {
    const int length = static_cast<int>(events.size());
    auto bytes = bytesOf(
        {'M', 'T', 'h', 'd', 0, 0, 0, 6,     0, format, 0, tracks, division >> 8, division & 0xFF,
         'M', 'T', 'r', 'k', 0, 0, 0, length});
    auto body = bytesOf(events);
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

TEST(MidiFileTest, DamagedFilesAreRefusedWithTheReason) {
    const std::initializer_list<int> note = {0, 0x90, 60, 100, 96, 0x80, 60, 0, 0, 0xFF, 0x2F, 0};
    ASSERT_TRUE(decodeMidiFile(fileWith(0, 1, 96, note)));
    auto badLength = fileWith(0, 1, 96, note);
    badLength[21] = std::byte{13};
    auto badId = fileWith(0, 1, 96, note);
    badId[14] = std::byte{0};
    auto shortHeader = fileWith(0, 1, 96, note);
    shortHeader[7] = std::byte{4};
    const struct {
        std::vector<std::byte> bytes;
        std::string reason;
    } cases[] = {
        {{}, "does not start with a MIDI file header"},
        {bytesOf({'R', 'I', 'F', 'F', 0, 0, 0, 6}), "does not start with a MIDI file header"},
        {shortHeader, "its header chunk has 4 bytes"},
        {std::vector<std::byte>(maxMidiFileSize + 1), "at most 16 MiB"},
        {fileWith(2, 1, 96, note), "format-2"},
        {fileWith(3, 1, 96, note), "its format, 3,"},
        {fileWith(0, 1, 0xE728, note), "SMPTE"},
        {fileWith(0, 1, 0, note), "division is 0"},
        {fileWith(1, 2, 96, note), "ends before track 2 of 2"},
        {badId, "chunk at byte 14 has a damaged id"},
        {badLength, "declares 13 bytes, but only 12 follow"},
        {fileWith(0, 1, 96, {0x81, 0x80, 0x80, 0x80, 0, 0x90, 60, 100}), "longer than 4 bytes"},
        {fileWith(0, 1, 96, {0, 60, 100}), "a data byte (0x3C) where a status byte is needed"},
        {fileWith(0, 1, 96, {0, 0xF4}), "status byte 0xF4"},
        {fileWith(0, 1, 96, {0, 0x90, 60, 0x90}), "status byte where a data byte is needed"},
        {fileWith(0, 1, 96, {0, 0xFF, 0x51, 2, 1, 2}), "tempo event of 2 bytes"},
        {fileWith(0, 1, 96, {0, 0xFF, 0x01, 9, 'a'}), "event of 9 bytes running past its end"},
        {fileWith(0, 1, 96, {0, 0x90, 60}), "track 1 ends in the middle of an event (byte 25"},
    };
    for (const auto& c : cases) {
        auto result = decodeMidiFile(c.bytes);
        ASSERT_FALSE(result) << c.reason;
        EXPECT_NE(result.error().find(c.reason), std::string::npos) << result.error();
    }

    // Every cut of a good file is refused.
    SequenceData sequence;
    sequence.placeNote(0, 0, 24, 9, 9);
    const auto good = encodeMidiFile(sequence);
    for (std::size_t size = 0; size < good.size(); ++size)
        EXPECT_FALSE(decodeMidiFile(std::span(good).first(size))) << size << " bytes";
}

} // namespace
} // namespace vorel::test
