#include "wave_editor/SingleCycle.h"
#include "common/ByteOrder.h"
#include "common/FileIo.h"
#include "common/WaveFile.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace vorel::test {
namespace {

WaveData organ() {
    auto bytes = readFileBytes(VOREL_EXAMPLES_DIR "/organ.vorelwf", waveFileSize);
    return decodeWaveFile(bytes.value()).value();
}

// The wave scaled so its largest magnitude is 1.0.
WaveData normalized(WaveData wave) {
    double peak = 0.0;
    for (double c : wave)
        peak = std::max(peak, std::abs(c));
    for (double& c : wave)
        c /= peak;
    return wave;
}

void expectCoefficientsNear(const WaveData& actual, const WaveData& expected, double tolerance) {
    for (std::size_t k = 0; k < harmonicCount; ++k)
        ASSERT_NEAR(actual[k], expected[k], tolerance) << "harmonic " << k + 1;
}

TEST(SingleCycleTest, OrganCycleIsTheSumOfSinesAsAFloatWavFile) {
    const WaveData wave = organ();
    const auto file = wave::encodeSingleCycleFile(wave);
    ASSERT_EQ(file.size(), 58u + 4u * 2048u);
    auto ascii = [&](std::size_t at) {
        return std::string(reinterpret_cast<const char*>(&file[at]), 4);
    };
    EXPECT_EQ(ascii(0) + ascii(8) + ascii(12) + ascii(38) + ascii(50), "RIFFWAVEfmt factdata");
    EXPECT_EQ(le::readU32(file, 4), 50u + 8192u);
    EXPECT_EQ(le::readU32(file, 16), 18u); // format chunk size
    EXPECT_EQ(le::readU16(file, 20), 3u);  // IEEE float
    EXPECT_EQ(le::readU16(file, 22), 1u);
    EXPECT_EQ(le::readU32(file, 24), 44100u);
    EXPECT_EQ(le::readU32(file, 28), 176400u);
    EXPECT_EQ(le::readU16(file, 32), 4u);
    EXPECT_EQ(le::readU16(file, 34), 32u);
    EXPECT_EQ(le::readU16(file, 36), 0u);
    EXPECT_EQ(le::readU32(file, 42), 4u);
    EXPECT_EQ(le::readU32(file, 46), 2048u); // sample count
    EXPECT_EQ(le::readU32(file, 54), 8192u);

    std::vector<double> expected(2048);
    double peak = 0.0;
    for (std::size_t n = 0; n < expected.size(); ++n) {
        for (std::size_t k = 1; k <= harmonicCount; ++k)
            expected[n] += wave[k - 1] *
                           std::sin(2.0 * std::numbers::pi * static_cast<double>(k * n) / 2048.0);
        peak = std::max(peak, std::abs(expected[n]));
    }
    for (std::size_t n = 0; n < expected.size(); ++n)
        ASSERT_NEAR(std::bit_cast<float>(le::readU32(file, 58 + 4 * n)), expected[n] / peak, 1e-6)
            << "sample " << n;
}

TEST(SingleCycleTest, ExportThenImportGivesBackTheScaledCoefficients) {
    WaveData saw{}, random{}, highest{};
    std::uint32_t state = 1;
    for (std::size_t k = 0; k < harmonicCount; ++k) {
        saw[k] = (k % 2 == 0 ? 1.0 : -1.0) / static_cast<double>(k + 1);
        state = state * 1103515245u + 12345u;
        random[k] = static_cast<double>(static_cast<int>(state >> 16) % 2001 - 1000) / 7.0;
    }
    highest[99] = -3.0;
    const std::vector<WaveData> waves{organ(), saw, random, highest};
    for (const WaveData& wave : waves) {
        auto import = wave::decodeSingleCycleFile(wave::encodeSingleCycleFile(wave));
        ASSERT_TRUE(import) << import.error();
        expectCoefficientsNear(import.value().wave, normalized(wave), 1e-6);
        EXPECT_EQ(import.value().length, 2048u);
        EXPECT_LT(import.value().outsidePercent, 1e-6);
        EXPECT_TRUE(import.value().sentences().empty());
    }

    TempFolder folder;
    const std::string path = folder.file("organ.wav");
    ASSERT_TRUE(wave::saveSingleCycleFile(path, waves[0]));
    expectCoefficientsNear(wave::readSingleCycleFile(path).value().wave, normalized(waves[0]),
                           1e-6);
    EXPECT_FALSE(wave::saveSingleCycleFile(folder.file("missing/x.wav"), waves[0]));
}

// A period of N samples holds the sines below N / 2 only; the ones above are not filled with
// copies of the lower ones.
TEST(SingleCycleTest, AShortPeriodHoldsTheHarmonicsBelowHalfItsLength) {
    WaveData wave{};
    wave[0] = 1.0;
    wave[39] = 0.5; // at 64 samples, harmonic 40 is harmonic 24 upside down
    auto import = wave::decodeSingleCycleFile(wave::encodeSingleCycleFile(wave, 64));
    ASSERT_TRUE(import) << import.error();
    WaveData expected{};
    expected[0] = 1.0;
    expected[23] = -0.5;
    expectCoefficientsNear(import.value().wave, expected, 1e-6);
    for (std::size_t k = 32; k <= harmonicCount; ++k)
        EXPECT_EQ(import.value().wave[k - 1], 0.0) << "harmonic " << k;
    EXPECT_EQ(import.value().highestHarmonic, 31);
    ASSERT_EQ(import.value().sentences().size(), 1u);
    EXPECT_NE(import.value().sentences()[0].find("harmonics 1 to 31 only"), std::string::npos);
}

TEST(SingleCycleTest, WhatTheSinesCannotHoldIsReportedAsAShareOfTheEnergy) {
    constexpr std::size_t length = 1000;
    auto period = [&](double sine, double cosine, double offset) {
        std::vector<float> samples(length);
        for (std::size_t n = 0; n < length; ++n) {
            const double phase = 2.0 * std::numbers::pi * static_cast<double>(n) / length;
            samples[n] =
                static_cast<float>(sine * std::sin(3 * phase) + cosine * std::cos(phase) + offset);
        }
        return wave::decodeSingleCycleFile(wave::encodeFloatWavFile(samples));
    };
    // Energy per sample: a sine or cosine of amplitude a has a^2 / 2, an offset d has d^2.
    auto offset = period(1.0, 0.0, 0.5); // 0.25 of 0.75
    auto both = period(1.0, 1.0, 0.0);
    auto cosine = period(0.0, 1.0, 0.0);
    ASSERT_TRUE(offset && both && cosine);
    EXPECT_NEAR(offset.value().outsidePercent, 100.0 / 3.0, 1e-4);
    EXPECT_NEAR(both.value().outsidePercent, 50.0, 1e-4);
    EXPECT_NEAR(cosine.value().outsidePercent, 100.0, 1e-4);
    EXPECT_NEAR(offset.value().wave[2], 1.0, 1e-6);
    EXPECT_EQ(cosine.value().wave, WaveData{}); // no rounding noise blown up to a full wave
    ASSERT_EQ(offset.value().sentences().size(), 1u);
    EXPECT_EQ(offset.value().sentences()[0].substr(0, 6), "33.3% ");
}

TEST(SingleCycleTest, FilesThatHoldNoUsablePeriodAreRefused) {
    WaveData sine{};
    sine[0] = 1.0;
    ASSERT_TRUE(wave::decodeSingleCycleFile(wave::encodeSingleCycleFile(sine, 64)));
    EXPECT_EQ(wave::encodeSingleCycleFile(WaveData{}, 100),
              wave::encodeFloatWavFile(std::vector<float>(100))); // silence
    std::vector<float> withNaN(100, 0.5f);
    withNaN[10] = std::nanf("");
    const struct {
        std::vector<std::byte> bytes;
        std::string reason;
    } cases[] = {
        {wave::encodeSingleCycleFile(sine, 63),
         "it holds 63 samples; one period needs at least 64"},
        {wave::encodeSingleCycleFile(WaveData{}, 100), "all its samples are zero"},
        {wave::encodeFloatWavFile(withNaN), "sample 11 is not a finite number"},
        {wave::encodeFloatWavFile(std::vector<float>(wave::longestCycle + 1, 0.5f)),
         "more than 1048576 samples"},
        {std::vector<std::byte>(1000, std::byte{7}), "not a sound file that can be read"},
        {{}, "not a sound file that can be read"},
    };
    for (const auto& c : cases) {
        auto result = wave::decodeSingleCycleFile(c.bytes);
        ASSERT_FALSE(result) << c.reason;
        EXPECT_NE(result.error().find(c.reason), std::string::npos) << result.error();
    }
}

// Other bit depths and containers, converted by sox: only the first channel counts.
TEST(SingleCycleTest, FirstChannelOfAnyReadableFileIsImported) {
    if (std::system("command -v sox >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "sox is not installed";
    TempFolder folder;
    WaveData other{};
    other[4] = 1.0;
    ASSERT_TRUE(
        writeFileAtomically(folder.file("first.wav"), wave::encodeSingleCycleFile(organ())));
    ASSERT_TRUE(writeFileAtomically(folder.file("second.wav"), wave::encodeSingleCycleFile(other)));
    const struct {
        std::string name;
        std::string format;
        double tolerance;
    } cases[] = {
        {"cycle.aiff", "-b 16", 1e-5},
        {"cycle.flac", "-b 24", 1e-6},
        {"cycle.wav", "-b 8 -e unsigned", 1e-2},
    };
    for (const auto& c : cases) {
        const std::string path = folder.file(c.name);
        const std::string merge = "sox -D -M '" + folder.file("first.wav") + "' '" +
                                  folder.file("second.wav") + "' " + c.format + " '" + path +
                                  "' vol 0.5";
        ASSERT_EQ(std::system(merge.c_str()), 0) << merge;
        auto import = wave::readSingleCycleFile(path);
        ASSERT_TRUE(import) << c.name << ": " << import.error();
        SCOPED_TRACE(c.name);
        expectCoefficientsNear(import.value().wave, normalized(organ()), c.tolerance);
    }
}

} // namespace
} // namespace vorel::test
