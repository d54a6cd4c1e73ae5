#include "sound_editor_io/MidiFile.h"

#include "common/ByteOrder.h"
#include "common/FileIo.h"
#include "common/FileKinds.h"
#include "sound_editor_io/SequenceFile.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <limits>
#include <map>
#include <optional>
#include <string_view>
#include <tuple>

namespace vorel {
namespace {

constexpr int lowestNote = 33;                         // key 0, A1 (55 Hz)
constexpr int highestNote = lowestNote + keyCount - 1; // key 72, A7
constexpr int notesPerOctave = 12;
constexpr int drumChannel = 9; // channel 10 as players count them
constexpr int noteNumberCount = 128;
constexpr std::int64_t microsecondsPerMinute = 60'000'000;
constexpr int longestNote = std::numeric_limits<std::int16_t>::max(); // ticks a record can hold

constexpr std::uint8_t noteOffStatus = 0x80;
constexpr std::uint8_t noteOnStatus = 0x90;
constexpr std::uint8_t programChangeStatus = 0xC0;
constexpr std::uint8_t channelPressureStatus = 0xD0;
constexpr std::uint8_t systemExclusiveStatus = 0xF0;
constexpr std::uint8_t escapeStatus = 0xF7; // system-exclusive continuation or escaped bytes
constexpr std::uint8_t metaStatus = 0xFF;
constexpr std::uint8_t trackNameMeta = 0x03;
constexpr std::uint8_t endOfTrackMeta = 0x2F;
constexpr std::uint8_t tempoMeta = 0x51;
constexpr std::uint8_t timeSignatureMeta = 0x58;
constexpr std::uint8_t releaseVelocity = 64; // the usual velocity of a note-off

// Variable-length quantities (7 bits a byte, most significant first, the high bit set on every
// byte but the last), as MIDI files store them.
void appendVariableLength(std::vector<std::byte>& out, std::uint32_t value) {
    std::byte groups[5];
    int count = 0;
    do {
        groups[count++] = static_cast<std::byte>(value & 0x7Fu);
        value >>= 7;
    } while (value != 0);
    while (count > 1)
        out.push_back(groups[--count] | std::byte{0x80});
    out.push_back(groups[0]);
}

void appendBytes(std::vector<std::byte>& out, std::initializer_list<std::uint8_t> values) {
    for (std::uint8_t value : values)
        out.push_back(static_cast<std::byte>(value));
}

struct NoteEvent {
    std::uint32_t time; // MIDI ticks
    bool on;
    int tick; // the note's start cell, for the order of events at one time
    int key;
    std::uint8_t velocity;
};

std::vector<std::byte> trackEvents(const SequenceData& sequence) {
    std::vector<NoteEvent> events;
    for (int t = 0; t < tickCount; ++t) {
        for (int k = 0; k < keyCount; ++k) {
            const NoteCell& cell = sequence.cell(t, k);
            if (cell.noteLength == 0)
                continue;
            const auto start = static_cast<std::uint32_t>(midiTicksPerGridTick * t);
            // The key is held for (keyLengthIndex + 1) tenths of the note: in MIDI ticks, ten per
            // grid tick, that is noteLength * (keyLengthIndex + 1) exactly.
            const auto held =
                static_cast<std::uint32_t>(cell.noteLength * (cell.keyLengthIndex + 1));
            const auto velocity =
                static_cast<std::uint8_t>((127 * (cell.velocityIndex + 1) + 5) / 10);
            events.push_back({start, true, t, k, velocity});
            events.push_back({start + held, false, t, k, releaseVelocity});
        }
    }
    // Note-offs first at one time, so a note that ends where the next one on its key starts is
    // over before that one begins; otherwise grid order.
    std::stable_sort(events.begin(), events.end(), [](const NoteEvent& a, const NoteEvent& b) {
        return std::tie(a.time, a.on, a.tick, a.key) < std::tie(b.time, b.on, b.tick, b.key);
    });

    std::vector<std::byte> track;
    std::uint32_t now = 0;
    for (const NoteEvent& event : events) {
        appendVariableLength(track, event.time - now);
        now = event.time;
        appendBytes(track, {event.on ? noteOnStatus : noteOffStatus,
                            static_cast<std::uint8_t>(lowestNote + event.key), event.velocity});
    }
    appendVariableLength(track, 0);
    appendBytes(track, {metaStatus, endOfTrackMeta, 0});
    return track;
}

std::string hex(unsigned value) {
    constexpr std::string_view digits = "0123456789ABCDEF";
    return std::string("0x") + digits[(value >> 4) & 0xFu] + digits[value & 0xFu];
}

// Reads one chunk's bytes front to back; every read checks that the bytes are there. The first
// fault found is kept as the reason to refuse the file and ends the chunk: reads after it give 0.
class ChunkReader {
  public:
    ChunkReader(std::span<const std::byte> bytes, std::size_t fileOffset, std::string name)
        : bytes_(bytes), fileOffset_(fileOffset), name_(std::move(name)) {}

