#include "common/Library.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace vorel {
namespace {

namespace fs = std::filesystem;

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The line's fields; the last of `count` takes the rest of the line, "|" included.
std::vector<std::string> fieldsOf(std::string_view line, std::size_t count) {
    std::vector<std::string> fields;
    while (fields.size() + 1 < count) {
        const auto bar = line.find('|');
        if (bar == std::string_view::npos)
            break;
        fields.emplace_back(trimmed(line.substr(0, bar)));
        line.remove_prefix(bar + 1);
    }
    fields.emplace_back(trimmed(line));
    return fields;
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// One index being read: its entries so far, and the first line of each name.
class IndexReader {
  public:
    IndexReader(const std::string& folder, const std::string& indexName, bool own)
        : folder_(folder), indexName_(indexName), own_(own) {}

    void readLine(std::string_view line, int number);
    Library take() { return std::move(library_); }

  private:
    std::string instrument(const std::vector<std::string>& fields);
    std::string song(const std::vector<std::string>& fields);
    std::string path(const std::string& file) const {
        return fs::path(file).is_absolute() ? file : (fs::path(folder_) / file).string();
    }
    std::string named(const std::string& kind, const std::string& name,
                      std::map<std::string, int>& lines);

    std::string folder_;
    std::string indexName_;
    bool own_;
    int line_ = 0;
    Library library_;
    std::map<std::string, int> instrumentLines_;
    std::map<std::string, int> songLines_;
};

// The reason a file field is wrong, or "".
std::string fileProblem(const std::string& what, const std::string& file, std::string_view suffix) {
    if (file.empty())
        return "the " + what + " is missing";
    if (file.size() < suffix.size() ||
        file.compare(file.size() - suffix.size(), suffix.size(), suffix) != 0)
        return "the " + what + " " + quoted(file) + " does not end in " + std::string(suffix);
    return {};
}

std::string IndexReader::named(const std::string& kind, const std::string& name,
                               std::map<std::string, int>& lines) {
    if (name.empty())
        return "the " + kind + " has no name";
    const auto [first, isNew] = lines.emplace(name, line_);
    if (!isNew)
        return "a second " + kind + " named " + quoted(name) + " (the first is on line " +
               std::to_string(first->second) + ")";
    return {};
}

std::string IndexReader::instrument(const std::vector<std::string>& f) {
    if (f.size() < 6)
        return "an instrument has six fields, \"instrument | NAME | CATEGORY | WAVE FILE | "
               "SOUND FILE | DESCRIPTION\", this line " +
               std::to_string(f.size());
    std::string problem = fileProblem("wave file", f[3], ".vorelwf");
    if (problem.empty())
        problem = fileProblem("sound file", f[4], ".vorelsf");
    if (problem.empty() && f[2].empty())
        problem = "the instrument " + quoted(f[1]) + " has no category";
    if (problem.empty())
        problem = named("instrument", f[1], instrumentLines_);
    if (problem.empty())
        library_.instruments.push_back({f[1], f[2], path(f[3]), path(f[4]), f[5], own_});
    return problem;
}

std::string IndexReader::song(const std::vector<std::string>& f) {
    if (f.size() < 6)
        return "a song has six fields, \"song | NAME | INSTRUMENT | TEMPO | SEQUENCE FILE | "
               "DESCRIPTION\", this line " +
               std::to_string(f.size());
    int tempo = 0;
    std::size_t used = 0;
    try {
        tempo = std::stoi(f[3], &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != f[3].size() || tempo < 80 || tempo > 220)
        return "the tempo " + quoted(f[3]) + " is not a whole number of 80..220";
    std::string problem = fileProblem("sequence file", f[4], ".vorelsqf");
    if (problem.empty() && f[2].empty())
        problem = "the song " + quoted(f[1]) + " names no instrument";
    if (problem.empty())
        problem = named("song", f[1], songLines_);
    if (problem.empty())
        library_.songs.push_back({f[1], f[2], tempo, path(f[4]), f[5], own_});
    return problem;
}

void IndexReader::readLine(std::string_view line, int number) {
    line_ = number;
    line = trimmed(line);
    if (line.empty() || line.front() == '#')
        return;
    const std::vector<std::string> fields = fieldsOf(line, 6);
    std::string problem;
    if (fields[0] == "instrument")
        problem = instrument(fields);
    else if (fields[0] == "song")
        problem = song(fields);
    else
        problem = "an entry starts with \"instrument\" or \"song\", not " + quoted(fields[0]);
    if (!problem.empty())
        library_.problems.push_back(indexName_ + " line " + std::to_string(number) + ": " +
                                    problem);
}

bool exists(const std::string& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

std::string missing(const LibraryInstrument& instrument) {
    for (const std::string* file : {&instrument.wavePath, &instrument.soundPath})
        if (!exists(*file))
            return "the instrument " + quoted(instrument.name) + " is left out: " + *file +
                   " is missing";
    return {};
}

std::string missing(const LibrarySong& song) {
    if (!exists(song.sequencePath))
        return "the song " + quoted(song.name) + " is left out: " + song.sequencePath +
               " is missing";
    return {};
}

// Leaves out the entries `problem` finds something wrong with, naming them in `problems`.
template <typename Entry, typename Check>
void leaveOut(std::vector<Entry>& entries, std::vector<std::string>& problems, Check problem) {
    std::erase_if(entries, [&](const Entry& entry) {
        std::string reason = problem(entry);
        if (reason.empty())
            return false;
        problems.push_back(std::move(reason));
        return true;
    });
}

} // namespace

const LibraryInstrument* Library::instrument(std::string_view name) const {
    for (const LibraryInstrument& entry : instruments)
        if (entry.name == name)
            return &entry;
    return nullptr;
}

const LibrarySong* Library::songFor(std::string_view instrumentName) const {
    for (const LibrarySong& entry : songs)
        if (entry.instrument == instrumentName)
            return &entry;
    return nullptr;
}

std::vector<std::string> Library::categories() const {
    std::vector<std::string> found;
    for (const LibraryInstrument& entry : instruments)
        if (std::find(found.begin(), found.end(), entry.category) == found.end())
            found.push_back(entry.category);
    return found;
}

std::vector<LibraryWave> Library::waves() const {
    std::vector<LibraryWave> found;
    for (const LibraryInstrument& entry : instruments) {
        auto wave = std::find_if(found.begin(), found.end(),
                                 [&](const LibraryWave& w) { return w.path == entry.wavePath; });
        if (wave == found.end()) {
            found.push_back({fs::path(entry.wavePath).stem().string(), entry.category,
                             entry.wavePath, "played by " + entry.name, entry.own});
            continue;
        }
        wave->description += ", " + entry.name;
    }
    return found;
}

Library parseLibraryIndex(std::string_view text, const std::string& folder,
                          const std::string& indexName, bool own) {
    IndexReader reader(folder, indexName, own);
    int number = 1;
    for (std::size_t start = 0; start <= text.size(); ++number) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        reader.readLine(text.substr(start, end - start), number);
        start = end + 1;
    }
    return reader.take();
}

Library readLibraryIndex(const std::string& folder, bool own) {
    const std::string indexPath = (fs::path(folder) / libraryIndexName).string();
    std::ifstream file(indexPath, std::ios::binary);
    if (!file)
        return {};
    std::ostringstream text;
    text << file.rdbuf();
    Library library = parseLibraryIndex(text.str(), folder, indexPath, own);
    leaveOut(library.instruments, library.problems,
             [](const LibraryInstrument& entry) { return missing(entry); });
    leaveOut(library.songs, library.problems,
             [](const LibrarySong& entry) { return missing(entry); });
    return library;
}

std::string programFolder() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : program.parent_path().string();
}

std::string installedLibraryFolder(const std::string& programFolder) {
    std::error_code error;
    const fs::path installed = fs::path(programFolder) / ".." / "share" / "vorel" / "library";
    if (!programFolder.empty() && exists((installed / libraryIndexName).string()))
        return fs::weakly_canonical(installed, error).string();
#ifdef VOREL_SOURCE_LIBRARY_DIR
    // Run from the build folder: the library of the tree it was built from.
    const fs::path tree = VOREL_SOURCE_LIBRARY_DIR;
    if (exists((tree / libraryIndexName).string()))
        return tree.string();
#endif
    return {};
}

std::string userLibraryFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && *data && fs::path(data).is_absolute())
        return (fs::path(data) / "vorel" / "library").string();
    const char* home = std::getenv("HOME");
    if (home && *home)
        return (fs::path(home) / ".local" / "share" / "vorel" / "library").string();
    return {};
}

