#include "common/FileIo.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <limits>
#include <mutex>
#include <optional>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace vorel {
namespace {

std::string systemReason(int error = errno) {
    return std::strerror(error);
}

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    // Closes now and reports whether the close succeeded (a failed close can lose written data).
    bool close() {
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

std::string folderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// Writes every byte, retrying after interruptions and short writes. False with errno set on
// failure.
bool writeAll(int fd, std::span<const std::byte> bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        ssize_t put = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        written += static_cast<std::size_t>(put);
    }
    return true;
}

// With its default action the file-size limit's signal would end the program in the middle of a
// save; ignored, the write fails with EFBIG and the save reports it. A handler the program set
// itself is left alone.
void ignoreFileSizeSignal() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (::sigaction(SIGXFSZ, nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO) != 0 ||
            current.sa_handler != SIG_DFL)
            return;
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        ::sigaction(SIGXFSZ, &ignore, nullptr);
    });
}

// Where a save goes and how.
struct Destination {
    // replace: a regular file, new or existing, renamed into place; stream: written into as it is.
    enum class Kind { replace, stream } kind = Kind::replace;
    std::string path;    // replace: the entry that is replaced or created, links followed
    bool exists = false; // replace: a file is there now
    struct stat info {}; // replace: that file's, when it exists
};

// The entry a save replaces or creates for path: its last component's symbolic links followed,
// also a link whose target does not exist yet.
Result<std::string> linkTarget(std::string path) {
    constexpr int maxLinks = 40; // the kernel's own limit when it follows links
    for (int link = 0; link < maxLinks; ++link) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return Result<std::string>::success(std::move(path));
        std::error_code error;
        const std::filesystem::path target = std::filesystem::read_symlink(path, error);
        if (error)
            return Result<std::string>::failure("cannot follow its symbolic link: " +
                                                error.message());
        path = target.is_absolute() ? target.string() : folderOf(path) + "/" + target.string();
    }
    return Result<std::string>::failure("cannot follow its symbolic link: " + systemReason(ELOOP));
}

Result<Destination> destinationOf(const std::string& path) {
    using R = Result<Destination>;
    if (path.empty())
        return R::failure("no file name was given");
    Destination destination;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        if (S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode)) {
            // A pipe or a device takes the bytes where it is; replacing it would break it.
            destination.kind = Destination::Kind::stream;
            destination.path = path;
            return R::success(std::move(destination));
        }
        if (S_ISDIR(info.st_mode))
            return R::failure("it is a folder, not a file");
        if (S_ISBLK(info.st_mode))
            return R::failure("it is a block device, which a save does not overwrite");
        if (!S_ISREG(info.st_mode))
            return R::failure("it is not a regular file");
        destination.exists = true;
        destination.info = info;
    } else if (errno != ENOENT) {
        return R::failure("cannot reach it: " + systemReason());
    }
    auto entry = linkTarget(path);
    if (!entry)
        return R::failure(entry.error());
    destination.path = std::move(entry).value();
    return R::success(std::move(destination));
}

constexpr std::string_view temporaryPrefix = ".vorel-save-";

