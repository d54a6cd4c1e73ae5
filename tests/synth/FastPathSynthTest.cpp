// Whole voices, previews and renderings from the fast evaluation against the reference: the
// memoised sums on several threads give the reference's doubles, the vector sums its 16-bit
// samples (within 1), and the number of threads never changes a sample.

#include "ShortNotes.h"
#include "common/WaveFile.h"
#include "sequencer/SequenceData.h"
#include "sound_editor_io/SoundEditorFiles.h"
#include "synth/Oscillator.h"
#include "synth/SoundSettings.h"
#include "synth/Synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vorel::test {
namespace {

// Switches an engine to another vector unit for as long as it lives, and back when it goes, also
// when an assertion leaves the test early.
class UsingVectorUnit {
  public:
    UsingVectorUnit(Synth& synth, VectorUnit unit) : synth_(synth), before_(synth.vectorUnit()) {
        synth_.setVectorUnit(unit);
    }
    ~UsingVectorUnit() { synth_.setVectorUnit(before_); }
    UsingVectorUnit(const UsingVectorUnit&) = delete;
    UsingVectorUnit& operator=(const UsingVectorUnit&) = delete;

  private:
    Synth& synth_;
    VectorUnit before_;
};

// The engines the tests share, each made when a test first needs it: each holds some 190 MB of
// buffers.
class FastPathSynthTest : public testing::Test {
  protected:
    static void TearDownTestSuite() {
        referenceSynth().reset();
        fastSynth().reset();
        fastOneThreadSynth().reset();
    }
    static std::unique_ptr<Synth>& referenceSynth() {
        static std::unique_ptr<Synth> synth;
        return synth;
    }
    static std::unique_ptr<Synth>& fastSynth() {
        static std::unique_ptr<Synth> synth;
        return synth;
    }
    static std::unique_ptr<Synth>& fastOneThreadSynth() {
        static std::unique_ptr<Synth> synth;
        return synth;
    }
    static Synth& reference() {
        if (!referenceSynth())
            referenceSynth() = std::make_unique<Synth>(1, Evaluation::reference);
        return *referenceSynth();
    }
    static Synth& fast() {
        if (!fastSynth())
            fastSynth() = std::make_unique<Synth>(3, Evaluation::fast);
        return *fastSynth();
    }
    static Synth& fastOneThread() {
        if (!fastOneThreadSynth())
            fastOneThreadSynth() = std::make_unique<Synth>(1, Evaluation::fast);
        return *fastOneThreadSynth();
    }
    const WaveData wave_ = sawtooth();
};

// Gate times in s and pitches: a low note, the 440 Hz preview and the top key, where only
// harmonics 1..5 sound.
constexpr double frequencies[] = {55.0, 440.0, 3520.0};
constexpr double gate = 0.06;

std::vector<double> voice(Synth& synth, const SoundSettings& settings, const WaveData& wave,
                          double f0, std::size_t room = 8000) {
    std::vector<double> out(room, -7.0);
    const std::size_t n = synth.computeVoice(settings, wave, f0, gate, out);
    out.resize(std::min(n, room));
    return out;
}

TEST_F(FastPathSynthTest, MemoisedSumsOnSeveralThreadsGiveTheReferenceDoubles) {
    const UsingVectorUnit memoised(fast(), VectorUnit::none);
    for (const Sound& sound : sounds())
        for (double f0 : frequencies) {
            const std::vector<double> expected = voice(reference(), sound.settings, wave_, f0);
            const std::vector<double> actual = voice(fast(), sound.settings, wave_, f0);
            ASSERT_EQ(expected.size(), actual.size());
            for (std::size_t i = 0; i < expected.size(); ++i)
                ASSERT_EQ(expected[i], actual[i])
                    << sound.name << " at " << f0 << " Hz, sample " << i;
        }
}

// The curves over the voice's samples (what lies beyond is left from earlier voices). The
// vibrato and the tremolo may come from the vector sine and cosine (`nearTrigonometry`); the
// attack pitch and the degree decide ceilings and thresholds and are always exact.
void expectSameCurves(const ControlCurves& expected, const ControlCurves& actual, std::size_t n,
                      const std::string& name, bool nearTrigonometry = false) {
    auto head = [n](const ZeroedBuffer<double>& curve) {
        return std::vector<double>(curve.begin(), curve.begin() + static_cast<std::ptrdiff_t>(n));
    };
    EXPECT_EQ(head(expected.pitchRatio), head(actual.pitchRatio)) << name;
    EXPECT_EQ(head(expected.degree), head(actual.degree)) << name;
    EXPECT_EQ(head(expected.releaseGate), head(actual.releaseGate)) << name;
    if (!nearTrigonometry) {
        EXPECT_EQ(head(expected.pitchLfo), head(actual.pitchLfo)) << name;
        EXPECT_EQ(head(expected.amp), head(actual.amp)) << name;
        return;
    }
    for (std::size_t i = 0; i < n; ++i) {
        ASSERT_NEAR(expected.pitchLfo[i], actual.pitchLfo[i], 1e-15) << name << ", sample " << i;
        ASSERT_NEAR(expected.amp[i], actual.amp[i], 1e-15) << name << ", sample " << i;
    }
}

TEST_F(FastPathSynthTest, CurvesAndVoicesDoNotDependOnTheNumberOfThreads) {
    for (const Sound& sound : sounds()) {
        const std::vector<double> one = voice(fastOneThread(), sound.settings, wave_, 220.0);
        const std::vector<double> three = voice(fast(), sound.settings, wave_, 220.0);
        ASSERT_EQ(one, three) << sound.name;
        expectSameCurves(fastOneThread().curves(), fast().curves(), one.size(), sound.name);
    }
}

TEST_F(FastPathSynthTest, CurvesOfTheFastPathAreTheReferenceCurves) {
    for (const Sound& sound : sounds()) {
        const std::size_t n = voice(reference(), sound.settings, wave_, 880.0).size();
        voice(fast(), sound.settings, wave_, 880.0);
        expectSameCurves(reference().curves(), fast().curves(), n, sound.name, true);
    }
}

// How far two 16-bit buffers are apart.
struct Apart {
    std::size_t differing = 0;
    int largest = 0;
    std::size_t first = 0;
};

Apart compare(std::span<const std::int16_t> expected, std::span<const std::int16_t> actual) {
    Apart apart;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const int delta = std::abs(expected[i] - actual[i]);
        if (delta != 0 && apart.differing++ == 0)
            apart.first = i;
        apart.largest = std::max(apart.largest, delta);
    }
    return apart;
}