    bool atEnd() const { return position_ == bytes_.size(); }
    std::size_t left() const { return bytes_.size() - position_; }

    std::uint8_t byte() {
        if (atEnd()) {
            fail("ends in the middle of an event");
            return 0;
        }
        return std::to_integer<std::uint8_t>(bytes_[position_++]);
    }

    std::uint32_t tempo() {
        std::uint32_t value = 0;
        for (int i = 0; i < 3; ++i)
            value = (value << 8) | byte();
        return value;
    }

    // At most 4 bytes, 28 bits: the largest quantity a MIDI file may hold.
    std::uint32_t variableLength() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const std::uint8_t next = byte();
            value = (value << 7) | (next & 0x7Fu);
            if ((next & 0x80u) == 0)
                return value;
        }
        fail("has a variable-length number longer than 4 bytes");
        return 0;
    }

    void skip(std::uint32_t count) {
        if (count > left()) {
            fail("has an event of " + std::to_string(count) + " bytes running past its end");
            return;
        }
        position_ += count;
    }

    void fail(const std::string& what) {
        if (!status_)
            return; // the first fault is the one that tells
        status_ = Status::failure(name_ + " " + what + " (byte " +
                                  std::to_string(fileOffset_ + position_) + " of the file)");
        position_ = bytes_.size();
    }
    const Status& status() const { return status_; }

  private:
    std::span<const std::byte> bytes_;
    std::size_t position_ = 0;
    std::size_t fileOffset_; // where bytes_ starts in the file, for the reasons
    std::string name_;
    Status status_ = Status::success();
};

// A note as the file holds it, in MIDI ticks.
struct FileNote {
    std::int64_t start;
    std::int64_t end;
    int number;
    int velocity;
};

struct FileContents {
    std::vector<FileNote> notes; // in the order of their note-ons: track by track, event by event
    std::optional<std::uint32_t> microsecondsPerQuarter; // of the first tempo event
    int drumNotes = 0;
};

// The notes still sounding, earliest first, by channel * 128 + note number: only the numbers a
// track plays take room.
using OpenNotes = std::map<int, std::deque<std::size_t>>;

// A meta event, after its status byte. Returns false at the end of the track (or at a fault).
bool readMeta(ChunkReader& track, FileContents& contents) {
    const std::uint8_t type = track.byte();
    const std::uint32_t length = track.variableLength();
    if (type == endOfTrackMeta)
        return false;
    if (type != tempoMeta) {
        track.skip(length);
        return true;
    }
    if (length != 3) {
        track.fail("has a tempo event of " + std::to_string(length) + " bytes instead of 3");
        return false;
    }
    const std::uint32_t tempo = track.tempo(); // microseconds per quarter note
    if (!contents.microsecondsPerQuarter)
        contents.microsecondsPerQuarter = tempo;
    return true;
}

// A channel message whose status and first data byte are read: a note-on starts a note, a
// note-off (or a note-on at velocity 0) ends the earliest open note of its channel and number.
void readChannelMessage(ChunkReader& track, std::uint8_t status, std::uint8_t first,
                        std::int64_t time, FileContents& contents, OpenNotes& open) {
    const std::uint8_t kind = status & 0xF0u;
    const bool oneDataByte = kind == programChangeStatus || kind == channelPressureStatus;
    const std::uint8_t second = oneDataByte ? 0 : track.byte();
    if (first >= 0x80 || second >= 0x80) {
        track.fail("has a status byte where a data byte is needed");
        return;
    }
    const int channel = status & 0x0F;
    const bool noteOn = kind == noteOnStatus && second > 0;
    const bool noteOff = kind == noteOffStatus || (kind == noteOnStatus && second == 0);
    auto& sounding = open[channel * noteNumberCount + first];
    if (noteOn && channel == drumChannel) {
        ++contents.drumNotes;
    } else if (noteOn) {
        sounding.push_back(contents.notes.size());
        contents.notes.push_back({time, time, first, second});
    } else if (noteOff && !sounding.empty()) {
        contents.notes[sounding.front()].end = time;
        sounding.pop_front();
    }
}

