#include "common/FileIo.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorel {
namespace {

std::string systemReason() {
    return std::strerror(errno);
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

} // namespace

Result<std::vector<std::byte>> readFileBytes(const std::string& path, std::size_t maxBytes) {
    using R = Result<std::vector<std::byte>>;
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0)
        return R::failure("cannot open it: " + systemReason());
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        return R::failure("cannot read it: " + systemReason());
    if (S_ISDIR(info.st_mode))
        return R::failure("it is a folder, not a file");

    std::vector<std::byte> bytes;
    const std::size_t limit = maxBytes + 1;
    std::size_t chunk = 64 * 1024;
    while (bytes.size() < limit) {
        std::size_t want = std::min(chunk, limit - bytes.size());
        std::size_t old = bytes.size();
        bytes.resize(old + want);
        ssize_t got = ::read(file.get(), bytes.data() + old, want);
        if (got < 0) {
            if (errno == EINTR) {
                bytes.resize(old);
                continue;
            }
            return R::failure("cannot read it: " + systemReason());
        }
        bytes.resize(old + static_cast<std::size_t>(got));
        if (got == 0)
            break;
    }
    return R::success(std::move(bytes));
}

Status writeFileAtomically(const std::string& path, std::span<const std::byte> bytes) {
    if (path.empty())
        return Status::failure("no file name was given");
    std::string pattern = folderOf(path) + "/.vorel-save-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    FileDescriptor file(::mkstemp(name.data()));
    if (file.get() < 0)
        return Status::failure("cannot create a file in its folder: " + systemReason());
    const std::string temporary(name.data());
    auto fail = [&](const std::string& what, Status::Kind kind = Status::Kind::failed) {
        std::string reason = what + ": " + systemReason();
        ::unlink(temporary.c_str());
        return Status::failure(reason, kind);
    };

    std::size_t written = 0;
    while (written < bytes.size()) {
        ssize_t put = ::write(file.get(), bytes.data() + written, bytes.size() - written);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return fail("cannot write it");
        }
        written += static_cast<std::size_t>(put);
    }
    // mkstemp makes the file private; a saved document gets the usual permissions.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(file.get(), 0666 & ~mask);
    if (::fsync(file.get()) != 0)
        return fail("cannot write it to disk");
    if (!file.close())
        return fail("cannot close it", Status::Kind::closeFailed);
    if (::rename(temporary.c_str(), path.c_str()) != 0)
        return fail("cannot replace it");
    return Status::success();
}

} // namespace vorel
