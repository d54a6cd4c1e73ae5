#include "common/FileIo.h"
#include "common/WaveFile.h"
#include "sound_editor_io/SoundEditorFiles.h"
#include "support/TempFolder.h"
#include "tools/RenderCommand.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sstream>
#include <sys/mount.h>
#include <unistd.h>

namespace vorel::test {
namespace {

namespace fs = std::filesystem;

// A small tmpfs of its own, filled up once the earlier files are on it, so that every save into
// it runs out of space.
class FullDiskTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (::geteuid() != 0)
            GTEST_SKIP() << "mounting a file system of its own needs root";
        fs::create_directories(disk);
        if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0)
            GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(errno);
        mounted = true;
    }
    void TearDown() override {
        if (mounted)
            ::umount(disk.c_str());
    }
    // Writes one file until the disk holds no byte more.
    void fill() const {
        const int fd = ::open((disk / "filler").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        ASSERT_GE(fd, 0);
        const std::vector<char> block(4096, 'f');
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        EXPECT_EQ(errno, ENOSPC);
        ::close(fd);
    }
    // Every file on the disk and its bytes.
    std::map<std::string, std::vector<std::byte>> contents() const {
        std::map<std::string, std::vector<std::byte>> files;
        for (const auto& entry : fs::directory_iterator(disk))
            files[entry.path().filename()] = readFileBytes(entry.path(), 100'000).value();
        return files;
    }

    TempFolder temp;
    fs::path disk = temp.path() / "disk";
    bool mounted = false;
};

TEST_F(FullDiskTest, EverySaveFailsWithTheReasonAndLeavesTheEarlierFiles) {
    WaveData wave{};
    wave[0] = 1.0;
    SoundSettings sound;
    SequenceData sequence;
    sequence.placeNote(0, 30, 12, 9, 9);
    const std::vector<std::int16_t> samples{1, -2, 3};
    const std::vector<std::byte> old{std::byte{'O'}, std::byte{'L'}, std::byte{'D'}};
    const std::string waveInput = temp.file("w.vorelwf"), sequenceInput = temp.file("q.vorelsqf");
    ASSERT_TRUE(writeFileAtomically(waveInput, encodeWaveFile(wave)));
    ASSERT_TRUE(saveSequenceFile(sequenceInput, sequence));
    auto onDisk = [&](const char* name) { return (disk / name).string(); };
    ASSERT_TRUE(writeFileAtomically(onDisk("a.vorelwf"), encodeWaveFile(wave)));
    ASSERT_TRUE(saveSoundFile(onDisk("a.vorelsf"), sound));
    ASSERT_TRUE(saveSequenceFile(onDisk("a.vorelsqf"), sequence));
    ASSERT_TRUE(saveWavFile(onDisk("a.wav"), samples));
    ASSERT_TRUE(writeFileAtomically(onDisk("song.wav"), old));
    ASSERT_TRUE(writeFileAtomically(onDisk("p-110.wav"), old));
    fill();
    const auto before = contents();

    wave[1] = 0.5;
    sound.select(Param::detune, 7);
    sequence.placeNote(24, 31, 12, 5, 5);
    const std::vector<std::int16_t> longer(5000, 100);
    const std::map<std::string, Status> saves{
        {"wave", writeFileAtomically(onDisk("a.vorelwf"), encodeWaveFile(wave))},
        {"sound", saveSoundFile(onDisk("a.vorelsf"), sound)},
        {"sequence", saveSequenceFile(onDisk("a.vorelsqf"), sequence)},
        {"WAV", saveWavFile(onDisk("a.wav"), longer)},
    };
    for (const auto& [kind, status] : saves)
        EXPECT_NE(status.error().find("No space left on device"), std::string::npos)
            << kind << ": " << status.error();

    std::ostringstream out, err;
    EXPECT_EQ(render::runRenderCommand({"sequence", "--wave", waveInput, "--sequence",
                                        sequenceInput, "-o", onDisk("song.wav")},
                                       out, err, false),
              1);
    EXPECT_NE(err.str().find("song.wav: cannot write it: No space left on device"),
              std::string::npos)
        << err.str();
    err.str({});
    EXPECT_EQ(render::runRenderCommand({"previews", "--wave", waveInput, "-o", onDisk("p")}, out,
                                       err, false),
              1);
    EXPECT_NE(err.str().find("p-110.wav: cannot write it: No space left on device"),
              std::string::npos)
        << err.str();

    // Byte for byte as before, and nothing else: no temporary file, no new preview.
    EXPECT_EQ(contents(), before);
}

} // namespace
} // namespace vorel::test
