#include "common/RecoveryIndex.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <unistd.h>

namespace vorel {
namespace {

constexpr std::string_view header = "vorel recovery 1";
constexpr std::string_view damagedSuffix = ".damaged";
constexpr std::string_view indexSuffix = ".index";

std::string escaped(std::string_view value) {
    std::string out;
    for (char c : value) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

std::optional<std::string> unescaped(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\') {
            out += value[i];
            continue;
        }
        if (++i == value.size() || (value[i] != '\\' && value[i] != 'n'))
            return std::nullopt;
        out += value[i] == 'n' ? '\n' : '\\';
    }
    return out;
}

template <typename Number> std::optional<Number> wholeNumber(std::string_view text, int base = 10) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

std::optional<DocumentKind> kindFromWord(std::string_view word) {
    for (const DocumentKindNames& names : documentKinds)
        if (names.word == word)
            return names.kind;
    return std::nullopt;
}

// A name that stays inside the folder: no separator, not "." or "..".
bool isPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

// Reads the index line by line; each entry may appear once (once per document for the
// document's own entries).
class IndexReader {
  public:
    Result<RecoveryIndex> read(std::string_view text) {
        std::size_t lineNumber = 0;
        while (!text.empty()) {
            const std::size_t end = text.find('\n');
            const std::string_view line = text.substr(0, end);
            text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
            if (++lineNumber == 1) {
                if (line != header)
                    return failure(1, "it does not start with \"" + std::string(header) + "\"");
                continue;
            }
            if (std::string problem = entry(line); !problem.empty())
                return failure(lineNumber, problem);
        }
        if (lineNumber == 0)
            return failure(1, "it is empty");
        if (std::string problem = finish(); !problem.empty())
            return Result<RecoveryIndex>::failure(problem);
        return Result<RecoveryIndex>::success(std::move(index_));
    }

  private:
    static Result<RecoveryIndex> failure(std::size_t line, const std::string& problem) {
        return Result<RecoveryIndex>::failure("line " + std::to_string(line) + ": " + problem);
    }

    // Document entries count per document.
    bool once(const std::string& word) {
        const std::string document =
            isDocumentEntry(word) ? std::to_string(index_.documents.size()) + ":" : "";
        return seen_.insert(document + word).second;
    }
    static bool isDocumentEntry(std::string_view word) {
        return word == "file" || word == "name" || word == "path" || word == "size" ||
               word == "checksum";
    }

    std::string entry(std::string_view line) {
        const std::size_t space = line.find(' ');
        const std::string word(line.substr(0, space));
        const std::string_view value =
            space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
        if (isDocumentEntry(word) && index_.documents.empty())
            return "\"" + word + "\" before any document";
        if (word != "document" && !once(word))
            return "\"" + word + "\" a second time";
        if (word == "program")
            return text(value, index_.program) && !index_.program.empty() ? "" : "no program name";
        if (word == "process")
            return process(value);
        if (word == "tempo" || word == "page") {
            std::optional<int>& number = word == "tempo" ? index_.tempo : index_.page;
            number = wholeNumber<int>(value);
            return number ? "" : "\"" + std::string(value) + "\" is not a whole number";
        }
        if (word == "document")
            return document(value);
        if (!isDocumentEntry(word))
            return "unknown entry \"" + word + "\"";
        RecoveryEntry& last = index_.documents.back();
        if (word == "size" || word == "checksum")
            return fingerprint(word, value, last);
        if (word == "file")
            return text(value, last.file) && isPlainFileName(last.file)
                       ? ""
                       : "\"" + std::string(value) + "\" is not a file name in the folder";
        return text(value, word == "name" ? last.name : last.originalPath) ? "" : "a broken escape";
    }

    static bool text(std::string_view value, std::string& into) {
        std::optional<std::string> plain = unescaped(value);
        if (plain)
            into = std::move(*plain);
        return plain.has_value();
    }

