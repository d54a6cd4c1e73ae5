#include "common/FileIo.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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

} // namespace
} // namespace vorel::test