Library loadLibrary(const std::string& installedFolder, const std::string& userFolder) {
    Library library =
        installedFolder.empty() ? Library{} : readLibraryIndex(installedFolder, false);
    if (!userFolder.empty() && userFolder != installedFolder) {
        Library own = readLibraryIndex(userFolder, true);
        library.problems.insert(library.problems.end(), own.problems.begin(), own.problems.end());
        const std::string where = (fs::path(userFolder) / libraryIndexName).string();
        leaveOut(own.instruments, library.problems, [&](const LibraryInstrument& entry) {
            return library.instrument(entry.name)
                       ? where + ": the instrument " + quoted(entry.name) +
                             " is left out: the installed library has one of that name"
                       : std::string();
        });
        library.instruments.insert(library.instruments.end(), own.instruments.begin(),
                                   own.instruments.end());
        library.songs.insert(library.songs.end(), own.songs.begin(), own.songs.end());
    }
    leaveOut(library.songs, library.problems, [&](const LibrarySong& entry) {
        return library.instrument(entry.instrument)
                   ? std::string()
                   : "the song " + quoted(entry.name) + " is left out: no instrument is named " +
                         quoted(entry.instrument);
    });
    return library;
}

Library loadProgramLibrary() {
    return loadLibrary(installedLibraryFolder(programFolder()), userLibraryFolder());
}

} // namespace vorel
