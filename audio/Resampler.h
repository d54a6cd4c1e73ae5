#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vorel {

// The 16-bit buffers made at 44100 Hz as 32-bit float samples at `rate` (libsoxr, high quality),
// each sample scaled by 1 / 32768. At 44100 the samples are only scaled, so they convert back to
// the very same 16-bit values.
std::vector<float> bufferAtRate(std::span<const std::int16_t> samples, double rate);

} // namespace vorel
