#include "common/WaveFile.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace vorel::test {
namespace {

WaveData variedWave() {
    WaveData wave{};
    for (std::size_t k = 0; k < harmonicCount; ++k)
        wave[k] = std::sin(static_cast<double>(k) * 1.7) * static_cast<double>(k % 7);
    wave[1] = -0.0;
    wave[2] = 100.0;
    wave[3] = -1e-300;
    wave[4] = std::numeric_limits<double>::denorm_min();
    return wave;
}

TEST(WaveFileTest, RoundTripIsBitExact) {
    const WaveData wave = variedWave();
    auto bytes = encodeWaveFile(wave);
    ASSERT_EQ(bytes.size(), 800u);
    auto decoded = decodeWaveFile(bytes);
    ASSERT_TRUE(decoded) << decoded.error();
    for (std::size_t k = 0; k < harmonicCount; ++k)
        EXPECT_EQ(std::bit_cast<std::uint64_t>(decoded.value()[k]),
                  std::bit_cast<std::uint64_t>(wave[k]))
            << "harmonic " << k + 1;
}

TEST(WaveFileTest, LayoutIsLittleEndianDoublesFundamentalFirst) {
    WaveData wave{};
    wave[0] = 1.0;   // 0x3FF0000000000000
    wave[99] = -2.0; // 0xC000000000000000
    auto bytes = encodeWaveFile(wave);
    EXPECT_EQ(bytes[7], std::byte{0x3F});
    EXPECT_EQ(bytes[6], std::byte{0xF0});
    EXPECT_EQ(bytes[0], std::byte{0});
    EXPECT_EQ(bytes[799], std::byte{0xC0});
}

TEST(WaveFileTest, RefusesShortAndNonFiniteFilesAndReadsTheFirst800BytesOfLongerOnes) {
    auto bytes = encodeWaveFile(variedWave());
    for (std::size_t size : {0u, 1u, 8u, 799u}) {
        auto decoded = decodeWaveFile(std::span(bytes).first(size));
        ASSERT_FALSE(decoded) << size;
        EXPECT_NE(decoded.error().find(std::to_string(size)), std::string::npos);
    }
    auto longer = bytes;
    longer.resize(5000, std::byte{0xFF});
    EXPECT_TRUE(decodeWaveFile(longer));

    for (double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity()}) {
        WaveData wave = variedWave();
        wave[41] = bad;
        auto decoded = decodeWaveFile(encodeWaveFile(wave));
        ASSERT_FALSE(decoded);
        EXPECT_NE(decoded.error().find("harmonic 42"), std::string::npos) << decoded.error();
    }
}

TEST(WaveFileTest, SavedFilesLoadBackAndFailuresSayWhy) {
    const std::string folder = ::testing::TempDir();
    const std::string path = folder + "/vorel-wave-file-test.vorelwf";
    ASSERT_TRUE(saveWaveFile(path, variedWave()));
    const Result<WaveData> loaded = loadWaveFile(path);
    ASSERT_TRUE(loaded) << loaded.error();
    EXPECT_EQ(encodeWaveFile(loaded.value()), encodeWaveFile(variedWave()));
    std::remove(path.c_str());

    EXPECT_FALSE(loadWaveFile(path));
    const Status failed = saveWaveFile(folder + "/no such folder/x.vorelwf", variedWave());
    EXPECT_FALSE(failed);
    EXPECT_FALSE(failed.error().empty());
}

} // namespace
} // namespace vorel::test
