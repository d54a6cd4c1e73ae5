#pragma once

// A preset made of a wave file and a sound file, written as files of a bundle.

#include "common/Result.h"
#include "common/WaveData.h"
#include "lv2/Turtle.h"
#include "synth/SoundSettings.h"

#include <string>

namespace vorel::lv2 {

struct PresetSource {
    WaveData wave{};
    SoundSettings settings;
    std::string name;     // the sound file's name without its folder and ".vorelsf": the label
    std::string waveFile; // the wave file's name without its folder
};

// Reads both files with the programs' checks; the error names the file.
Result<PresetSource> readPresetSource(const std::string& wavePath, const std::string& soundPath);

// The preset's Turtle file (entry.file) and a copy of its wave under its own name, in `folder`.
Status writePresetFiles(const std::string& folder, const PresetSource& source,
                        const PresetEntry& entry);

} // namespace vorel::lv2
