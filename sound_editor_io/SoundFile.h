#pragma once

#include "common/Result.h"
#include "synth/SoundSettings.h"

#include <cstddef>
#include <span>
#include <vector>

namespace vorel {

// A sound file: the 25 selection indexes as little-endian signed 32-bit integers, parameter 1
// first, 100 bytes, no header.
inline constexpr std::size_t soundFileSize = 4 * parameterCount;

std::vector<std::byte> encodeSoundFile(const SoundSettings& settings);

// Refuses a file shorter than 100 bytes or holding an index outside its parameter's choices;
// of a longer file the first 100 bytes count.
Result<SoundSettings> decodeSoundFile(std::span<const std::byte> bytes);

} // namespace vorel