TEST_F(FastPathSynthTest, VectorPreviewsMatchTheReferenceWithinOneStep) {
    std::vector<std::int16_t> expected(previewLength);
    std::vector<std::int16_t> actual(previewLength);
    for (const Sound& sound : sounds())
        for (double f0 : frequencies) {
            reference().previewVoice(sound.settings, wave_, f0, gate, expected);
            fast().previewVoice(sound.settings, wave_, f0, gate, actual);
            const Apart apart = compare(expected, actual);
            EXPECT_LE(apart.largest, 1) << sound.name << " at " << f0 << " Hz: " << apart.differing
                                        << " samples differ, the first at " << apart.first;
        }
}

TEST_F(FastPathSynthTest, VoiceLongerThanItsBufferIsCutAlike) {
    // 0.06 s + 0.02 s release is 3528 samples; the buffers hold 1001 (not a whole number of
    // vector blocks).
    SoundSettings settings = sounds()[3].settings;
    const std::vector<double> expected = voice(reference(), settings, wave_, 110.0, 1001);
    std::vector<double> memoised;
    {
        const UsingVectorUnit scalar(fast(), VectorUnit::none);
        memoised = voice(fast(), settings, wave_, 110.0, 1001);
    }
    const std::vector<double> vectorised = voice(fast(), settings, wave_, 110.0, 1001);
    ASSERT_EQ(expected.size(), 1001u);
    EXPECT_EQ(expected, memoised);
    ASSERT_EQ(vectorised.size(), 1001u);
    for (std::size_t i = 0; i < expected.size(); ++i)
        ASSERT_NEAR(expected[i], vectorised[i], 1e-9) << "sample " << i;
}

