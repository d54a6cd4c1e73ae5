#pragma once

#include "common/SoundConstants.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace vorel {

// 16-bit mono PCM at 44100 Hz: the format of every sound the programs play or export. The fields
// are, byte for byte, the body of a WAV file's "fmt " chunk.
struct PcmFormat {
    std::uint16_t formatTag = 1; // PCM
    std::uint16_t channels = 1;
    std::uint32_t samplesPerSecond = sampleRate;
    std::uint32_t averageBytesPerSecond = sampleRate * 2; // two bytes per sample
    std::uint16_t blockAlign = 2;                         // bytes per sample
    std::uint16_t bitsPerSample = 16;
};

// The number of samples up to and including the last one that is not zero; 0 for silence.
// Trailing zeros of a fixed-size buffer are never played or exported.
inline std::size_t audibleLength(std::span<const std::int16_t> samples) {
    std::size_t n = samples.size();
    while (n > 0 && samples[n - 1] == 0)
        --n;
    return n;
}

} // namespace vorel
