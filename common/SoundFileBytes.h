#pragma once

#include "common/Result.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vorel {

// Sound files of other programs, read and written through libsndfile entirely in memory: a
// reader never touches the disk, and a save still goes through writeFileAtomically.

// A FLAC file of 16-bit mono at 44100 Hz holding exactly `samples`. Fails only when libsndfile
// does, with its reason.
Result<std::vector<std::byte>> encodeFlacFile(std::span<const std::int16_t> samples);

// The first channel of any file libsndfile reads (WAV, AIFF, FLAC, …; 8 to 32 bits or float),
// as samples in -1..1. Refuses what libsndfile cannot read. Reads at most maxFrames + 1 samples,
// so a caller can tell a file that is too long from one that fits.
Result<std::vector<double>> decodeFirstChannel(std::span<const std::byte> bytes,
                                               std::size_t maxFrames);

} // namespace vorel
