#pragma once

#include "common/Result.h"
#include "common/WaveData.h"

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace vorel {

// A wave file is the raw image of WaveData: 100 little-endian doubles, 800 bytes, no header.
inline constexpr std::size_t waveFileSize = harmonicCount * 8;

std::vector<std::byte> encodeWaveFile(const WaveData& wave);

// Refuses files shorter than 800 bytes and files holding a value that is not finite; of a longer
// file only the first 800 bytes count.
Result<WaveData> decodeWaveFile(std::span<const std::byte> bytes);

// The wave file at `path`, read and checked whole; the error is a reason without the file name,
// saying what the file is when it looks like another kind (common/FileKinds.h).
Result<WaveData> loadWaveFile(const std::string& path);
// Saves atomically: a failed save leaves an earlier file whole.
Status saveWaveFile(const std::string& path, const WaveData& wave);

} // namespace vorel