Status readTrack(ChunkReader& track, FileContents& contents) {
    OpenNotes open;
    std::int64_t time = 0;
    std::uint8_t runningStatus = 0; // none yet
    while (!track.atEnd()) {
        time += track.variableLength();
        std::uint8_t status = track.byte();
        std::uint8_t first = 0; // the first data byte of a channel message
        if (status < 0x80) {
            if (runningStatus == 0) {
                track.fail("has a data byte (" + hex(status) + ") where a status byte is needed");
                break;
            }
            first = status;
            status = runningStatus;
        } else if (status < systemExclusiveStatus) {
            runningStatus = status;
            first = track.byte();
        }
        if (status == metaStatus) {
            if (!readMeta(track, contents))
                break;
        } else if (status == systemExclusiveStatus || status == escapeStatus) {
            track.skip(track.variableLength());
        } else if (status > systemExclusiveStatus) {
            track.fail("has the status byte " + hex(status) + ", which a MIDI file cannot hold");
            break;
        } else {
            readChannelMessage(track, status, first, time, contents, open);
        }
    }
    // Notes still sounding end with their track.
    for (const auto& [number, sounding] : open)
        for (std::size_t index : sounding)
            contents.notes[index].end = time;
    return track.status();
}

constexpr std::size_t chunkHeaderSize = 8; // 4-byte id, 4-byte big-endian length

bool hasId(std::span<const std::byte> bytes, std::size_t offset, std::string_view id) {
    return std::equal(id.begin(), id.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                      [](char c, std::byte b) { return std::to_integer<char>(b) == c; });
}

bool printableId(std::span<const std::byte> id) {
    return std::all_of(id.begin(), id.end(), [](std::byte b) {
        const auto c = std::to_integer<unsigned>(b);
        return c >= 0x20 && c < 0x7F;
    });
}

// The nearest grid tick of a time in MIDI ticks at `division` ticks per quarter note, halves up:
// a quarter note is 24 grid ticks.
std::int64_t nearestGridTick(std::int64_t midiTicks, std::int64_t division) {
    return (2 * ticksPerBeat * midiTicks + division) / (2 * division);
}

std::string countOf(int count, std::string_view what) {
    return std::to_string(count) + " " + std::string(what) + (count == 1 ? "" : "s");
}

std::string_view wasOrWere(int count) {
    return count == 1 ? "was" : "were";
}

} // namespace

