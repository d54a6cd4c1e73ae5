#include "common/ByteOrder.h"
#include "common/FileIo.h"
#include "common/SoundFileBytes.h"
#include "sound_editor_io/SoundEditorFiles.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace vorel::test {
namespace {

// sox, an independent decoder, gives back exactly the samples written, and reads the format.
TEST(FlacFileTest, SoxDecodesExactlyTheSamplesUpToTheLastNonZeroOne) {
    if (std::system("command -v sox >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "sox is not installed";
    std::vector<std::int16_t> samples{-32768, 32767, 0, 1, -1};
    std::uint32_t random = 1;
    for (int i = 0; i < 100000; ++i) {
        random = random * 1103515245u + 12345u;
        samples.push_back(static_cast<std::int16_t>(random >> 16));
    }
    for (int i = 0; i < 5000; ++i) // quiet stretches: a constant, then a ramp
        samples.push_back(static_cast<std::int16_t>(i < 2500 ? 7 : i - 2500));
    std::vector<std::int16_t> buffer = samples;
    buffer.resize(buffer.size() + 3000, 0);

    TempFolder folder;
    const std::string path = folder.file("render.flac");
    const std::string raw = folder.file("decoded.raw");
    const std::string info = folder.file("info.txt");
    auto decode = [&] {
        const std::string sox = "sox '" + path + "' -t raw -e signed -b 16 -L '" + raw +
                                "' && soxi '" + path + "' > '" + info + "'";
        EXPECT_EQ(std::system(sox.c_str()), 0);
        return readFileBytes(raw, 1 << 20).value();
    };
    ASSERT_TRUE(saveFlacFile(path, buffer));
    auto decoded = decode();
    ASSERT_EQ(decoded.size(), 2 * samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i)
        ASSERT_EQ(le::readI16(decoded, 2 * i), samples[i]) << "first difference at sample " << i;
    auto text = readFileBytes(info, 10000).value();
    const std::string report(reinterpret_cast<const char*>(text.data()), text.size());
    EXPECT_NE(report.find("Channels       : 1"), std::string::npos) << report;
    EXPECT_NE(report.find("Sample Rate    : 44100"), std::string::npos) << report;
    EXPECT_NE(report.find("Precision      : 16-bit"), std::string::npos) << report;

    // Silence gives a file without samples, but a whole one.
    ASSERT_TRUE(saveFlacFile(path, std::vector<std::int16_t>(100, 0)));
    EXPECT_EQ(decode().size(), 0u);
    EXPECT_FALSE(saveFlacFile(folder.file("missing/x.flac"), buffer));
}

} // namespace
} // namespace vorel::test
