// A voice streamed block by block against the sequence voice of the same gate: the reference
// evaluation gives its doubles, the fast one the offline fast path's, whatever the blocks.

#include "synth/StreamingVoice.h"
#include "ShortNotes.h"
#include "synth/Synth.h"
#include "synth/SynthConstants.h"
#include "synth/VoiceRange.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace vorel::test {
namespace {

// The gate of a key released after `samples` samples: samples / rate, or the next double above
// where that times the rate falls below the samples.
double gateOf(std::size_t samples, double rate) {
    const double gate = static_cast<double>(samples) / rate;
    return gate * rate < static_cast<double>(samples)
               ? std::nextafter(gate, std::numeric_limits<double>::infinity())
               : gate;
}

// The first sample counts from `from` on whose gate is (below = true) or is not the next double
// above samples / rate.
std::size_t gateSamples(std::size_t from, bool below) {
    for (std::size_t n = from;; ++n)
        if ((static_cast<double>(n) / sampleRate * sampleRate < static_cast<double>(n)) == below)
            return n;
}

// The voice of `key` held `held` samples, rendered in blocks whose sizes come from `blockSize`
// (called for each block), until it ends.
template <class BlockSize>
std::vector<double> streamed(const VoiceSound& sound, int key, std::size_t held,
                             Evaluation evaluation, BlockSize blockSize, double rate = sampleRate,
                             HarmonicSines sines = HarmonicSines::vectorSine) {
    auto scratch = std::make_unique<StreamingScratch>();
    StreamingVoice voice;
    voice.start(sound, keyFrequency(key), rate, evaluation, bestVectorUnit(), sines);
    std::vector<double> out;
    std::vector<double> block;
    for (;;) {
        std::size_t size = blockSize();
        if (!voice.released())
            size = std::min(size, held - voice.position()); // the note-off's frame ends a block
        block.assign(size, -7.0);
        const std::size_t given = voice.render(block, *scratch);
        out.insert(out.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(given));
        if (given < size)
            return out;
        if (!voice.released() && voice.position() == held)
            voice.release();
    }
}

// The sequence voice (gain 1.0) as the offline synthesizer computes it.
std::vector<double> sequenceVoice(Synth& synth, const SoundSettings& settings, const WaveData& wave,
                                  int key, std::size_t held) {
    const double gate = gateOf(held, sampleRate);
    synth.sequenceVoice(settings, wave, key, gate, 1.0);
    const std::size_t length = samplesOf(settings.value(Param::ampReleaseLength) + gate);
    const std::span<const double> out = synth.voiceOutput();
    return std::vector<double>(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(length));
}

// Index of the first differing sample, or the shorter length when one is a prefix of the other.
std::size_t firstDifference(const std::vector<double>& a, const std::vector<double>& b) {
    return static_cast<std::size_t>(std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first -
                                    a.begin());
}

class StreamingVoiceTest : public testing::Test {
  protected:
    static void TearDownTestSuite() {
        reference().reset();
        fast().reset();
    }
    static std::unique_ptr<Synth>& reference() {
        static std::unique_ptr<Synth> synth = std::make_unique<Synth>(1, Evaluation::reference);
        return synth;
    }
    static std::unique_ptr<Synth>& fast() {
        static std::unique_ptr<Synth> synth = std::make_unique<Synth>(1, Evaluation::fast);
        return synth;
    }

    // Every block size the voice is streamed with: fixed ones and a random run of them.
    static void forEachBlockSize(
        const std::function<void(const std::string&, const std::function<std::size_t()>&)>& run) {
        for (std::size_t size : {1, 7, 64, 128, 1024})
            run(std::to_string(size), [size] { return size; });
        std::uint32_t state = 12345;
        run("random", [&state] {
            state = state * 1103515245u + 12345u;
            return std::size_t{1} + (state >> 16) % 300;
        });
    }

