#pragma once

#include "common/FileIo.h"
#include "common/Result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorel {

// The documents the programs keep recovery copies of, each copy in the document's own format.
enum class DocumentKind { sequence, sound, wave };

// Each kind's word in an index and in the copies' file names, and the suffix of its files.
struct DocumentKindNames {
    DocumentKind kind;
    std::string_view word;
    std::string_view suffix;
};
inline constexpr DocumentKindNames documentKinds[] = {
    {DocumentKind::sequence, "sequence", "vorelsqf"},
    {DocumentKind::sound, "sound", "vorelsf"},
    {DocumentKind::wave, "wave", "vorelwf"},
};
const DocumentKindNames& namesOf(DocumentKind kind);

// One document named by an index: a modified one by its copy, an unmodified one by the file it
// was loaded from (or saved to), to be loaded again from there.
struct RecoveryEntry {
    DocumentKind kind = DocumentKind::sequence;
    std::string file;         // the copy: a plain file name inside the recovery folder; empty: none
    std::string name;         // the document's name as the program showed it; empty: unnamed
    std::string originalPath; // the file it was loaded from or saved to; empty: none
    // For a document without a copy: what originalPath held when the document was loaded.
    std::optional<FileFingerprint> fromFile;
    bool operator==(const RecoveryEntry&) const = default;
};

// A process, told apart from a later one given the same id by its start time (clock ticks after
// boot, from /proc; 0 where that is not known).
struct ProcessIdentity {
    long id = 0;
    std::uint64_t startTime = 0;
    bool operator==(const ProcessIdentity&) const = default;
};

ProcessIdentity currentProcess();
// False once the process has ended (a zombie has ended), or its id belongs to a later process.
bool isRunning(const ProcessIdentity& process);

// The small text file beside the copies of one process: which program and process wrote them,
// the sound editor's tempo and page on screen, and each copy.
//
//     vorel recovery 1
//     program vorel-sound-editor
//     process 4711 1234567
//     tempo 132
//     page 3
//     document sequence
//     file vorel-sound-editor-4711-1234567-sequence.vorelsqf
//     name demo
//     path /home/ada/demo.vorelsqf
//     document wave
//     name saw
//     path /home/ada/saw.vorelwf
//     size 800
//     checksum 0e5fd385fa17c1ef
//
// One entry a line, a word and its value; "file", "name", "path", "size" and "checksum" belong to
// the document above them. A document has either a file (its copy) or a path, a size and a
// checksum (16 hex digits, fingerprintOf): an index written before unmodified documents were
// named holds only copies. In values a backslash is written "\\" and a line break "\n".
struct RecoveryIndex {
    std::string program;
    ProcessIdentity process;
    std::optional<int> tempo; // beats per minute
    std::optional<int> page;  // 0-based
    std::vector<RecoveryEntry> documents;
    bool operator==(const RecoveryIndex&) const = default;
};

std::string encodeRecoveryIndex(const RecoveryIndex& index);
// Refuses, naming the line, anything but the entries above once each (per document), a document
// with neither a file nor a path, size and checksum (or with a file and a size or checksum), a
// file name that is not a plain name in the folder, and two documents of one kind.
Result<RecoveryIndex> decodeRecoveryIndex(std::string_view text);

// Where the copies live: $XDG_STATE_HOME/vorel/recovery, or ~/.local/state/vorel/recovery when
// XDG_STATE_HOME is unset or not an absolute path. Empty when neither variable gives a place.
std::string recoveryFolderFrom(const char* stateHome, const char* home);
// The same from this process's environment.
std::string recoveryFolder();

// Copies whose process no longer runs.
struct LeftWork {
    std::string indexPath;
    RecoveryIndex index;
};
struct LeftWorkSearch {
    std::vector<LeftWork> found;      // oldest index first
    std::vector<std::string> damaged; // "PATH: reason" of each index that could not be read
};

// The copies `program` left in `folder` behind processes that no longer run. Those of other
// programs and of running processes are not touched. An index that cannot be read is set aside
// (renamed to end in ".damaged"), so it is reported once and never read again.
LeftWorkSearch findLeftWork(const std::string& folder, std::string_view program);
// Removes the copies an index names, then the index.
void removeLeftWork(const std::string& folder, const LeftWork& work);
// Renames a damaged file to end in ".damaged": kept for a look, never offered again.
void setAside(const std::string& path);

} // namespace vorel