std::vector<std::byte> encodeMidiFile(const SequenceData& sequence) {
    std::vector<std::byte> track;
    std::string_view name(sequence.sequenceName.data(), sequence.sequenceName.size());
    name = name.substr(0, name.find_last_not_of(' ') + 1); // npos + 1 == 0: all spaces
    if (!name.empty()) {
        appendVariableLength(track, 0);
        appendBytes(track, {metaStatus, trackNameMeta});
        appendVariableLength(track, static_cast<std::uint32_t>(name.size()));
        for (char c : name)
            track.push_back(static_cast<std::byte>(c));
    }
    appendVariableLength(track, 0);
    // 4/4, a metronome click every 24 MIDI clocks (a quarter note), 8 32nd notes per quarter.
    appendBytes(track, {metaStatus, timeSignatureMeta, 4, 4, 2, 24, 8});
    appendVariableLength(track, 0);
    appendBytes(track, {metaStatus, tempoMeta, 3});
    be::appendU24(track, static_cast<std::uint32_t>(microsecondsPerMinute / sequence.tempo));
    const std::vector<std::byte> notes = trackEvents(sequence);
    track.insert(track.end(), notes.begin(), notes.end());

    std::vector<std::byte> file;
    le::appendAscii(file, "MThd");
    be::appendU32(file, 6);                   // header length
    be::appendU16(file, 0);                   // format 0: one track
    be::appendU16(file, 1);                   // track count
    be::appendU16(file, midiTicksPerQuarter); // division
    le::appendAscii(file, "MTrk");
    be::appendU32(file, static_cast<std::uint32_t>(track.size()));
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

namespace {

struct FileHeader {
    std::uint32_t headerLength; // bytes of the header chunk's body
    std::uint32_t trackCount;   // "MTrk" chunks
    std::uint32_t division;     // ticks per quarter note
};

Result<FileHeader> readHeader(std::span<const std::byte> bytes) {
    using R = Result<FileHeader>;
    if (bytes.size() > maxMidiFileSize)
        return R::failure("a MIDI file holds at most 16 MiB, this one " +
                          std::to_string(bytes.size()) + " bytes");
    if (bytes.size() < chunkHeaderSize || !hasId(bytes, 0, "MThd"))
        return R::failure("it does not start with a MIDI file header");
    const std::uint32_t headerLength = be::readU32(bytes, 4);
    if (headerLength < 6 || headerLength > bytes.size() - chunkHeaderSize)
        return R::failure("its header chunk has " + std::to_string(headerLength) +
                          " bytes, not at least 6 within the file");
    const std::uint32_t format = be::readU16(bytes, 8); // 0 one track, 1 parallel tracks
    const FileHeader header{headerLength, be::readU16(bytes, 10), be::readU16(bytes, 12)};
    if (format == 2)
        return R::failure("it is a format-2 file (independent patterns), which has no single "
                          "timeline to import");
    if (format > 2)
        return R::failure("its format, " + std::to_string(format) + ", is not 0, 1 or 2");
    if ((header.division & 0x8000u) != 0)
        return R::failure("it is timed in SMPTE frames, not in ticks per quarter note");
    if (header.division == 0)
        return R::failure("its division is 0 ticks per quarter note");
    return R::success(header);
}

// The tracks' events. Chunks follow the header: tracks are "MTrk"; chunks of other kinds are
// skipped.
Status readTracks(std::span<const std::byte> bytes, const FileHeader& header,
                  FileContents& contents) {
    std::size_t offset = chunkHeaderSize + header.headerLength;
    for (std::uint32_t found = 0; found < header.trackCount;) {
        if (bytes.size() - offset < chunkHeaderSize)
            return Status::failure("the file ends before track " + std::to_string(found + 1) +
                                   " of " + std::to_string(header.trackCount));
        if (!printableId(bytes.subspan(offset, 4)))
            return Status::failure("the chunk at byte " + std::to_string(offset) +
                                   " has a damaged id");
        const std::uint32_t length = be::readU32(bytes, offset + 4);
        const std::size_t body = offset + chunkHeaderSize;
        if (length > bytes.size() - body)
            return Status::failure("the chunk at byte " + std::to_string(offset) + " declares " +
                                   std::to_string(length) + " bytes, but only " +
                                   std::to_string(bytes.size() - body) + " follow");
        if (hasId(bytes, offset, "MTrk")) {
            ChunkReader track(bytes.subspan(body, length), body,
                              "track " + std::to_string(found + 1));
            if (Status read = readTrack(track, contents); !read)
                return read;
            ++found;
        }
        offset = body + length;
    }
    return Status::success();
}

// A note of the file on the grid, or nothing when it starts past the grid's end.
std::optional<NoteRecord> gridNote(const FileNote& note, std::int64_t division,
                                   MidiImportReport& report) {
    const std::int64_t tick = nearestGridTick(note.start, division);
    if (tick >= tickCount) {
        ++report.droppedPastEnd;
        return std::nullopt;
    }
    int number = note.number;
    while (number < lowestNote)
        number += notesPerOctave;
    while (number > highestNote)
        number -= notesPerOctave;
    report.movedByOctaves += number != note.number;
    std::int64_t length =
        std::max<std::int64_t>(1, nearestGridTick(note.end - note.start, division));
    if (length > longestNote) {
        length = longestNote;
        ++report.shortened;
    }
    // The nearest ten-percent step of velocity / 127.
    const int velocityIndex = std::clamp((20 * note.velocity + 127) / 254 - 1, 0, percentCount - 1);
    return NoteRecord{static_cast<std::int16_t>(tick),
                      static_cast<std::int16_t>(number - lowestNote),
                      static_cast<std::int16_t>(length), percentCount - 1,
                      static_cast<std::int16_t>(velocityIndex)};
}

// The notes in grid order; of several notes on one start cell the last one in the file stays.
std::vector<NoteRecord> oneNotePerCell(std::vector<NoteRecord> notes, MidiImportReport& report) {
    std::stable_sort(notes.begin(), notes.end(), [](const NoteRecord& a, const NoteRecord& b) {
        return std::tie(a.tick, a.key) < std::tie(b.tick, b.key);
    });
    std::vector<NoteRecord> kept;
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const bool sameCellFollows = i + 1 < notes.size() && notes[i + 1].tick == notes[i].tick &&
                                     notes[i + 1].key == notes[i].key;
        if (sameCellFollows)
            ++report.replaced;
        else
            kept.push_back(notes[i]);
    }
    return kept;
}

} // namespace