void fillSequence(SequenceData& sequence, int notes) {
    sequence.clear();
    sequence.tempo = 220;
    // Short notes over the whole keyboard, two per step, overlapping their releases; a chord on
    // the lowest and the highest key.
    for (int note = 0; note < notes; ++note)
        sequence.placeNote(3 * (note / 2), (note * 29) % keyCount, 3, 9, 3 + note % 7);
    sequence.placeNote(3 * notes, 0, 3, 9, 9);
    sequence.placeNote(3 * notes, keyCount - 1, 3, 9, 9);
}

TEST_F(FastPathSynthTest, RenderingsMatchTheReferenceAndForgetTheRenderingBefore) {
    const SoundSettings settings = sounds()[4].settings; // the degree moves on every sample
    auto sequence = std::make_unique<SequenceData>();

    // A longer rendering first, so that a buffer the second one fails to clear shows.
    fillSequence(*sequence, 24);
    ASSERT_TRUE(fast().renderSequence(*sequence, settings, wave_));
    const std::size_t longSpan = fast().renderedSpan();

    fillSequence(*sequence, 6);
    ASSERT_TRUE(reference().renderSequence(*sequence, settings, wave_));
    ASSERT_TRUE(fast().renderSequence(*sequence, settings, wave_));
    ASSERT_LT(fast().renderedSpan(), longSpan);
    EXPECT_EQ(reference().renderedSpan(), fast().renderedSpan());
    const Apart apart = compare(reference().renderBuffer(), fast().renderBuffer());
    EXPECT_LE(apart.largest, 1) << apart.differing << " samples differ, the first at "
                                << apart.first;
    for (std::size_t j = fast().renderedSpan(); j < longSpan; ++j)
        ASSERT_EQ(fast().renderBuffer()[j], 0) << "sample " << j << " left from before";
    for (std::size_t j = fast().renderedSpan(); j < mixLength; j += 997)
        ASSERT_EQ(fast().mixBuffer()[j], 0.0) << "mix sample " << j << " left from before";
    // The last voice's window is silent after the voice, also where the voice before was longer.
    for (std::size_t j = 0; j < voiceOutputLength; ++j)
        ASSERT_EQ(reference().voiceOutput()[j] == 0.0, fast().voiceOutput()[j] == 0.0)
            << "sample " << j;
}

TEST_F(FastPathSynthTest, ShorterVoiceAfterALongerOneLeavesSilenceBehindIt) {
    const SoundSettings settings = sounds()[0].settings;
    fast().sequenceVoice(settings, wave_, 12, 0.3, 1.0);
    fast().sequenceVoice(settings, wave_, 12, 0.01, 0.5);
    const std::span<const double> out = fast().voiceOutput();
    const std::size_t n = static_cast<std::size_t>((0.01 + 0.02) * 44100);
    EXPECT_NE(out[n / 2], 0.0);
    for (std::size_t j = n; j < voiceOutputLength; ++j)
        ASSERT_EQ(out[j], 0.0) << "sample " << j;
}

TEST_F(FastPathSynthTest, ShorterPreviewsAfterLongerOnesEndInSilence) {
    WaveData sine{};
    sine[0] = 1.0; // one harmonic keeps the long notes cheap
    SoundSettings longNotes;
    longNotes.select(Param::ampDecayLength, 30); // 4.0 s: the gate is 6.1 s
    ASSERT_TRUE(fast().computePreviews(longNotes, sine));
    const SoundSettings start;
    // The start settings: gate 2.2 s, 0.1 s release.
    const std::size_t n = static_cast<std::size_t>((0.1 + 2.2) * 44100);
    ASSERT_TRUE(fast().computePreviews(start, sine));
    for (int p = 0; p < previewCount; ++p) {
        const std::span<const std::int16_t> preview = fast().previewBuffer(p);
        EXPECT_NE(preview[n / 2], 0) << "preview " << p;
        for (std::size_t i = n; i < previewLength; ++i)
            ASSERT_EQ(preview[i], 0) << "preview " << p << ", sample " << i;
    }
    // A cancelled computation leaves the previews as they were.
    const std::vector<std::int16_t> before(fast().previewBuffer(0).begin(),
                                           fast().previewBuffer(0).end());
    int calls = 0;
    EXPECT_FALSE(fast().computePreviews(longNotes, sine, [&](double) { return ++calls < 3; }));
    EXPECT_TRUE(std::equal(before.begin(), before.end(), fast().previewBuffer(0).begin()));
    ASSERT_TRUE(fast().computePreviews(start, sine));
    EXPECT_TRUE(std::equal(before.begin(), before.end(), fast().previewBuffer(0).begin()));
}