    const WaveData wave_ = sawtooth();
    // Gates of both kinds: a held count whose gate is samples / 44100, and one whose gate is the
    // next double above.
    const std::size_t exactGate_ = gateSamples(3001, false);
    const std::size_t raisedGate_ = gateSamples(3001, true);
};

TEST_F(StreamingVoiceTest, ReferenceStreamIsTheSequenceVoiceAtEveryBlockSize) {
    ASSERT_NE(exactGate_, raisedGate_);
    for (const Sound& sound : sounds()) {
        const VoiceSound voiceSound(sound.settings, wave_);
        for (std::size_t held : {exactGate_, raisedGate_}) {
            const std::vector<double> expected =
                sequenceVoice(*reference(), sound.settings, wave_, 36, held);
            forEachBlockSize([&](const std::string& name, const auto& blockSize) {
                const std::vector<double> actual =
                    streamed(voiceSound, 36, held, Evaluation::reference, blockSize);
                ASSERT_EQ(expected, actual)
                    << sound.name << ", held " << held << ", blocks of " << name
                    << ": first difference at " << firstDifference(expected, actual);
            });
        }
    }
}

// With the offline fast path's vector sines, its doubles; with the sines by rotation too, within
// one step of 16 bits of the reference at the scale of a rendering of the note (its peak at 25000).
TEST_F(StreamingVoiceTest, FastStreamIsTheOfflineFastVoiceAtEveryBlockSize) {
    for (const Sound& sound : sounds()) {
        const VoiceSound voiceSound(sound.settings, wave_);
        for (std::size_t held : {exactGate_, raisedGate_}) {
            const std::vector<double> offline =
                sequenceVoice(*fast(), sound.settings, wave_, 36, held);
            const std::vector<double> exact =
                sequenceVoice(*reference(), sound.settings, wave_, 36, held);
            double peak = 0.0;
            for (double sample : exact)
                peak = std::max(peak, std::abs(sample));
            forEachBlockSize([&](const std::string& name, const auto& blockSize) {
                for (HarmonicSines sines : {HarmonicSines::vectorSine, HarmonicSines::rotation}) {
                    const bool rotated = sines == HarmonicSines::rotation;
                    const std::vector<double> actual = streamed(
                        voiceSound, 36, held, Evaluation::fast, blockSize, sampleRate, sines);
                    ASSERT_EQ(actual.size(), exact.size());
                    if (!rotated) {
                        ASSERT_EQ(offline, actual)
                            << sound.name << ", held " << held << ", blocks of " << name
                            << ": first difference at " << firstDifference(offline, actual);
                    }
                    for (std::size_t i = 0; i < actual.size(); ++i)
                        ASSERT_LT(std::abs(actual[i] - exact[i]) * renderPeak / peak, 1.0)
                            << sound.name << (rotated ? ", rotated" : "") << ", sample " << i;
                }
            });
        }
    }
}

// Sample 0 of a held note lies a day of samples at 96000 Hz back (past 2^32), where the phases
// of the harmonics reach 1e10 radians: evaluated in a window of a few samples, the reference
// gives the reference's single samples, the fast evaluation lies within one step of 16 bits of
// them at the scale of their own peak.
TEST_F(StreamingVoiceTest, RangeOfANoteHeldForADayIsTheReferenceSampleBySample) {
    constexpr double rate = 96000.0;
    constexpr std::size_t day = std::size_t{86400} * 96000;
    constexpr std::size_t samples = 64;
    for (const Sound& sound : sounds()) {
        const CurvePlan held = planCurves(sound.settings, std::numeric_limits<double>::infinity(),
                                          unboundedCurve, rate, unboundedCurve);
        const OscillatorInput note = voiceOscillators(sound.settings, wave_, 440.0, rate);
        std::vector<double> expected;
        for (std::size_t i = day; i < day + samples; ++i) {
            const CurveValues curves = referenceCurvesAt(held, i);
            expected.push_back(curves.amp * referenceOscillatorSum(note, i, curves.pitchRatio,
                                                                   curves.pitchLfo, curves.degree));
        }
        double peak = 0.0;
        for (double sample : expected)
            peak = std::max(peak, std::abs(sample));
        ASSERT_GT(peak, 0.0) << sound.name; // the key is still down

        auto scratch = std::make_unique<StreamingScratch>();
        const CurveWindow window = scratch->window(day);
        const std::span<const double> out = scratch->samples();
        evaluateVoice(held, note, window, scratch->samples(), day, day + samples,
                      RangeEvaluation{});
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), out.begin())) << sound.name;

        WaveBounds bounds;
        bounds.compute(wave_);
        for (VectorUnit unit : {VectorUnit::none, VectorUnit::avx2, VectorUnit::avx512}) {
            if (unit != VectorUnit::none && !vectorUnitAvailable(unit))
                continue;
            for (HarmonicSines sines : {HarmonicSines::vectorSine, HarmonicSines::rotation}) {
                OscillatorInput live = note;
                live.sines = sines;
                HarmonicMemo memo;
                evaluateVoice(held, live, window, scratch->samples(), day, day + samples,
                              {Evaluation::fast, unit, &bounds, &memo});
                for (std::size_t i = 0; i < samples; ++i)
                    ASSERT_LT(std::abs(out[i] - expected[i]) * renderPeak / peak, 1.0)
                        << sound.name << ", " << vectorUnitName(unit) << ", sines " << int(sines)
                        << ", sample " << day + i;
            }
        }
    }
}

