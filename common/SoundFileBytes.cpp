#include "common/SoundFileBytes.h"

#include "common/Pcm.h"

#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace vorel {
namespace {

// A file in memory that libsndfile reads or writes through its virtual I/O. An encoder seeks back
// to finish a stream's header, so a write lands at the position, growing the file as needed.
struct MemoryFile {
    std::vector<std::byte> written;   // what is written
    std::span<const std::byte> bytes; // what is read: the caller's bytes, or `written`
    sf_count_t position = 0;

    static MemoryFile& of(void* user) { return *static_cast<MemoryFile*>(user); }
    static sf_count_t length(void* user) { return static_cast<sf_count_t>(of(user).bytes.size()); }
    static sf_count_t tell(void* user) { return of(user).position; }

    static sf_count_t seek(sf_count_t offset, int whence, void* user) {
        MemoryFile& file = of(user);
        const sf_count_t base = whence == SEEK_CUR   ? file.position
                                : whence == SEEK_END ? length(user)
                                                     : 0;
        if (base + offset < 0)
            return -1;
        file.position = base + offset;
        return file.position;
    }

    static sf_count_t read(void* destination, sf_count_t count, void* user) {
        MemoryFile& file = of(user);
        const sf_count_t available = std::max<sf_count_t>(length(user) - file.position, 0);
        const sf_count_t n = std::clamp<sf_count_t>(count, 0, available);
        if (n > 0)
            std::memcpy(destination, file.bytes.data() + file.position,
                        static_cast<std::size_t>(n));
        file.position += n;
        return n;
    }

    static sf_count_t write(const void* source, sf_count_t count, void* user) {
        MemoryFile& file = of(user);
        if (count <= 0)
            return 0;
        const auto end = static_cast<std::size_t>(file.position + count);
        if (end > file.written.size())
            file.written.resize(end);
        std::memcpy(file.written.data() + file.position, source, static_cast<std::size_t>(count));
        file.position += count;
        file.bytes = file.written;
        return count;
    }

    SF_VIRTUAL_IO io() const { return {length, seek, read, write, tell}; }
};

} // namespace

Result<std::vector<std::byte>> encodeFlacFile(std::span<const std::int16_t> samples) {
    using R = Result<std::vector<std::byte>>;
    MemoryFile file;
    SF_VIRTUAL_IO io = file.io();
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* sound = sf_open_virtual(&io, SFM_WRITE, &info, &file);
    if (sound == nullptr)
        return R::failure(std::string("the FLAC encoder cannot start: ") + sf_strerror(nullptr));
    // The encoder starts at the first write of samples; started now, a file without samples
    // still gets its header instead of no bytes at all.
    sf_command(sound, SFC_UPDATE_HEADER_NOW, nullptr, 0);
    const auto count = static_cast<sf_count_t>(samples.size());
    const bool written = sf_write_short(sound, samples.data(), count) == count;
    const std::string reason = written ? "" : sf_strerror(sound);
    // Closing finishes the stream: the encoder writes its last frame and fixes the header.
    const int closeError = sf_close(sound);
    if (!written)
        return R::failure("the FLAC encoder failed: " + reason);
    if (closeError != 0)
        return R::failure(std::string("the FLAC encoder failed: ") + sf_error_number(closeError));
    return R::success(std::move(file.written));
}

Result<std::vector<double>> decodeFirstChannel(std::span<const std::byte> bytes,
                                               std::size_t maxFrames) {
    using R = Result<std::vector<double>>;
    MemoryFile file;
    file.bytes = bytes;
    SF_VIRTUAL_IO io = file.io();
    SF_INFO info{};
    SNDFILE* sound = sf_open_virtual(&io, SFM_READ, &info, &file);
    if (sound == nullptr)
        return R::failure(std::string("it is not a sound file that can be read: ") +
                          sf_strerror(nullptr));
    const auto channels = static_cast<std::size_t>(std::max(info.channels, 1));
    constexpr std::size_t framesPerBlock = 4096;
    std::vector<double> block(framesPerBlock * channels);
    std::vector<double> samples;
    while (samples.size() <= maxFrames) {
        const sf_count_t frames =
            sf_readf_double(sound, block.data(), static_cast<sf_count_t>(framesPerBlock));
        if (frames <= 0)
            break;
        for (sf_count_t f = 0; f < frames; ++f)
            samples.push_back(block[static_cast<std::size_t>(f) * channels]);
    }
    sf_close(sound);
    samples.resize(std::min(samples.size(), maxFrames + 1));
    return R::success(std::move(samples));
}

} // namespace vorel
