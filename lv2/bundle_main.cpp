// Writes the description files of the plugin's bundle: vorel-lv2-bundle FOLDER BINARY
// [WAVE SOUND]... The manifest names the plugin's shared object BINARY; each wave and sound file
// pair becomes a preset named after the sound file, with a copy of its wave under the wave's name,
// or under "SOUND-WAVE" when an earlier preset's copy has that name (lv2/CMakeLists.txt follows
// the same rule).

#include "common/FileIo.h"
#include "lv2/PresetFiles.h"
#include "lv2/Turtle.h"

#include <filesystem>
#include <iostream>
#include <set>
#include <vector>

namespace {

bool writeText(const std::string& path, const std::string& text) {
    const auto* begin = reinterpret_cast<const std::byte*>(text.data());
    const vorel::Status status =
        vorel::writeFileAtomically(path, std::span<const std::byte>(begin, text.size()));
    if (!status)
        std::cerr << "vorel-lv2-bundle: " << path << ": " << status.error() << '\n';
    return status.ok();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || (argc - 3) % 2 != 0) {
        std::cerr << "usage: vorel-lv2-bundle FOLDER BINARY [WAVE SOUND]...\n";
        return 2;
    }
    const std::filesystem::path folder(argv[1]);
    std::filesystem::create_directories(folder);
    std::vector<vorel::lv2::PresetEntry> presets;
    std::set<std::string> waveCopies;
    for (int i = 3; i < argc; i += 2) {
        auto source = vorel::lv2::readPresetSource(argv[i], argv[i + 1]);
        if (!source) {
            std::cerr << "vorel-lv2-bundle: " << source.error() << '\n';
            return 1;
        }
        if (!waveCopies.insert(source.value().waveFile).second) {
            source.value().waveFile = source.value().name + "-" + source.value().waveFile;
            waveCopies.insert(source.value().waveFile);
        }
        const vorel::lv2::PresetEntry entry{"urn:vorel:synth:preset:" + source.value().name,
                                            source.value().name + ".ttl"};
        if (auto status = vorel::lv2::writePresetFiles(folder.string(), source.value(), entry);
            !status) {
            std::cerr << "vorel-lv2-bundle: " << status.error() << '\n';
            return 1;
        }
        presets.push_back(entry);
    }
    const bool ok =
        writeText((folder / "vorel.ttl").string(), vorel::lv2::pluginTurtle()) &&
        writeText((folder / "manifest.ttl").string(), vorel::lv2::bundleManifest(argv[2], presets));
    return ok ? 0 : 1;
}
