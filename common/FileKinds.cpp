#include "common/FileKinds.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <optional>
#include <string_view>

namespace vorel {
namespace {

struct KindText {
    FileKind kind;
    std::string_view noun;   // "a wave file"
    std::string_view loader; // the commands that load it, as the windows show them
};

constexpr std::array<KindText, 5> kindTexts{{
    {FileKind::wave, "a wave file",
     "\"Load wave data\" loads it in the sound editor, \"Load\" in the wave editor"},
    {FileKind::sound, "a sound file", "\"Load sound data\" of the sound editor loads it"},
    {FileKind::sequence, "a sequence file", "\"Load sequence data\" of the sound editor loads it"},
    {FileKind::recording, "a WAV file",
     "the wave editor's \"Import cycle from WAV...\" reads one period of it into a wave"},
    {FileKind::midi, "a MIDI file", "\"Import MIDI...\" of the sound editor loads it"},
}};

const KindText& textOf(FileKind kind) {
    return *std::find_if(kindTexts.begin(), kindTexts.end(),
                         [kind](const KindText& text) { return text.kind == kind; });
}

// What a file is, and how that is known ("by its name", "by its size (800 bytes)").
struct Evidence {
    FileKind kind;
    std::string how;
    bool certain = true;
};

std::optional<FileKind> kindOfSuffix(const std::string& path) {
    std::string suffix = std::filesystem::path(path).extension().string();
    std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (suffix == ".vorelwf")
        return FileKind::wave;
    if (suffix == ".vorelsf")
        return FileKind::sound;
    if (suffix == ".vorelsqf")
        return FileKind::sequence;
    if (suffix == ".wav" || suffix == ".flac" || suffix == ".aif" || suffix == ".aiff")
        return FileKind::recording;
    if (suffix == ".mid" || suffix == ".midi")
        return FileKind::midi;
    return std::nullopt;
}

bool startsWith(std::span<const std::byte> head, std::string_view text, std::size_t at = 0) {
    if (head.size() < at + text.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (head[at + i] != static_cast<std::byte>(text[i]))
            return false;
    return true;
}

std::optional<Evidence> contentEvidence(const std::string& path, std::span<const std::byte> head) {
    if (startsWith(head, "MThd"))
        return Evidence{FileKind::midi, "by its first bytes"};
    if ((startsWith(head, "RIFF") && startsWith(head, "WAVE", 8)) || startsWith(head, "fLaC") ||
        startsWith(head, "FORM"))
        return Evidence{FileKind::recording, "by its first bytes"};
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error)
        return std::nullopt;
    const std::string bytes = " (" + std::to_string(size) + " bytes)";
    if (size == 800)
        return Evidence{FileKind::wave, "by its size" + bytes};
    if (size == 100)
        return Evidence{FileKind::sound, "by its size" + bytes};
    if (size > 0 && size % 10 == 0)
        return Evidence{FileKind::sequence, "by its size" + bytes + ", whole 10-byte note records",
                        false};
    return std::nullopt;
}

} // namespace

std::string refusalReason(FileKind expected, const std::string& path,
                          std::span<const std::byte> head, const std::string& reason) {
    // A name that says the kind is believed: a damaged file of the kind asked for keeps its
    // own reason.
    const std::optional<FileKind> named = kindOfSuffix(path);
    const std::optional<Evidence> evidence =
        named ? Evidence{*named, "by its name"} : contentEvidence(path, head);
    if (!evidence || evidence->kind == expected)
        return reason;
    const KindText& is = textOf(evidence->kind);
    return std::string(evidence->certain ? "it is " : "it may be ") + std::string(is.noun) + " " +
           evidence->how + ", not " + std::string(textOf(expected).noun) + ": " +
           std::string(is.loader) + " (as " + std::string(textOf(expected).noun) + ": " + reason +
           ")";
}

} // namespace vorel
