#include "sound_editor_io/SoundFile.h"

#include "common/ByteOrder.h"

#include <string>

namespace vorel {

std::vector<std::byte> encodeSoundFile(const SoundSettings& settings) {
    std::vector<std::byte> bytes;
    bytes.reserve(soundFileSize);
    for (std::int32_t index : settings.indexes())
        le::appendI32(bytes, index);
    return bytes;
}

Result<SoundSettings> decodeSoundFile(std::span<const std::byte> bytes) {
    using R = Result<SoundSettings>;
    if (bytes.size() < soundFileSize)
        return R::failure("a sound file holds 100 bytes, this one only " +
                          std::to_string(bytes.size()));
    SoundSettings settings;
    for (int number = 1; number <= parameterCount; ++number) {
        const Param param = paramFromNumber(number);
        const std::int32_t index = le::readI32(bytes, 4 * static_cast<std::size_t>(number - 1));
        if (!settings.select(param, index))
            return R::failure("the setting " + std::string(parameterInfo(param).name) +
                              " has index " + std::to_string(index) + ", outside 0.." +
                              std::to_string(parameterInfo(param).choices - 1));
    }
    return R::success(settings);
}

} // namespace vorel
