#pragma once

#include "common/Result.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vorel {

// A FLAC file of 16-bit mono at 44100 Hz holding exactly `samples`, encoded in memory by
// libsndfile. Fails only when libsndfile does, with its reason.
Result<std::vector<std::byte>> encodeFlacFile(std::span<const std::int16_t> samples);

// Writes the buffer up to its last non-zero sample as a FLAC file, atomically.
Status saveFlacFile(const std::string& path, std::span<const std::int16_t> buffer);

} // namespace vorel
