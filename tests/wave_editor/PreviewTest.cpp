// The wave editor's previews: the reference against a straightforward sum written here, and the
// fast path against the reference on crafted and generated waves.
#include "wave_editor/Preview.h"

#include "common/WaveFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace vorel::test {
using namespace vorel::wave;
namespace {

// A preview sample by sample, harmonic by harmonic in the plainest order.
struct PlainPreview {
    double peak = 0.0;
    std::vector<std::int16_t> pcm;
};
PlainPreview plainPreview(const WaveData& wave, int pitch) {
    const double base = previewBaseHz[static_cast<std::size_t>(pitch)];
    const double companion = previewCompanionHz[static_cast<std::size_t>(pitch)];
    PlainPreview out;
    std::vector<double> sums(toneLength);
    for (std::size_t j = 0; j < toneLength; ++j) {
        double s = 0.0;
        for (int h = 1; h * base <= 20000.0 && h <= 100; ++h) {
            double c = std::cos(j * (h * ((companion * 6.283185308) / 44100)));
            double b = std::cos(j * (h * ((base * 6.283185308) / 44100)));
            s = ((c + b) * wave[static_cast<std::size_t>(h - 1)]) + s;
            out.peak = std::max(out.peak, std::fabs(s));
        }
        sums[j] = s;
    }
    out.pcm.assign(toneLength, 0);
    if (out.peak != 0.0)
        for (std::size_t j = 0; j < toneLength; ++j)
            out.pcm[j] = static_cast<std::int16_t>(sums[j] * (15000 / out.peak));
    return out;
}

WaveData fullWave() {
    WaveData wave;
    for (std::size_t k = 0; k < harmonicCount; ++k)
        wave[k] = (k % 3 == 0 ? -1.0 : 1.0) / static_cast<double>(k + 1) + 0.01;
    return wave;
}

std::string describe(const WaveData& wave) {
    std::ostringstream text;
    text.precision(17);
    for (double c : wave)
        text << c << ' ';
    return text.str();
}

// The first difference between two previews of every pitch, or "" when there is none.
std::string difference(const Previews& expected, const Previews& actual) {
    for (int pitch = 0; pitch < previewPitchCount; ++pitch) {
        if (expected.peak(pitch) != actual.peak(pitch))
            return "pitch " + std::to_string(pitch) + ": peak " +
                   std::to_string(expected.peak(pitch)) + " against " +
                   std::to_string(actual.peak(pitch));
        const auto a = expected.pcm(pitch);
        const auto b = actual.pcm(pitch);
        const auto [at, _] = std::mismatch(a.begin(), a.end(), b.begin());
        if (at != a.end())
            return "pitch " + std::to_string(pitch) + ", sample " + std::to_string(at - a.begin()) +
                   ": " + std::to_string(*at) + " against " +
                   std::to_string(b[static_cast<std::size_t>(at - a.begin())]);
    }
    return "";
}

// The engines the tests share: the reference, and the fast path on three workers.
class PreviewTest : public testing::Test {
  protected:
    static Previews& reference() {
        static Previews previews(1, Evaluation::reference);
        return previews;
    }
    static Previews& fast() {
        static Previews previews(3, Evaluation::fast);
        return previews;
    }
};

TEST_F(PreviewTest, ALoneFundamentalPeaksAtExactlyTheTargetAndBeats) {
    WaveData wave{};
    wave[0] = 1.0;
    ASSERT_TRUE(fast().compute(wave));
    for (int pitch = 0; pitch < 3; ++pitch) {
        EXPECT_EQ(fast().peak(pitch), 2.0);
        EXPECT_EQ(fast().pcm(pitch)[0], 15000);
        auto pcm = fast().pcm(pitch);
        EXPECT_EQ(*std::max_element(pcm.begin(), pcm.end()), 15000);
    }
    // At 110 Hz the companion is 1 Hz higher: half a second in, the two cosines cancel.
    auto tone = fast().pcm(0);
    EXPECT_LE(std::abs(tone[22050]), 20);
    EXPECT_GE(std::abs(tone[44100]), 14990);
    EXPECT_EQ(fast().playable(0).size(), 132300u);
}

TEST_F(PreviewTest, BothEvaluationsOnAnyThreadsAndVectorUnitGiveTheStraightforwardSum) {
    const WaveData wave = fullWave();
    ASSERT_TRUE(reference().compute(wave));
    for (int pitch = 0; pitch < 3; ++pitch) {
        const PlainPreview plain = plainPreview(wave, pitch);
        EXPECT_EQ(reference().peak(pitch), plain.peak);
        EXPECT_TRUE(std::ranges::equal(reference().pcm(pitch), plain.pcm)) << "pitch " << pitch;
    }
    for (VectorUnit unit : {VectorUnit::none, VectorUnit::avx2, VectorUnit::avx512}) {
        if (!vectorUnitAvailable(unit))
            continue;
        fast().setVectorUnit(unit);
        ASSERT_TRUE(fast().compute(wave));
        EXPECT_EQ(difference(reference(), fast()), "") << vectorUnitName(unit);
    }
    fast().setVectorUnit(bestVectorUnit());
    Previews oneThread(1);
    ASSERT_TRUE(oneThread.compute(wave));
    EXPECT_EQ(difference(reference(), oneThread), "");
}

TEST_F(PreviewTest, HarmonicsAboveTheLimitAndSilentWavesGiveNothing) {
    EXPECT_EQ(previewHarmonicCount(0), 100);
    EXPECT_EQ(previewHarmonicCount(1), 45);
    EXPECT_EQ(previewHarmonicCount(2), 22);
    Previews& previews = fast();
    ASSERT_TRUE(previews.compute(WaveData{}));
    for (int pitch = 0; pitch < 3; ++pitch) {
        EXPECT_EQ(previews.peak(pitch), 0.0);
        auto pcm = previews.pcm(pitch);
        EXPECT_TRUE(std::all_of(pcm.begin(), pcm.end(), [](std::int16_t s) { return s == 0; }));
    }

    // Harmonics 23 .. 100 do not sound at 880 Hz, 46 .. 100 not at 440 Hz.
    WaveData high{};
    for (std::size_t k = 22; k < harmonicCount; ++k)
        high[k] = 1.0;
    ASSERT_TRUE(previews.compute(high));
    EXPECT_EQ(previews.peak(2), 0.0);
    EXPECT_GT(previews.peak(1), 0.0);
    WaveData withHigh = fullWave();
    WaveData withoutHigh = withHigh;
    for (std::size_t k = 45; k < harmonicCount; ++k) {
        withHigh[k] = 1.0;
        withoutHigh[k] = 0.0;
    }
    Previews a(3);
    Previews b(3);
    ASSERT_TRUE(a.compute(withHigh) && b.compute(withoutHigh));
    EXPECT_TRUE(std::ranges::equal(a.pcm(1), b.pcm(1)));
    EXPECT_TRUE(std::ranges::equal(a.pcm(2), b.pcm(2)));
    EXPECT_FALSE(std::ranges::equal(a.pcm(0), b.pcm(0)));
}

// Waves of six kinds in turn: random coefficients, a single harmonic, all equal, alternating
// signs, magnitudes from 1e-310 to 1e300 (every other such wave all subnormal), and negative
// zeros (every other such wave all -0.0).
WaveData generatedWave(int index, std::mt19937_64& random) {
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> harmonic(0, harmonicCount - 1);
    WaveData wave{};
    switch (index % 6) {
    case 0:
        for (double& c : wave)
            c = unit(random);
        break;
    case 1:
        wave[static_cast<std::size_t>(harmonic(random))] = unit(random);
        break;
    case 2:
        wave.fill(unit(random));
        break;
    case 3:
        for (std::size_t k = 0; k < harmonicCount; ++k)
            wave[k] = (k % 2 ? -1.0 : 1.0) * std::fabs(unit(random));
        break;
    case 4:
        for (double& c : wave)
            c = index / 6 % 2
                    ? unit(random) * 1e-315
                    : std::copysign(
                          std::pow(10.0, std::uniform_int_distribution<int>(-310, 300)(random)),
                          unit(random));
        break;
    default:
        for (double& c : wave)
            c = index / 6 % 2 == 0 || harmonic(random) % 2 ? -0.0 : unit(random);
        break;
    }
    return wave;
}

TEST_F(PreviewTest, FastPathGivesTheReferencesPreviewsOfGeneratedWaves) {
    // VOREL_GENERATED_WAVES=500 checks 500 waves; by default one of each kind.
    const char* count = std::getenv("VOREL_GENERATED_WAVES");
    const int waves = count ? std::atoi(count) : 6;
    std::mt19937_64 random(20240607);
    int identical = 0;
    for (int index = 0; index < waves; ++index) {
        const WaveData wave = generatedWave(index, random);
        ASSERT_TRUE(reference().compute(wave) && fast().compute(wave));
        const std::string apart = difference(reference(), fast());
        EXPECT_EQ(apart, "") << "wave " << index << ": " << describe(wave);
        identical += apart.empty();
    }
    std::printf("%d of %d generated waves give identical previews\n", identical, waves);
}

// A wave on which the vector cosine, before the samples near the peak were evaluated again, moved
// the peak and one sample's truncation. Found by computing random waves both ways.
TEST_F(PreviewTest, PeakTheVectorCosineMovedIsTheReferencesToTheBit) {
    const Result<WaveData> wave = loadWaveFile(VOREL_WAVE_FIXTURES_DIR "/peak-moved.vorelwf");
    ASSERT_TRUE(wave);
    ASSERT_TRUE(reference().compute(wave.value()) && fast().compute(wave.value()));
    EXPECT_EQ(difference(reference(), fast()), "");
}

TEST_F(PreviewTest, CancelledComputationKeepsThePreviousPreviews) {
    WaveData sine{};
    sine[1] = 0.5;
    ASSERT_TRUE(fast().compute(sine));
    const std::vector<std::int16_t> before(fast().pcm(1).begin(), fast().pcm(1).end());
    int calls = 0;
    EXPECT_FALSE(fast().compute(fullWave(), [&](double) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(fast().peak(1), 1.0);
    EXPECT_TRUE(std::ranges::equal(fast().pcm(1), before));
}

} // namespace
} // namespace vorel::test
