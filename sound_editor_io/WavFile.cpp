#include "sound_editor_io/WavFile.h"

#include "common/ByteOrder.h"
#include "common/Pcm.h"

namespace vorel {

std::vector<std::byte> encodeWavFile(std::span<const std::int16_t> samples) {
    const auto dataSize = static_cast<std::uint32_t>(samples.size() * 2); // bytes of samples
    const PcmFormat format;
    std::vector<std::byte> bytes;
    bytes.reserve(wavHeaderSize + dataSize);
    le::appendAscii(bytes, "RIFF");                     //  0: chunk id
    le::appendU32(bytes, dataSize + 36);                //  4: size of what follows
    le::appendAscii(bytes, "WAVE");                     //  8: form type
    le::appendAscii(bytes, "fmt ");                     // 12: format chunk
    le::appendU32(bytes, 16);                           // 16: its size
    le::appendU16(bytes, format.formatTag);             // 20: PCM
    le::appendU16(bytes, format.channels);              // 22: mono
    le::appendU32(bytes, format.samplesPerSecond);      // 24: 44100
    le::appendU32(bytes, format.averageBytesPerSecond); // 28: 88200
    le::appendU16(bytes, format.blockAlign);            // 32: 2
    le::appendU16(bytes, format.bitsPerSample);         // 34: 16
    le::appendAscii(bytes, "data");                     // 36: data chunk
    le::appendU32(bytes, dataSize);                     // 40: its size
    for (std::int16_t sample : samples)                 // 44: the samples
        le::appendI16(bytes, sample);
    return bytes;
}

} // namespace vorel
