#include "common/FileIo.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vorel::test {
namespace {

namespace fs = std::filesystem;

class FileIoTest : public ::testing::Test {
  protected:
    static std::vector<std::byte> bytesOf(std::string_view text) {
        std::vector<std::byte> bytes;
        for (char c : text)
            bytes.push_back(static_cast<std::byte>(c));
        return bytes;
    }
    // The save's temporary files left in the folder.
    int temporariesLeft() const {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(folder))
            count += entry.path().filename().string().starts_with(".vorel-save-");
        return count;
    }
    // Nothing for a file that cannot be read.
    static std::vector<std::byte> contentOf(const fs::path& path) {
        auto read = readFileBytes(path, 1000);
        return read ? read.value() : std::vector<std::byte>{};
    }
    TempFolder temp;
    fs::path folder = temp.path();
};

TEST_F(FileIoTest, AtomicWriteReplacesTheFileAndLeavesNoTemporaryBehind) {
    const std::string path = folder / "a.bin";
    ASSERT_TRUE(writeFileAtomically(path, bytesOf("first version")));
    ASSERT_TRUE(writeFileAtomically(path, bytesOf("second")));
    auto read = readFileBytes(path, 100);
    ASSERT_TRUE(read);
    EXPECT_EQ(read.value(), bytesOf("second"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST_F(FileIoTest, FailedWriteKeepsTheEarlierFileWhole) {
    const std::string path = folder / "keep.bin";
    ASSERT_TRUE(writeFileAtomically(path, bytesOf("precious")));
    // A destination that is a folder cannot be replaced by a file.
    fs::create_directories(folder / "dir");
    Status status = writeFileAtomically(folder / "dir", bytesOf("x"));
    EXPECT_FALSE(status);
    EXPECT_TRUE(fs::is_directory(folder / "dir"));
    EXPECT_EQ(readFileBytes(path, 100).value(), bytesOf("precious"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);
}

TEST_F(FileIoTest, WriteIntoAMissingFolderOrBelowAFileFails) {
    Status status = writeFileAtomically(folder / "missing" / "a.bin", bytesOf("x"));
    EXPECT_FALSE(status);
    EXPECT_FALSE(fs::exists(folder / "missing"));
    // A parent that is a file: no one, root included, can create anything below it.
    ASSERT_TRUE(writeFileAtomically(folder / "plain", bytesOf("file")));
    status = writeFileAtomically(folder / "plain" / "a.bin", bytesOf("x"));
    EXPECT_FALSE(status);
    EXPECT_FALSE(status.error().empty());
    EXPECT_EQ(readFileBytes(folder / "plain", 100).value(), bytesOf("file"));
}

TEST_F(FileIoTest, WriteIntoAFolderWithoutWritePermissionFailsAndKeepsTheFile) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into any folder whatever its permission bits";
    const std::string path = folder / "keep.bin";
    ASSERT_TRUE(writeFileAtomically(path, bytesOf("precious")));
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    Status status = writeFileAtomically(path, bytesOf("lost"));
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_FALSE(status);
    EXPECT_FALSE(status.error().empty());
    EXPECT_EQ(readFileBytes(path, 100).value(), bytesOf("precious"));
}

TEST_F(FileIoTest, ReadStopsOneByteAfterTheLimitAndRefusesFoldersAndMissingFiles) {
    const std::string path = folder / "big.bin";
    ASSERT_TRUE(writeFileAtomically(path, std::vector<std::byte>(200000, std::byte{7})));
    auto read = readFileBytes(path, 800);
    ASSERT_TRUE(read);
    EXPECT_EQ(read.value().size(), 801u);
    EXPECT_FALSE(readFileBytes(folder / "nothing.bin", 10));
    auto dir = readFileBytes(folder, 10);
    ASSERT_FALSE(dir);
    EXPECT_NE(dir.error().find("folder"), std::string::npos);
}

// The checksum is kept in files, so it must never change: FNV-1a 64's published test values.
TEST_F(FileIoTest, FingerprintIsTheLengthAndTheFnv1aHashOfTheBytesReadInAnyChunks) {
    EXPECT_EQ(fingerprintOf({}), (FileFingerprint{0, 0xcbf29ce484222325}));
    EXPECT_EQ(fingerprintOf(bytesOf("foobar")), (FileFingerprint{6, 0x85944171f73967e8}));
    std::vector<std::byte> big(200000);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<std::byte>(i * 7);
    const std::string path = folder / "big.bin";
    ASSERT_TRUE(writeFileAtomically(path, big));
    const Result<FileFingerprint> file = fingerprintFile(path);
    ASSERT_TRUE(file) << file.error();
    EXPECT_EQ(file.value(), fingerprintOf(big));
    EXPECT_FALSE(fingerprintFile(folder / "nothing.bin"));
}

TEST_F(FileIoTest, SaveThroughASymbolicLinkReplacesItsTargetAndKeepsTheLink) {
    ASSERT_TRUE(writeFileAtomically(folder / "target.bin", bytesOf("old")));
    fs::create_directories(folder / "sub");
    fs::create_symlink("../target.bin", folder / "sub" / "inner");
    fs::create_symlink("sub/inner", folder / "outer");
    fs::create_symlink("made.bin", folder / "dangling");

    ASSERT_TRUE(writeFileAtomically(folder / "outer", bytesOf("new")));
    ASSERT_TRUE(writeFileAtomically(folder / "dangling", bytesOf("made")));
    EXPECT_TRUE(fs::is_symlink(folder / "outer"));
    EXPECT_TRUE(fs::is_symlink(folder / "sub" / "inner"));
    EXPECT_TRUE(fs::is_symlink(folder / "dangling"));
    EXPECT_EQ(contentOf(folder / "target.bin"), bytesOf("new"));
    EXPECT_EQ(contentOf(folder / "made.bin"), bytesOf("made"));
    EXPECT_EQ(temporariesLeft(), 0);
}

TEST_F(FileIoTest, SaveKeepsPermissionsAndOwnerAndGivesNewFilesTheUmask) {
    const fs::path kept = folder / "private.bin";
    ASSERT_TRUE(writeFileAtomically(kept, bytesOf("old")));
    ASSERT_EQ(::chmod(kept.c_str(), 0640), 0);
    const bool root = ::geteuid() == 0;
    constexpr uid_t someoneElse = 4321; // any id that is not root's
    if (root) {
        ASSERT_EQ(::chown(kept.c_str(), someoneElse, someoneElse), 0);
    }
    ASSERT_TRUE(writeFileAtomically(kept, bytesOf("new")));
    struct stat info {};
    ASSERT_EQ(::stat(kept.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(info.st_uid, someoneElse);
        EXPECT_EQ(info.st_gid, someoneElse);
    }

    const mode_t before = ::umask(027);
    Status created = writeFileAtomically(folder / "new.bin", bytesOf("x"));
    ::umask(before);
    ASSERT_TRUE(created);
    ASSERT_EQ(::stat((folder / "new.bin").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(FileIoTest, PipesAndDevicesAreWrittenIntoNotReplaced) {
    const fs::path fifo = folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // The reading end is open before the save, so the save neither blocks nor meets no reader.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    Status status = writeFileAtomically(fifo, bytesOf("through the pipe"));
    char got[64] = {};
    const ssize_t n = ::read(reader, got, sizeof got);
    ::close(reader);
    EXPECT_TRUE(status) << status.error();
    EXPECT_EQ(std::string(got, static_cast<std::size_t>(std::max<ssize_t>(n, 0))),
              "through the pipe");
    EXPECT_TRUE(fs::is_fifo(fifo));

    fs::create_symlink("/dev/null", folder / "null");
    EXPECT_TRUE(writeFileAtomically(folder / "null", bytesOf("gone")));
    EXPECT_TRUE(fs::is_symlink(folder / "null"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_EQ(temporariesLeft(), 0);
}

TEST_F(FileIoTest, AFileSizeLimitFailsTheSaveInsteadOfEndingTheProgram) {
    const std::string path = folder / "keep.bin";
    ASSERT_TRUE(writeFileAtomically(path, bytesOf("precious")));
    constexpr rlim_t limit = 1000; // bytes; the save below writes 4000
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit small{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &small);
        Status status = writeFileAtomically(path, std::vector<std::byte>(4 * limit));
        const bool reported =
            !status && status.error().find(std::strerror(EFBIG)) != std::string::npos;
        ::_exit(reported ? 0 : 1);
    }
    int result = 0;
    ASSERT_EQ(::waitpid(child, &result, 0), child);
    ASSERT_TRUE(WIFEXITED(result)) << "ended by signal " << WTERMSIG(result);
    EXPECT_EQ(WEXITSTATUS(result), 0) << "the save did not report the limit";
    EXPECT_EQ(contentOf(path), bytesOf("precious"));
    EXPECT_EQ(temporariesLeft(), 0);
}

TEST_F(FileIoTest, FilesOfOneSaveAreWrittenAllOrNothing) {
    const std::string first = folder / "a.bin";
    ASSERT_TRUE(writeFileAtomically(first, bytesOf("old a")));
    const auto a = bytesOf("new a"), b = bytesOf("new b");
    const std::string unreachable = folder / "missing" / "b.bin";
    const std::vector<FileToWrite> failing{{first, a}, {unreachable, b}};
    Status status = writeFilesAtomically(failing);
    EXPECT_FALSE(status);
    EXPECT_TRUE(status.error().starts_with(unreachable)) << status.error();
    EXPECT_EQ(contentOf(first), bytesOf("old a"));
    EXPECT_EQ(temporariesLeft(), 0);

    const std::vector<FileToWrite> both{{first, a}, {folder / "b.bin", b}};
    ASSERT_TRUE(writeFilesAtomically(both));
    EXPECT_EQ(contentOf(first), a);
    EXPECT_EQ(contentOf(folder / "b.bin"), b);
}

} // namespace
} // namespace vorel::test
