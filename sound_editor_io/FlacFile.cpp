#include "sound_editor_io/FlacFile.h"

#include "common/FileIo.h"
#include "common/Pcm.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>

namespace vorel {
namespace {

// A file in memory that libsndfile writes through its virtual I/O. The encoder seeks back to
// finish the stream's header, so a write lands at the position, growing the file as needed.
struct MemoryFile {
    std::vector<std::byte> bytes;
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

    // Nothing is read back while a file is written.
    static sf_count_t read(void*, sf_count_t, void*) { return 0; }

    static sf_count_t write(const void* source, sf_count_t count, void* user) {
        MemoryFile& file = of(user);
        if (count <= 0)
            return 0;
        const auto end = static_cast<std::size_t>(file.position + count);
        if (end > file.bytes.size())
            file.bytes.resize(end);
        std::memcpy(file.bytes.data() + file.position, source, static_cast<std::size_t>(count));
        file.position += count;
        return count;
    }
};

} // namespace

Result<std::vector<std::byte>> encodeFlacFile(std::span<const std::int16_t> samples) {
    using R = Result<std::vector<std::byte>>;
    MemoryFile file;
    SF_VIRTUAL_IO io{MemoryFile::length, MemoryFile::seek, MemoryFile::read, MemoryFile::write,
                     MemoryFile::tell};
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
    return R::success(std::move(file.bytes));
}

Status saveFlacFile(const std::string& path, std::span<const std::int16_t> buffer) {
    auto bytes = encodeFlacFile(buffer.first(audibleLength(buffer)));
    if (!bytes)
        return Status::failure(bytes.error());
    return writeFileAtomically(path, bytes.value());
}

} // namespace vorel
