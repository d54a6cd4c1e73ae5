// The wave file reader against its rules, written out here on their own: a file is accepted
// exactly when it holds at least 800 bytes and the 100 little-endian doubles at its start are all
// finite; an accepted file encodes back to those 800 bytes; a refusal says why.
#include "FuzzCheck.h"
#include "common/WaveFile.h"

#include <algorithm>
#include <bit>
#include <cmath>

using namespace vorel;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto bytes = fuzz::bytesOf(data, size);
    constexpr std::size_t coefficients = 100, fileBytes = 800;
    bool valid = size >= fileBytes;
    for (std::size_t k = 0; valid && k < coefficients; ++k)
        valid = std::isfinite(std::bit_cast<double>(fuzz::littleEndian(bytes, 8 * k, 8)));

    const auto wave = decodeWaveFile(bytes);
    require(wave.ok() == valid, valid ? "a good wave file is refused" : "a bad wave file is taken");
    if (!wave) {
        require(!wave.error().empty(), "a refusal without a reason");
        return 0;
    }
    const auto encoded = encodeWaveFile(wave.value());
    require(std::equal(encoded.begin(), encoded.end(), bytes.begin(), bytes.begin() + fileBytes) &&
                encoded.size() == fileBytes,
            "the wave does not encode back to the file's first 800 bytes");
    return 0;
}
