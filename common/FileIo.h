#pragma once

#include "common/Result.h"

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace vorel {

// Reads at most maxBytes + 1 bytes of a file, so a caller can tell an oversized file from one
// that fits, without reading a huge file whole.
Result<std::vector<std::byte>> readFileBytes(const std::string& path, std::size_t maxBytes);

// Writes a file so that it is either wholly there or not changed at all: the bytes go to a
// temporary file in the same folder, are flushed to disk, and the temporary file is renamed over
// the destination. On failure the temporary file is removed and an earlier file stays whole.
Status writeFileAtomically(const std::string& path, std::span<const std::byte> bytes);

} // namespace vorel