// Creates a new file beside the destination under a random name (its path goes into temporary
// at once, so the caller removes it whatever happens next), writes the bytes, gives it the
// replaced file's owner and permissions and flushes it to disk.
Status writeTemporary(const Destination& destination, std::span<const std::byte> bytes,
                      std::string& temporary) {
    constexpr std::string_view letters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    constexpr int nameLength = 6;
    constexpr int attempts = 100; // names already taken, tried again with fresh letters
    // A new file gets 0666 less the umask from open itself. A file that replaces another starts
    // private and gets that file's bits once its owner is set.
    const mode_t createMode = destination.exists ? 0600 : 0666;
    const std::string folder = folderOf(destination.path);
    std::random_device random;
    std::uniform_int_distribution<std::size_t> pick(0, letters.size() - 1);
    int fd = -1;
    for (int attempt = 0; attempt < attempts && fd < 0; ++attempt) {
        std::string name = folder + "/" + std::string(temporaryPrefix);
        for (int i = 0; i < nameLength; ++i)
            name += letters[pick(random)];
        fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, createMode);
        if (fd >= 0)
            temporary = name;
        else if (errno != EEXIST)
            break;
    }
    FileDescriptor file(fd);
    if (fd < 0)
        return Status::failure("cannot create a file in its folder: " + systemReason());

    if (!writeAll(file.get(), bytes))
        return Status::failure("cannot write it: " + systemReason());
    if (destination.exists) {
        // The owner first: changing it clears the set-user-ID and set-group-ID bits. Without the
        // right to give the file away, the group alone may still be kept.
        const struct stat& old = destination.info;
        if (::fchown(file.get(), old.st_uid, old.st_gid) != 0 &&
            ::fchown(file.get(), static_cast<uid_t>(-1), old.st_gid) != 0) {
            // The new file stays the saving user's.
        }
        if (::fchmod(file.get(), old.st_mode & 07777) != 0)
            return Status::failure("cannot give it the permissions of the file it replaces: " +
                                   systemReason());
    }
    if (::fsync(file.get()) != 0)
        return Status::failure("cannot write it to disk: " + systemReason());
    if (!file.close())
        return Status::failure("cannot close it: " + systemReason(), Status::Kind::closeFailed);
    return Status::success();
}

Status writeInto(const std::string& path, std::span<const std::byte> bytes) {
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0)
        return Status::failure("cannot open it: " + systemReason());
    if (!writeAll(file.get(), bytes))
        return Status::failure("cannot write it: " + systemReason());
    if (!file.close())
        return Status::failure("cannot close it: " + systemReason(), Status::Kind::closeFailed);
    return Status::success();
}

// Makes the renames themselves last through a crash. Best effort: the new files are in place
// either way, and some file systems cannot flush a folder.
void syncFolder(const std::string& folder) {
    FileDescriptor handle(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (handle.get() >= 0)
        ::fsync(handle.get());
}

struct SaveFailure {
    std::size_t file; // index of the file that failed
    Status status;
};

// Both saves: every temporary file written, then the pipes and devices, then every rename.
std::optional<SaveFailure> saveAll(std::span<const FileToWrite> files) {
    ignoreFileSizeSignal();
    struct Pending {
        Destination destination;
        std::string temporary; // until it is renamed into place
    };
    std::vector<Pending> pending(files.size());
    // Whatever has not been renamed into place is removed, however the save ends.
    struct Cleanup {
        std::vector<Pending>& pending;
        ~Cleanup() {
            for (const Pending& p : pending)
                if (!p.temporary.empty())
                    ::unlink(p.temporary.c_str());
        }
    } cleanup{pending};

    for (std::size_t i = 0; i < files.size(); ++i) {
        auto destination = destinationOf(files[i].path);
        if (!destination)
            return SaveFailure{i, Status::failure(destination.error())};
        Pending& p = pending[i];
        p.destination = std::move(destination).value();
        if (p.destination.kind != Destination::Kind::replace)
            continue;
        if (Status written = writeTemporary(p.destination, files[i].bytes, p.temporary); !written)
            return SaveFailure{i, written};
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (pending[i].destination.kind != Destination::Kind::stream)
            continue;
        if (Status written = writeInto(pending[i].destination.path, files[i].bytes); !written)
            return SaveFailure{i, written};
    }
    // Only a destination changed meanwhile (a folder put in its place, the folder's permissions
    // taken away) makes a rename fail; the files renamed before it then stay new.
    std::vector<std::string> folders;
    for (std::size_t i = 0; i < files.size(); ++i) {
        Pending& p = pending[i];
        if (p.destination.kind != Destination::Kind::replace)
            continue;
        if (::rename(p.temporary.c_str(), p.destination.path.c_str()) != 0)
            return SaveFailure{i, Status::failure("cannot put it in place: " + systemReason())};
        p.temporary.clear();
        folders.push_back(folderOf(p.destination.path));
    }
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    for (const auto& folder : folders)
        syncFolder(folder);
    return std::nullopt;
}

// Reads the file from its start in chunks, handing each to `take`, until its end or until `limit`
// bytes have been read.
Status readInChunks(const std::string& path, std::size_t limit,
                    const std::function<void(std::span<const std::byte>)>& take) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0)
        return Status::failure("cannot open it: " + systemReason());
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        return Status::failure("cannot read it: " + systemReason());
    if (S_ISDIR(info.st_mode))
        return Status::failure("it is a folder, not a file");

    std::vector<std::byte> chunk(64 * 1024);
    for (std::size_t done = 0; done < limit;) {
        const std::size_t want = std::min(chunk.size(), limit - done);
        const ssize_t got = ::read(file.get(), chunk.data(), want);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return Status::failure("cannot read it: " + systemReason());
        if (got == 0)
            break;
        take(std::span(chunk).first(static_cast<std::size_t>(got)));
        done += static_cast<std::size_t>(got);
    }
    return Status::success();
}