    static std::string fingerprint(const std::string& word, std::string_view value,
                                   RecoveryEntry& document) {
        constexpr int hex = 16;
        constexpr std::size_t checksumDigits = 16; // 64 bits
        const bool size = word == "size";
        const auto number = wholeNumber<std::uint64_t>(value, size ? 10 : hex);
        if (!number || (!size && value.size() != checksumDigits))
            return "\"" + std::string(value) + "\" is not a " +
                   (size ? "whole number" : "checksum of 16 hex digits");
        if (!document.fromFile)
            document.fromFile.emplace();
        (size ? document.fromFile->size : document.fromFile->checksum) = *number;
        return "";
    }

    std::string process(std::string_view value) {
        const std::size_t space = value.find(' ');
        const auto id = wholeNumber<long>(value.substr(0, space));
        const auto start = space == std::string_view::npos
                               ? std::nullopt
                               : wholeNumber<std::uint64_t>(value.substr(space + 1));
        if (!id || *id <= 0 || !start)
            return "\"" + std::string(value) + "\" is not a process id and start time";
        index_.process = {*id, *start};
        return "";
    }

    std::string document(std::string_view value) {
        const std::optional<DocumentKind> kind = kindFromWord(value);
        if (!kind)
            return "unknown document kind \"" + std::string(value) + "\"";
        for (const RecoveryEntry& earlier : index_.documents)
            if (earlier.kind == *kind)
                return "a second " + std::string(value);
        if (std::string problem = lastDocumentProblem(); !problem.empty())
            return "the document above " + problem;
        index_.documents.push_back({*kind, {}, {}, {}, {}});
        return "";
    }

    std::string finish() const {
        if (index_.program.empty() || index_.process.id == 0)
            return "the program or the process is missing";
        if (std::string problem = lastDocumentProblem(); !problem.empty())
            return "the last document " + problem;
        return "";
    }

    // A document is its copy, or the file it was loaded from with what that file held.
    std::string lastDocumentProblem() const {
        if (index_.documents.empty())
            return "";
        const std::string document = std::to_string(index_.documents.size()) + ":";
        const bool sized = seen_.count(document + "size") != 0;
        const bool summed = seen_.count(document + "checksum") != 0;
        const RecoveryEntry& last = index_.documents.back();
        if (!last.file.empty())
            return sized || summed ? "has a file and a size or checksum" : "";
        if (last.originalPath.empty() || !sized || !summed)
            return "has no file, nor a path, size and checksum";
        return "";
    }

    RecoveryIndex index_;
    std::set<std::string> seen_;
};

// The process's start time: field 22 of /proc/PID/stat, counted after the command's closing
// parenthesis (the command itself may hold spaces and parentheses). Nothing when it cannot be
// read; `state` gets the one-letter process state.
std::optional<std::uint64_t> startTimeOf(long id, char* state = nullptr) {
    std::ifstream stat("/proc/" + std::to_string(id) + "/stat");
    const std::string line((std::istreambuf_iterator<char>(stat)),
                           std::istreambuf_iterator<char>());
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos)
        return std::nullopt;
    std::istringstream fields(line.substr(close + 1));
    std::string field;
    constexpr int startTimeField = 22;
    constexpr int firstFieldAfterCommand = 3;
    for (int number = firstFieldAfterCommand; fields >> field; ++number) {
        if (number == firstFieldAfterCommand && state != nullptr)
            *state = field.empty() ? '?' : field[0];
        if (number == startTimeField)
            return wholeNumber<std::uint64_t>(field);
    }
    return std::nullopt;
}

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

} // namespace

const DocumentKindNames& namesOf(DocumentKind kind) {
    for (const DocumentKindNames& names : documentKinds)
        if (names.kind == kind)
            return names;
    return documentKinds[0];
}

ProcessIdentity currentProcess() {
    const long id = static_cast<long>(::getpid());
    return {id, startTimeOf(id).value_or(0)};
}

