#include "sound_editor_io/WavFile.h"
#include "common/ByteOrder.h"
#include "common/FileIo.h"
#include "sound_editor_io/SoundEditorFiles.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace vorel::test {
namespace {

std::string ascii(const std::vector<std::byte>& bytes, std::size_t offset) {
    return std::string(reinterpret_cast<const char*>(bytes.data()) + offset, 4);
}

TEST(WavFileTest, HeaderIsTheFortyFourBytesOf16BitMonoAt44100Hz) {
    const std::vector<std::int16_t> samples{0, -1, 32767, -32768, 5};
    auto bytes = encodeWavFile(samples);
    ASSERT_EQ(bytes.size(), 44u + 10u);
    EXPECT_EQ(ascii(bytes, 0), "RIFF");
    EXPECT_EQ(le::readU32(bytes, 4), 46u);
    EXPECT_EQ(ascii(bytes, 8), "WAVE");
    EXPECT_EQ(ascii(bytes, 12), "fmt ");
    EXPECT_EQ(le::readU32(bytes, 16), 16u);
    EXPECT_EQ(le::readU16(bytes, 20), 1u);
    EXPECT_EQ(le::readU16(bytes, 22), 1u);
    EXPECT_EQ(le::readU32(bytes, 24), 44100u);
    EXPECT_EQ(le::readU32(bytes, 28), 88200u);
    EXPECT_EQ(le::readU16(bytes, 32), 2u);
    EXPECT_EQ(le::readU16(bytes, 34), 16u);
    EXPECT_EQ(ascii(bytes, 36), "data");
    EXPECT_EQ(le::readU32(bytes, 40), 10u);
    for (std::size_t i = 0; i < samples.size(); ++i)
        EXPECT_EQ(le::readI16(bytes, 44 + 2 * i), samples[i]);
}

TEST(WavFileTest, SavedFileEndsAtTheLastNonZeroSample) {
    TempFolder folder;
    std::vector<std::int16_t> buffer(100000, 0);
    const std::string silent = folder.file("silent.WAV");
    ASSERT_TRUE(saveWavFile(silent, buffer));
    auto bytes = readFileBytes(silent, 1000).value();
    ASSERT_EQ(bytes.size(), 44u);
    EXPECT_EQ(le::readU32(bytes, 4), 36u);
    EXPECT_EQ(le::readU32(bytes, 40), 0u);

    buffer[10] = 3;
    buffer[500] = -7; // the last non-zero sample: D = 2 * 501
    const std::string sound = folder.file("sound.WAV");
    ASSERT_TRUE(saveWavFile(sound, buffer));
    bytes = readFileBytes(sound, 10000).value();
    ASSERT_EQ(bytes.size(), 44u + 1002u);
    EXPECT_EQ(le::readI16(bytes, 44 + 20), 3);
    EXPECT_EQ(le::readI16(bytes, 44 + 1000), -7);

    buffer.back() = 1; // a full buffer keeps every sample
    ASSERT_TRUE(saveWavFile(sound, buffer));
    EXPECT_EQ(readFileBytes(sound, 300000).value().size(), 44u + 200000u);

    EXPECT_FALSE(saveWavFile(folder.file("missing/x.WAV"), buffer));
}

// sox reads the file as its own: an independent check of the header.
TEST(WavFileTest, AnIndependentReaderAcceptsTheFile) {
    if (std::system("command -v soxi >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "soxi is not installed";
    TempFolder folder;
    std::vector<std::int16_t> buffer(44100);
    for (std::size_t i = 0; i < buffer.size(); ++i)
        buffer[i] = static_cast<std::int16_t>((i % 100) * 300 - 15000);
    const std::string path = folder.file("check.wav");
    ASSERT_TRUE(saveWavFile(path, buffer));
    const std::string out = folder.file("soxi.txt");
    ASSERT_EQ(std::system(("soxi '" + path + "' > '" + out + "' 2>&1").c_str()), 0);
    auto text = readFileBytes(out, 10000).value();
    std::string report(reinterpret_cast<const char*>(text.data()), text.size());
    EXPECT_NE(report.find("Channels       : 1"), std::string::npos) << report;
    EXPECT_NE(report.find("Sample Rate    : 44100"), std::string::npos) << report;
    EXPECT_NE(report.find("Precision      : 16-bit"), std::string::npos) << report;
    EXPECT_NE(report.find("44100 samples"), std::string::npos) << report;
}

} // namespace
} // namespace vorel::test