TEST_F(FastPathSynthTest, NoteRunningPastTheEndOfTheMixIsCutAlike) {
    // Tempo 80: the last tick starts at sample 10,582,621, 442,379 samples before the end of the
    // mix; a 12 s note with a 0.02 s release lasts 530,082 samples. The top key keeps the
    // reference quick (5 harmonics).
    auto sequence = std::make_unique<SequenceData>();
    sequence->tempo = 80;
    sequence->placeNote(tickCount - 1, keyCount - 1, 384, 9, 9);
    const SoundSettings settings = sounds()[2].settings; // vibrato, four oscillators
    ASSERT_TRUE(reference().renderSequence(*sequence, settings, wave_));
    ASSERT_TRUE(fast().renderSequence(*sequence, settings, wave_));
    EXPECT_EQ(fast().renderedSpan(), mixLength);
    const Apart apart = compare(reference().renderBuffer(), fast().renderBuffer());
    EXPECT_LE(apart.largest, 1) << apart.differing << " samples differ, the first at "
                                << apart.first;
    EXPECT_NE(fast().renderBuffer()[mixLength - 1], 0);
}

TEST_F(FastPathSynthTest, OneSampleEvaluatedAloneGetsTheReferenceCurves) {
    for (const Sound& sound : sounds()) {
        const std::size_t n = voice(reference(), sound.settings, wave_, 880.0).size();
        const CurvePlan plan = planCurves(sound.settings, gate, n);
        const ControlCurves& curves = reference().curves();
        for (std::size_t i = 0; i < n; ++i) {
            const CurveValues alone = referenceCurvesAt(plan, i);
            ASSERT_EQ(alone.pitchRatio, curves.pitchRatio[i]) << sound.name << ", sample " << i;
            ASSERT_EQ(alone.pitchLfo, curves.pitchLfo[i]) << sound.name << ", sample " << i;
            ASSERT_EQ(alone.degree, curves.degree[i]) << sound.name << ", sample " << i;
            ASSERT_EQ(alone.amp, curves.amp[i]) << sound.name << ", sample " << i;
        }
    }
}

// A sound and a sequence (tempo 190) on which the vector sine once moved the last bits of the
// peak, so that the loudest sample truncated to 25000 on the fast path and to 24999 in the
// reference. Found by rendering random waves, sounds and sequences both ways.
TEST_F(FastPathSynthTest, PeakTheVectorSineMovedIsTheReferencesToTheBit) {
    const std::string fixtures = VOREL_SYNTH_FIXTURES_DIR "/peak-moved";
    const Result<WaveData> wave = loadWaveFile(fixtures + ".vorelwf");
    const Result<SoundSettings> settings = loadSoundFile(fixtures + ".vorelsf");
    auto sequence = std::make_unique<SequenceData>();
    ASSERT_TRUE(wave && settings && loadSequenceFile(fixtures + ".vorelsqf", *sequence));
    sequence->tempo = 190;

    ASSERT_TRUE(reference().renderSequence(*sequence, settings.value(), wave.value()));
    ASSERT_TRUE(fast().renderSequence(*sequence, settings.value(), wave.value()));
    const Apart render = compare(reference().renderBuffer(), fast().renderBuffer());
    EXPECT_EQ(render.differing, 0u) << "the first at " << render.first;

    ASSERT_TRUE(reference().computePreviews(settings.value(), wave.value()));
    ASSERT_TRUE(fast().computePreviews(settings.value(), wave.value()));
    for (int p = 0; p < previewCount; ++p) {
        const Apart preview = compare(reference().previewBuffer(p), fast().previewBuffer(p));
        EXPECT_EQ(preview.differing, 0u) << "preview " << p << ", the first at " << preview.first;
    }
}

} // namespace
} // namespace vorel::test