bool isRunning(const ProcessIdentity& process) {
    char state = '?';
    if (const auto start = startTimeOf(process.id, &state))
        return state != 'Z' && state != 'X' &&
               (process.startTime == 0 || *start == process.startTime);
    // Without /proc the id is all there is to go by.
    if (!startTimeOf(static_cast<long>(::getpid())))
        return ::kill(static_cast<pid_t>(process.id), 0) == 0 || errno == EPERM;
    return false;
}

std::string encodeRecoveryIndex(const RecoveryIndex& index) {
    std::string text = std::string(header) + "\nprogram " + escaped(index.program) + "\nprocess " +
                       std::to_string(index.process.id) + " " +
                       std::to_string(index.process.startTime) + "\n";
    if (index.tempo)
        text += "tempo " + std::to_string(*index.tempo) + "\n";
    if (index.page)
        text += "page " + std::to_string(*index.page) + "\n";
    for (const RecoveryEntry& document : index.documents) {
        text += "document " + std::string(namesOf(document.kind).word) + "\n";
        if (!document.file.empty())
            text += "file " + escaped(document.file) + "\n";
        if (!document.name.empty())
            text += "name " + escaped(document.name) + "\n";
        if (!document.originalPath.empty())
            text += "path " + escaped(document.originalPath) + "\n";
        if (document.fromFile) {
            char checksum[17];
            std::snprintf(checksum, sizeof checksum, "%016" PRIx64, document.fromFile->checksum);
            text +=
                "size " + std::to_string(document.fromFile->size) + "\nchecksum " + checksum + "\n";
        }
    }
    return text;
}

Result<RecoveryIndex> decodeRecoveryIndex(std::string_view text) {
    return IndexReader().read(text);
}

std::string recoveryFolderFrom(const char* stateHome, const char* home) {
    std::string base;
    if (stateHome != nullptr && stateHome[0] == '/')
        base = stateHome;
    else if (home != nullptr && home[0] == '/')
        base = std::string(home) + "/.local/state";
    else
        return {};
    return base + "/vorel/recovery";
}

std::string recoveryFolder() {
    return recoveryFolderFrom(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
}

LeftWorkSearch findLeftWork(const std::string& folder, std::string_view program) {
    namespace fs = std::filesystem;
    std::vector<std::pair<fs::file_time_type, LeftWork>> found;
    LeftWorkSearch search;
    std::error_code error;
    for (const fs::directory_entry& file : fs::directory_iterator(folder, error)) {
        const std::string path = file.path().string();
        if (!endsWith(path, indexSuffix) || !file.is_regular_file(error))
            continue;
        constexpr std::size_t largestIndex = 64 * 1024;
        std::ifstream in(path, std::ios::binary);
        std::string text(largestIndex + 1, '\0');
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<std::size_t>(in.gcount()));
        Result<RecoveryIndex> index = text.size() > largestIndex
                                          ? Result<RecoveryIndex>::failure("it is too large")
                                          : decodeRecoveryIndex(text);
        if (!index) {
            search.damaged.push_back(path + ": " + index.error());
            setAside(path);
        } else if (index.value().program == program && !isRunning(index.value().process)) {
            found.push_back({file.last_write_time(error), {path, std::move(index).value()}});
        }
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [time, work] : found)
        search.found.push_back(std::move(work));
    return search;
}

void removeLeftWork(const std::string& folder, const LeftWork& work) {
    std::error_code ignored;
    // An unmodified document has no copy: its file is the user's.
    for (const RecoveryEntry& document : work.index.documents)
        if (!document.file.empty())
            std::filesystem::remove(folder + "/" + document.file, ignored);
    std::filesystem::remove(work.indexPath, ignored);
}

void setAside(const std::string& path) {
    std::error_code ignored;
    std::filesystem::rename(path, path + std::string(damagedSuffix), ignored);
}

} // namespace vorel
