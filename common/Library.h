#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vorel {

// The library of instruments and songs: a folder holding an index file, a plain text a person
// reads and extends, one entry a line, its fields separated by "|" (surrounding blanks do not
// count; blank lines and lines starting with "#" are left out):
//
//     instrument | NAME | CATEGORY | WAVE FILE | SOUND FILE | DESCRIPTION
//     song | NAME | INSTRUMENT | TEMPO | SEQUENCE FILE | DESCRIPTION
//
// File names are relative to the index's folder unless absolute. The description is the rest
// of the line. A song names the instrument it was made for and its tempo (80..220), which a
// sequence file does not keep.
inline constexpr std::string_view libraryIndexName = "index.txt";

struct LibraryInstrument {
    std::string name;
    std::string category;
    std::string wavePath;  // resolved against the index's folder
    std::string soundPath; // likewise
    std::string description;
    bool own = false; // from the user's index
};

struct LibrarySong {
    std::string name;
    std::string instrument;
    int tempo = 120;
    std::string sequencePath;
    std::string description;
    bool own = false;
};

// A wave as the wave editor's library shows it: one of the waves the instruments play.
struct LibraryWave {
    std::string name;     // its file's name without the suffix
    std::string category; // the category of the first instrument that plays it
    std::string path;
    std::string description; // the instruments that play it
    bool own = false;        // the first instrument that plays it is the user's
};

struct Library {
    std::vector<LibraryInstrument> instruments; // in the order of their indexes, installed first
    std::vector<LibrarySong> songs;
    // One sentence for every line left out: "INDEX line N: REASON".
    std::vector<std::string> problems;

    const LibraryInstrument* instrument(std::string_view name) const;
    // The first song made for the instrument, or nothing.
    const LibrarySong* songFor(std::string_view instrument) const;
    // Every category, in the order of its first instrument.
    std::vector<std::string> categories() const;
    // Every wave the instruments play, once, in the order of the first instrument that plays it.
    std::vector<LibraryWave> waves() const;
};

// The entries of an index's text, its file names resolved against `folder`; a malformed line is
// left out and named in the problems under `indexName` (the index's path, as the user knows it).
Library parseLibraryIndex(std::string_view text, const std::string& folder,
                          const std::string& indexName, bool own);

// The index of `folder`, with every entry whose files are missing left out and named among the
// problems. A folder without an index is an empty library, no problem.
Library readLibraryIndex(const std::string& folder, bool own);

// The folder the running program was started from (of /proc/self/exe), or "" when unknown.
std::string programFolder();
// The installed library beside the programs (PREFIX/share/vorel/library, the programs in
// PREFIX/bin); for a program run from its build folder, the source tree's library/. "" when
// neither holds an index.
std::string installedLibraryFolder(const std::string& programFolder);
// Where the user's own instruments live: $XDG_DATA_HOME/vorel/library, by default
// ~/.local/share/vorel/library. "" when neither variable is set.
std::string userLibraryFolder();

// The installed library and the user's beside it. A user's entry named like an installed one
// is left out (and named); a song made for an instrument neither index holds is left out.
Library loadLibrary(const std::string& installedFolder, const std::string& userFolder);
// The library of the running program: the one installed beside it and the user's.
Library loadProgramLibrary();

} // namespace vorel