// FNV-1a, 64 bits: the offset basis and the prime of its definition.
constexpr std::uint64_t fnvOffsetBasis = 0xcbf29ce484222325;
constexpr std::uint64_t fnvPrime = 0x100000001b3;

std::uint64_t fnv1a(std::uint64_t hash, std::span<const std::byte> bytes) {
    for (std::byte byte : bytes)
        hash = (hash ^ std::to_integer<std::uint64_t>(byte)) * fnvPrime;
    return hash;
}

} // namespace

Result<std::vector<std::byte>> readFileBytes(const std::string& path, std::size_t maxBytes) {
    std::vector<std::byte> bytes;
    const Status read =
        readInChunks(path, maxBytes + 1, [&bytes](std::span<const std::byte> chunk) {
            bytes.insert(bytes.end(), chunk.begin(), chunk.end());
        });
    if (!read)
        return Result<std::vector<std::byte>>::failure(read.error());
    return Result<std::vector<std::byte>>::success(std::move(bytes));
}

FileFingerprint fingerprintOf(std::span<const std::byte> bytes) {
    return {bytes.size(), fnv1a(fnvOffsetBasis, bytes)};
}

Result<FileFingerprint> fingerprintFile(const std::string& path) {
    FileFingerprint fingerprint{0, fnvOffsetBasis};
    const Status read = readInChunks(path, std::numeric_limits<std::size_t>::max(),
                                     [&fingerprint](std::span<const std::byte> chunk) {
                                         fingerprint.size += chunk.size();
                                         fingerprint.checksum = fnv1a(fingerprint.checksum, chunk);
                                     });
    if (!read)
        return Result<FileFingerprint>::failure(read.error());
    return Result<FileFingerprint>::success(fingerprint);
}

Status writeFileAtomically(const std::string& path, std::span<const std::byte> bytes) {
    const FileToWrite file{path, bytes};
    if (auto failure = saveAll({&file, 1}))
        return failure->status;
    return Status::success();
}

Status writeFilesAtomically(std::span<const FileToWrite> files) {
    if (auto failure = saveAll(files))
        return Status::failure(files[failure->file].path + ": " + failure->status.error(),
                               failure->status.kind());
    return Status::success();
}

Status checkSaveDestination(const std::string& path) {
    auto destination = destinationOf(path);
    if (!destination)
        return Status::failure(destination.error());
    if (destination.value().kind == Destination::Kind::stream)
        return ::access(path.c_str(), W_OK) == 0
                   ? Status::success()
                   : Status::failure("cannot write into it: " + systemReason());
    const std::string folder = folderOf(destination.value().path);
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        return Status::failure(errno == ENOENT ? "its folder does not exist"
                                               : "cannot reach its folder: " + systemReason());
    if (!S_ISDIR(info.st_mode))
        return Status::failure("its folder " + folder + " is not a folder");
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return Status::failure("cannot write into its folder: " + systemReason());
    return Status::success();
}

} // namespace vorel
