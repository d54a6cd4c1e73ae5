#pragma once

#include "common/Result.h"
#include "sequencer/SequenceData.h"
#include "synth/SoundSettings.h"

#include <cstdint>
#include <span>
#include <string>

namespace vorel {

// The sound editor's files on disk (wave files: common/WaveFile.h). A load reads and checks the
// whole file before anything changes; a save is atomic. Errors are a reason without the file name
// ("a sound file holds 100 bytes, this one only 12"); the caller names the file. A refused file
// that looks like another kind is named as that kind (common/FileKinds.h).
Result<SoundSettings> loadSoundFile(const std::string& path);
Status saveSoundFile(const std::string& path, const SoundSettings& settings);
// Replaces the notes of `sequence` only when the whole file is good.
Status loadSequenceFile(const std::string& path, SequenceData& sequence);
Status saveSequenceFile(const std::string& path, const SequenceData& sequence);
// Writes the buffer up to its last non-zero sample as a WAV file, or as a FLAC file of the same
// samples.
Status saveWavFile(const std::string& path, std::span<const std::int16_t> buffer);
Status saveFlacFile(const std::string& path, std::span<const std::int16_t> buffer);

} // namespace vorel
