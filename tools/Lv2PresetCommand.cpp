// The renderer's lv2-preset command: a wave file and a sound file as a preset of the LV2
// instrument, in a bundle folder of its own that hosts find beside the plugin's.
#include "common/FileIo.h"
#include "lv2/PresetFiles.h"
#include "tools/CommandOptions.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>

namespace vorel::render {
namespace {

// The bundle's manifest with the preset's entry: a manifest there already keeps its presets.
std::string manifestWith(const std::filesystem::path& manifest, const lv2::PresetEntry& entry) {
    std::string text;
    if (std::ifstream in(manifest, std::ios::binary); in)
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (text.find("<" + entry.uri + ">") != std::string::npos)
        return text;
    return text + (text.empty() ? "" : "\n") + lv2::presetManifestEntry(entry);
}

} // namespace

int lv2PresetCommand(const Options& options, std::ostream& out) {
    allowOnly(options, {"--wave", "--sound", "-o"});
    const std::string& wavePath = required(options, "--wave");
    const std::string& soundPath = required(options, "--sound");
    const std::string& folder = required(options, "-o");
    if (folder == standardOutput)
        throw UsageError{"lv2-preset writes a bundle folder: -o takes a folder, not -"};
    auto source = lv2::readPresetSource(wavePath, soundPath);
    if (!source)
        throw FileError{source.error()};
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        throw FileError{folder + ": " + error.message()};
    const std::string& name = source.value().name;
    const lv2::PresetEntry entry{lv2::fileReference(name + ".ttl"), name + ".ttl"};
    if (Status status = lv2::writePresetFiles(folder, source.value(), entry); !status)
        throw FileError{status.error()};
    const std::filesystem::path manifest = std::filesystem::path(folder) / "manifest.ttl";
    const std::string text = manifestWith(manifest, entry);
    const auto* bytes = reinterpret_cast<const std::byte*>(text.data());
    if (Status status = writeFileAtomically(manifest.string(), std::span(bytes, text.size()));
        !status)
        throw FileError{manifest.string() + ": " + status.error()};
    out << "Preset \"" << name << "\" written into " << folder << '\n';
    return 0;
}

} // namespace vorel::render
