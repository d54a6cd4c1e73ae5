#include "lv2/PresetFiles.h"

#include "common/FileIo.h"
#include "common/WaveFile.h"
#include "sound_editor_io/SoundEditorFiles.h"

#include <filesystem>

namespace vorel::lv2 {
namespace {

Status writeText(const std::string& path, const std::string& text) {
    const auto* begin = reinterpret_cast<const std::byte*>(text.data());
    return writeFileAtomically(path, std::span<const std::byte>(begin, text.size()));
}

} // namespace

Result<PresetSource> readPresetSource(const std::string& wavePath, const std::string& soundPath) {
    PresetSource source;
    auto wave = loadWaveFile(wavePath);
    if (!wave)
        return Result<PresetSource>::failure(wavePath + ": " + wave.error());
    auto settings = loadSoundFile(soundPath);
    if (!settings)
        return Result<PresetSource>::failure(soundPath + ": " + settings.error());
    source.wave = wave.value();
    source.settings = settings.value();
    source.name = std::filesystem::path(soundPath).stem().string();
    source.waveFile = std::filesystem::path(wavePath).filename().string();
    return Result<PresetSource>::success(std::move(source));
}

Status writePresetFiles(const std::string& folder, const PresetSource& source,
                        const PresetEntry& entry) {
    const std::filesystem::path dir(folder);
    const std::string turtle =
        presetTurtle(entry, source.name, source.settings, source.wave, source.waveFile);
    if (Status status = writeText((dir / entry.file).string(), turtle); !status)
        return Status::failure((dir / entry.file).string() + ": " + status.error());
    const std::string wavePath = (dir / source.waveFile).string();
    if (Status status = saveWaveFile(wavePath, source.wave); !status)
        return Status::failure(wavePath + ": " + status.error());
    return Status::success();
}

} // namespace vorel::lv2
