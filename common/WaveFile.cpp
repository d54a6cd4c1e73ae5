#include "common/WaveFile.h"

#include "common/ByteOrder.h"
#include "common/FileIo.h"
#include "common/FileKinds.h"

#include <cmath>
#include <string>

namespace vorel {

std::vector<std::byte> encodeWaveFile(const WaveData& wave) {
    std::vector<std::byte> bytes;
    bytes.reserve(waveFileSize);
    for (double coefficient : wave)
        le::appendF64(bytes, coefficient);
    return bytes;
}

Result<WaveData> decodeWaveFile(std::span<const std::byte> bytes) {
    if (bytes.size() < waveFileSize)
        return Result<WaveData>::failure("a wave file holds 800 bytes, this one only " +
                                         std::to_string(bytes.size()));
    WaveData wave{};
    for (std::size_t k = 0; k < harmonicCount; ++k) {
        wave[k] = le::readF64(bytes, 8 * k);
        if (!std::isfinite(wave[k]))
            return Result<WaveData>::failure("the coefficient of harmonic " +
                                             std::to_string(k + 1) + " is not a finite number");
    }
    return Result<WaveData>::success(wave);
}

Result<WaveData> loadWaveFile(const std::string& path) {
    auto bytes = readFileBytes(path, waveFileSize);
    if (!bytes)
        return Result<WaveData>::failure(bytes.error());
    Result<WaveData> wave = decodeWaveFile(bytes.value());
    if (!wave)
        return Result<WaveData>::failure(
            refusalReason(FileKind::wave, path, bytes.value(), wave.error()));
    return wave;
}

Status saveWaveFile(const std::string& path, const WaveData& wave) {
    return writeFileAtomically(path, encodeWaveFile(wave));
}

} // namespace vorel