Result<MidiImport> decodeMidiFile(std::span<const std::byte> bytes) {
    using R = Result<MidiImport>;
    const Result<FileHeader> header = readHeader(bytes);
    if (!header)
        return R::failure(header.error());
    FileContents contents;
    if (const Status read = readTracks(bytes, header.value(), contents); !read)
        return R::failure(read.error());

    MidiImport import;
    MidiImportReport& report = import.report;
    report.drumNotes = contents.drumNotes;
    std::vector<NoteRecord> notes;
    for (const FileNote& note : contents.notes)
        if (const auto onGrid = gridNote(note, header.value().division, report))
            notes.push_back(*onGrid);
    import.notes = oneNotePerCell(std::move(notes), report);

    // Without a tempo event a MIDI file plays at 120 beats per minute.
    const std::int64_t microseconds = contents.microsecondsPerQuarter.value_or(500'000);
    // Rounded, halves up; a tempo of 0 microseconds per quarter is as fast as it gets.
    report.fileTempo = static_cast<int>((2 * microsecondsPerMinute + microseconds) /
                                        (2 * std::max<std::int64_t>(microseconds, 1)));
    import.tempo = std::clamp(report.fileTempo, minTempo, maxTempo);
    report.tempoClamped = import.tempo != report.fileTempo;
    return R::success(std::move(import));
}

std::vector<std::string> MidiImportReport::sentences() const {
    std::vector<std::string> lines;
    auto add = [&](int count, std::string_view what, std::string_view which,
                   std::string_view change) {
        if (count > 0)
            lines.push_back(countOf(count, what) + std::string(which) + " " +
                            std::string(wasOrWere(count)) + " " + std::string(change));
    };
    add(movedByOctaves, "note", " outside the keys A1 to A7", "moved by whole octaves into them.");
    add(droppedPastEnd, "note", " starting after the last of the 80 pages", "dropped.");
    add(replaced, "note", "", "replaced by a later note of the file on the same tick and key.");
    add(drumNotes, "drum note", " (channel 10)", "skipped.");
    add(shortened, "note", " longer than 32767 ticks", "shortened to 32767 ticks.");
    if (tempoClamped)
        lines.push_back(
            "The tempo of " + std::to_string(fileTempo) + " beats per minute was changed to " +
            std::to_string(std::clamp(fileTempo, minTempo, maxTempo)) + ", within 80 to 220.");
    return lines;
}

void applyMidiImport(SequenceData& sequence, const MidiImport& import) {
    loadNotes(sequence, import.notes);
    sequence.tempo = import.tempo;
}

Status saveMidiFile(const std::string& path, const SequenceData& sequence) {
    return writeFileAtomically(path, encodeMidiFile(sequence));
}

Result<MidiImport> readMidiFile(const std::string& path) {
    auto bytes = readFileBytes(path, maxMidiFileSize);
    if (!bytes)
        return Result<MidiImport>::failure(bytes.error());
    Result<MidiImport> import = decodeMidiFile(bytes.value());
    if (!import)
        return Result<MidiImport>::failure(
            refusalReason(FileKind::midi, path, bytes.value(), import.error()));
    return import;
}

} // namespace vorel
