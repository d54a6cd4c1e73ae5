#include "wave_editor/ToneTables.h"
#include "common/WorkerPool.h"
#include "wave_editor/Preview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace vorel::test {
using namespace vorel::wave;
namespace {

// The tables take a second or two to fill: one instance serves every test of a process.
const ToneTables& sharedTables() {
    static std::unique_ptr<ToneTables> tables = [] {
        auto created = ToneTables::create();
        EXPECT_TRUE(created.ok()) << created.error();
        return std::move(created).value();
    }();
    return *tables;
}

// The previews sample by sample, harmonic by harmonic in the plainest order, straight from the
// cosines rather than from the tables.
struct ReferencePreview {
    std::vector<double> sums;
    double peak = 0.0;
    std::vector<std::int16_t> pcm;
};
ReferencePreview referencePreview(const WaveData& wave, int pitch) {
    const double base = previewBaseHz[static_cast<std::size_t>(pitch)];
    const double companion = previewCompanionHz[static_cast<std::size_t>(pitch)];
    ReferencePreview out;
    out.sums.resize(toneLength);
    for (std::size_t j = 0; j < toneLength; ++j) {
        double s = 0.0;
        for (int h = 1; h * base <= 20000.0 && h <= 100; ++h) {
            double c = std::cos(j * (h * ((companion * 6.283185308) / 44100)));
            double b = std::cos(j * (h * ((base * 6.283185308) / 44100)));
            s = ((c + b) * wave[static_cast<std::size_t>(h - 1)]) + s;
            out.peak = std::max(out.peak, std::fabs(s));
        }
        out.sums[j] = s;
    }
    out.pcm.assign(toneLength, 0);
    if (out.peak != 0.0)
        for (std::size_t j = 0; j < toneLength; ++j)
            out.pcm[j] = static_cast<std::int16_t>(out.sums[j] * (15000 / out.peak));
    return out;
}

WaveData fullWave() {
    WaveData wave;
    for (std::size_t k = 0; k < harmonicCount; ++k)
        wave[k] = (k % 3 == 0 ? -1.0 : 1.0) / static_cast<double>(k + 1) + 0.01;
    return wave;
}

TEST(ToneTablesTest, TablesHoldTheCosinesUpToTheLimitAndZerosAbove) {
    const ToneTables& tables = sharedTables();
    EXPECT_EQ(previewHarmonicCount(0), 100);
    EXPECT_EQ(previewHarmonicCount(1), 45);
    EXPECT_EQ(previewHarmonicCount(2), 22);

    const double base[] = {110, 440, 880};
    const double companion[] = {111, 444, 888};
    for (int pitch = 0; pitch < 3; ++pitch) {
        for (int h = 1; h <= 100; ++h) {
            auto low = tables.table(companionTableIndex(pitch, h));
            auto high = tables.table(baseTableIndex(pitch, h));
            if (h * base[pitch] > 20000.0) {
                bool allZero =
                    std::all_of(low.begin(), low.end(), [](double v) { return v == 0.0; }) &&
                    std::all_of(high.begin(), high.end(), [](double v) { return v == 0.0; });
                EXPECT_TRUE(allZero) << "pitch " << pitch << " harmonic " << h;
                continue;
            }
            for (std::size_t j :
                 {std::size_t{0}, std::size_t{1}, std::size_t{12345}, toneLength - 1}) {
                EXPECT_EQ(low[j], std::cos(j * (h * ((companion[pitch] * 6.283185308) / 44100))))
                    << "pitch " << pitch << " harmonic " << h << " sample " << j;
                EXPECT_EQ(high[j], std::cos(j * (h * ((base[pitch] * 6.283185308) / 44100))))
                    << "pitch " << pitch << " harmonic " << h << " sample " << j;
            }
        }
    }
}

TEST(ToneTablesTest, OneWorkerFillsTheSameTablesAsMany) {
    // The shared tables were filled by one worker per processor.
    auto single = ToneTables::create(1);
    ASSERT_TRUE(single.ok());
    for (std::size_t index = 0; index < toneTableCount; ++index) {
        auto a = single.value()->table(index);
        auto b = sharedTables().table(index);
        ASSERT_EQ(std::memcmp(a.data(), b.data(), a.size_bytes()), 0) << "table " << index;
    }
}

TEST(PreviewTest, ALoneFundamentalPeaksAtExactlyTheTargetAndBeats) {
    WaveData wave{};
    wave[0] = 1.0;
    PreviewBuffers previews;
    computePreviews(wave, sharedTables(), previews);
    for (int pitch = 0; pitch < 3; ++pitch) {
        EXPECT_EQ(previews.peak(pitch), 2.0);
        EXPECT_EQ(previews.pcm(pitch)[0], 15000);
        auto pcm = previews.pcm(pitch);
        EXPECT_EQ(*std::max_element(pcm.begin(), pcm.end()), 15000);
    }
    // At 110 Hz the companion is 1 Hz higher: half a second in, the two cosines cancel.
    auto tone = previews.pcm(0);
    EXPECT_LE(std::abs(tone[22050]), 20);
    EXPECT_GE(std::abs(tone[44100]), 14990);
    EXPECT_EQ(previews.playable(0).size(), 132300u);
}

TEST(PreviewTest, MatchesTheStraightforwardSumBitForBitWithAndWithoutThreads) {
    WaveData wave = fullWave();
    PreviewBuffers plain;
    computePreviews(wave, sharedTables(), plain);
    WorkerPool pool(3);
    PreviewBuffers threaded;
    computePreviews(wave, sharedTables(), threaded, &pool);
    for (int pitch = 0; pitch < 3; ++pitch) {
        ReferencePreview reference = referencePreview(wave, pitch);
        EXPECT_EQ(plain.peak(pitch), reference.peak);
        EXPECT_EQ(threaded.peak(pitch), reference.peak);
        // The running sum's peak is never below the finished samples' peak.
        double finished = 0.0;
        for (double s : reference.sums)
            finished = std::max(finished, std::fabs(s));
        EXPECT_LE(finished, reference.peak);
        for (std::size_t j = 0; j < toneLength; ++j) {
            ASSERT_EQ(plain.sums(pitch)[j], reference.sums[j])
                << "pitch " << pitch << " sample " << j;
            ASSERT_EQ(plain.pcm(pitch)[j], reference.pcm[j])
                << "pitch " << pitch << " sample " << j;
            ASSERT_EQ(threaded.sums(pitch)[j], reference.sums[j])
                << "pitch " << pitch << " sample " << j;
            ASSERT_EQ(threaded.pcm(pitch)[j], reference.pcm[j])
                << "pitch " << pitch << " sample " << j;
        }
    }
}

TEST(PreviewTest, HarmonicsAboveTheLimitAndSilentWavesGiveNothing) {
    PreviewBuffers previews;
    computePreviews(WaveData{}, sharedTables(), previews);
    for (int pitch = 0; pitch < 3; ++pitch) {
        EXPECT_EQ(previews.peak(pitch), 0.0);
        auto pcm = previews.pcm(pitch);
        EXPECT_TRUE(std::all_of(pcm.begin(), pcm.end(), [](std::int16_t s) { return s == 0; }));
    }

    // Harmonics 23 .. 100 do not sound at 880 Hz, 46 .. 100 not at 440 Hz.
    WaveData high{};
    for (std::size_t k = 22; k < harmonicCount; ++k)
        high[k] = 1.0;
    computePreviews(high, sharedTables(), previews);
    EXPECT_EQ(previews.peak(2), 0.0);
    EXPECT_GT(previews.peak(1), 0.0);
    WaveData withHigh = fullWave();
    WaveData withoutHigh = withHigh;
    for (std::size_t k = 45; k < harmonicCount; ++k) {
        withHigh[k] = 1.0;
        withoutHigh[k] = 0.0;
    }
    PreviewBuffers a;
    PreviewBuffers b;
    computePreviews(withHigh, sharedTables(), a);
    computePreviews(withoutHigh, sharedTables(), b);
    EXPECT_TRUE(std::equal(a.pcm(1).begin(), a.pcm(1).end(), b.pcm(1).begin()));
    EXPECT_TRUE(std::equal(a.pcm(2).begin(), a.pcm(2).end(), b.pcm(2).begin()));
    EXPECT_FALSE(std::equal(a.pcm(0).begin(), a.pcm(0).end(), b.pcm(0).begin()));
}

} // namespace
} // namespace vorel::test
