#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vorel {

inline constexpr std::size_t wavHeaderSize = 44;

// A RIFF/WAVE file of 16-bit mono PCM at 44100 Hz holding exactly `samples`: the 44-byte header
// ("RIFF", size, "WAVE", "fmt " chunk of 16 bytes, "data" chunk), then the samples.
std::vector<std::byte> encodeWavFile(std::span<const std::int16_t> samples);

} // namespace vorel
