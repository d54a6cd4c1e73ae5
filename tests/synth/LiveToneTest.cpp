#include "synth/LiveTone.h"

#include "common/SoundConstants.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace vorel::test {
namespace {

// The tone of one key with `wave` at sample n of the key, before its fades, from the formula:
// harmonics up to 20000 Hz, scaled by 0.5 over the sum of their magnitudes.
double toneAt(const WaveData& wave, double frequency, double n, double rate) {
    double sum = 0.0, magnitude = 0.0;
    for (std::size_t k = 0; k < harmonicCount && (k + 1) * frequency <= 20000.0; ++k) {
        sum += wave[k] * std::sin(6.283185308 * static_cast<double>(k + 1) * frequency * n / rate);
        magnitude += std::abs(wave[k]);
    }
    return magnitude == 0.0 ? 0.0 : 0.5 / magnitude * sum;
}

WaveData organ() {
    WaveData wave{};
    wave[0] = 1.0;
    wave[2] = -0.5; // drawn below the line: its magnitude counts
    wave[60] = 0.8; // harmonic 61: above 20000 Hz at A5 (880 Hz), so it never sounds there
    return wave;
}

TEST(LiveToneTest, AKeyPlaysTheWaveAsDrawnFadedInAndOutAndANewWaveCrossfadesOverOneBlock) {
    const double rate = 48000.0;
    LiveTone tone(rate);
    const std::size_t fade = tone.fadeLength(); // round(0.005 * 48000)
    ASSERT_EQ(fade, 240u);
    const double frequency = 880.0; // MIDI 81
    constexpr std::size_t block = 256;
    std::vector<float> out(block);
    const LiveEvent on{10, LiveEventKind::noteOn, 81, 100};
    // A key before any wave (the sound editor never sets one) starts no tone that could stay.
    tone.render(std::span(&on, 1), out);
    EXPECT_EQ(tone.soundingTones(), 0);

    const WaveData wave = organ();
    tone.setWave(wave);
    tone.render(std::span(&on, 1), out);
    for (std::size_t i = 0; i < block; ++i) {
        const double n = i < 10 ? -1 : static_cast<double>(i - 10);
        const double expected =
            n < 0 ? 0.0 : std::min(1.0, n / fade) * toneAt(wave, frequency, n, rate);
        ASSERT_EQ(out[i], static_cast<float>(expected)) << "sample " << i;
    }

    // A coefficient changes while the key is held: the next block goes from the old wave to the
    // new one across its length.
    WaveData edited = wave;
    edited[1] = 0.6;
    tone.setWave(edited);
    std::fill(out.begin(), out.end(), 0.0f);
    tone.render({}, out);
    for (std::size_t i = 0; i < block; ++i) {
        const double n = static_cast<double>(block - 10 + i);
        const double toNew = static_cast<double>(i) / block;
        const double expected = toneAt(wave, frequency, n, rate) * (1.0 - toNew) +
                                toneAt(edited, frequency, n, rate) * toNew;
        ASSERT_EQ(out[i], static_cast<float>(expected)) << "crossfade sample " << i;
    }

    // Released at frame 0 of the next block: gone after the fade.
    const LiveEvent off{0, LiveEventKind::noteOff, 81, 0};
    std::fill(out.begin(), out.end(), 0.0f);
    tone.render(std::span(&off, 1), out);
    const double n0 = static_cast<double>(2 * block - 10);
    EXPECT_EQ(out[100],
              static_cast<float>((1.0 - 100.0 / fade) * toneAt(edited, frequency, n0 + 100, rate)));
    EXPECT_TRUE(std::all_of(out.begin() + fade, out.end(), [](float s) { return s == 0.0f; }));
    EXPECT_EQ(tone.soundingTones(), 0);
}

} // namespace
} // namespace vorel::test
