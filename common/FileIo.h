#pragma once

#include "common/Result.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vorel {

// Reads at most maxBytes + 1 bytes of a file, so a caller can tell an oversized file from one
// that fits, without reading a huge file whole.
Result<std::vector<std::byte>> readFileBytes(const std::string& path, std::size_t maxBytes);

// What a file holds, in short: its length and the 64-bit FNV-1a hash of its bytes. Enough to tell
// whether a file still holds what it held when it was loaded.
struct FileFingerprint {
    std::uint64_t size = 0;     // bytes
    std::uint64_t checksum = 0; // FNV-1a, 64 bits, over all of them
    bool operator==(const FileFingerprint&) const = default;
};
FileFingerprint fingerprintOf(std::span<const std::byte> bytes);
// The fingerprint of the whole file, read in chunks; the reason when it cannot be read.
Result<FileFingerprint> fingerprintFile(const std::string& path);

// Writes a file so that it is either wholly there or not changed at all: the bytes go to a new
// temporary file in the destination's folder, are flushed to disk, and the temporary file is
// renamed over the destination; then the folder is flushed. On failure the temporary file is
// removed and an earlier file stays whole.
// - A symbolic link is followed: its target is saved this way and the link stays a link.
// - An existing file keeps its permission bits (and its owner and group where the process may
//   set them); a new file gets 0666 less the umask.
// - A FIFO or a character device (a pipe, /dev/null, a terminal) is written into directly; a
//   folder, a block device or a socket is refused with the reason.
// - A file-size limit or a full disk is a failure like any other (the size-limit signal, which
//   would end the program, is ignored from the first save on unless the program handles it).
// A failing close gives Status::Kind::closeFailed. The reason does not name the file.
Status writeFileAtomically(const std::string& path, std::span<const std::byte> bytes);

// One file of a save of several; the bytes stay the caller's.
struct FileToWrite {
    std::string path;
    std::span<const std::byte> bytes;
};

// Saves several files all-or-nothing: every file is first written to its temporary file and
// flushed, and only when all of them are on disk are they renamed into place. A failure before
// that leaves every destination as it was. Otherwise as writeFileAtomically; the reason starts
// with the path of the file that failed ("out/a-440.wav: it is a folder, not a file").
Status writeFilesAtomically(std::span<const FileToWrite> files);

// Checks, without writing anything, that a save to path can start: the destination is something
// a save replaces or writes into, and its folder exists, is a folder and may be written. For
// refusing an output before long work rather than after it.
Status checkSaveDestination(const std::string& path);

} // namespace vorel