// No buffer caps a live voice: a key held 21 s sounds to its release (cheap: key 72, 5
// harmonics).
TEST_F(StreamingVoiceTest, HeldNoteLastsAsLongAsTheKey) {
    SoundSettings settings;
    settings.select(Param::oscillatorCount, 0);
    const VoiceSound sound(settings, wave_);
    constexpr std::size_t held = 21 * 44100;
    const std::vector<double> out =
        streamed(sound, 72, held, Evaluation::fast, [] { return std::size_t{1024}; });
    EXPECT_EQ(out.size(), held + 4410); // and a release of 0.1 s
    EXPECT_TRUE(std::any_of(out.end() - 5000, out.end() - 4410, [](double s) { return s != 0.0; }));
}

// Key 36 is A4 at any rate: one oscillator of the fundamental alone crosses zero 880 times a
// second. Below 44100 Hz the harmonic ceiling comes down with the rate.
TEST_F(StreamingVoiceTest, NoteAt48000HzHasThePitchItNames) {
    SoundSettings settings;
    settings.select(Param::oscillatorCount, 0);
    WaveData fundamental{};
    fundamental[0] = 1.0;
    const VoiceSound sound(settings, fundamental);
    constexpr double rate = 48000.0;
    const std::vector<double> out = streamed(
        sound, 36, 72000, Evaluation::fast, [] { return std::size_t{128}; }, rate);
    // Held 1.5 s, released over 0.1 s.
    EXPECT_EQ(out.size(), 72000u + 4800u);
    int crossings = 0;
    for (std::size_t i = 24000; i < 72000; ++i) // one second of the sustain
        crossings += (out[i - 1] < 0.0) != (out[i] < 0.0);
    EXPECT_NEAR(crossings, 880, 1);

    // At 22050 Hz the ceiling is 10000 Hz: harmonic 22 of A4 (9680 Hz) sounds, 23 does not.
    auto sounds = [&](std::size_t harmonic) {
        WaveData wave{};
        wave[harmonic - 1] = 1.0;
        const VoiceSound one(settings, wave);
        const std::vector<double> samples = streamed(
            one, 36, 2000, Evaluation::reference, [] { return std::size_t{64}; }, 22050.0);
        return std::any_of(samples.begin(), samples.end(), [](double s) { return s != 0.0; });
    };
    EXPECT_TRUE(sounds(22));
    EXPECT_FALSE(sounds(23));
}

} // namespace
} // namespace vorel::test
