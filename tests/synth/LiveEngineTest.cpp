// The polyphonic live engine: events at their frames, the level of a note, the pool's stealing
// and fades, the sustain pedal, snapshots of the sound, and blocks rendered without allocating.

#include "synth/LiveEngine.h"
#include "bench/HeavyLoad.h"
#include "synth/SynthConstants.h"

#include "support/AllocationCount.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

namespace vorel::test {
namespace {

constexpr std::size_t blockFrames = 64;

// One oscillator of the fundamental at 0.6 and of harmonic 3 at 0.3, a 4 s release:
// cheap voices that all still sound when the pool fills.
SoundSettings cheapSettings() {
    SoundSettings settings;
    settings.select(Param::oscillatorCount, 0);
    settings.select(Param::ampReleaseLength, 30);
    return settings;
}
WaveData cheapWave() {
    WaveData wave{};
    wave[0] = 0.6;
    wave[2] = 0.3;
    return wave;
}

LiveEvent noteOn(std::uint32_t frame, int note, int velocity = 100) {
    return {frame, LiveEventKind::noteOn, static_cast<std::uint8_t>(note),
            static_cast<std::uint8_t>(velocity)};
}
LiveEvent noteOff(std::uint32_t frame, int note) {
    return {frame, LiveEventKind::noteOff, static_cast<std::uint8_t>(note), 0};
}
LiveEvent control(std::uint32_t frame, LiveEventKind kind, int value = 0) {
    return {frame, kind, 0, static_cast<std::uint8_t>(value)};
}

// Plays the events (frames counted from the start) through the engine in blocks and returns the
// mix of every frame up to `frames`.
std::vector<double> play(LiveEngine& engine, const std::vector<LiveEvent>& events,
                         std::size_t frames) {
    std::vector<double> mix;
    std::vector<float> out(blockFrames);
    std::vector<LiveEvent> block;
    for (std::size_t start = 0; start < frames; start += blockFrames) {
        block.clear();
        for (LiveEvent event : events)
            if (event.frame >= start && event.frame < start + blockFrames) {
                event.frame -= static_cast<std::uint32_t>(start);
                block.push_back(event);
            }
        engine.render(block, out);
        mix.insert(mix.end(), engine.mix().begin(), engine.mix().end());
    }
    mix.resize(frames);
    return mix;
}

// One voice alone: note `note` from frame `on`, its key released at frame `off`.
std::vector<double> alone(const VoiceSound& sound, int note, std::size_t on, std::size_t off,
                          std::size_t frames) {
    auto scratch = std::make_unique<StreamingScratch>();
    StreamingVoice voice;
    voice.start(sound, keyFrequency(note - 33), sampleRate, Evaluation::fast, bestVectorUnit(),
                HarmonicSines::rotation);
    std::vector<double> samples(frames, 0.0);
    if (off > on) {
        voice.render(std::span(samples).subspan(on, off - on), *scratch);
        voice.release();
    }
    const std::size_t from = std::max(on, off);
    voice.render(std::span(samples).subspan(from, frames - from), *scratch);
    return samples;
}

// The level of a note: (velocity / 127) * 0.5 / B, B the oscillators times the sum of the sounding
// coefficients.
double gainOf(int velocity, double oscillators = 1.0) {
    return velocity / 127.0 * 0.5 / (oscillators * (0.6 + 0.3));
}

std::unique_ptr<LiveEngine> engineWith(const SoundSettings& settings, const WaveData& wave) {
    auto engine = std::make_unique<LiveEngine>(sampleRate, blockFrames);
    engine->setSound(settings, wave);
    return engine;
}

TEST(LiveEngineTest, NotesStartAtTheirFramesAtTheirLevelWithTheSoundOfTheirStart) {
    const SoundSettings settings = cheapSettings();
    SoundSettings brighter = settings;
    brighter.select(Param::oscillatorCount, 2); // four oscillators: B = 3.6
    auto engine = engineWith(settings, cheapWave());
    // The first note starts inside the first block; the new sound reaches the second note only.
    std::vector<double> mix = play(*engine, {noteOn(37, 69, 100), noteOff(500, 69)}, 640);
    engine->setSound(brighter, cheapWave());
    const std::vector<double> later = play(*engine, {noteOn(10, 81, 64)}, 640);
    mix.insert(mix.end(), later.begin(), later.end());

    const VoiceSound first(settings, cheapWave());
    const VoiceSound second(brighter, cheapWave());
    const std::vector<double> a = alone(first, 69, 37, 500, 1280);
    const std::vector<double> b = alone(second, 81, 650, 0, 1280);
    for (std::size_t i = 0; i < mix.size(); ++i) {
        double expected = 0.0;
        expected += a[i] * gainOf(100);
        expected += b[i] * gainOf(64, 4.0);
        ASSERT_EQ(mix[i], expected) << "frame " << i;
    }
    EXPECT_EQ(mix[37], 0.0); // every voice starts at sin(0)
    EXPECT_NE(mix[38], 0.0);
    EXPECT_EQ(engine->soundingVoices(), 2);
}

// The pool holds 128 voices; the 129th note takes the voice released longest, which fades out
// linearly over round(0.005 * 44100) = 221 samples beside it.
TEST(LiveEngineTest, FullPoolStealsTheVoiceReleasedLongestElseTheOldestHeld) {
    const SoundSettings settings = cheapSettings();
    const VoiceSound sound(settings, cheapWave());
    for (bool anyReleased : {true, false}) {
        auto engine = engineWith(settings, cheapWave());
        EXPECT_EQ(engine->fadeLength(), 221u);
        std::vector<LiveEvent> events;
        for (int note = 0; note < LiveEngine::voiceCount; ++note)
            events.push_back(noteOn(static_cast<std::uint32_t>(note), note));
        if (anyReleased) {
            events.push_back(noteOff(200, 90)); // released longest
            events.push_back(noteOff(300, 20));
        }
        // A key pressed again needs a voice too; its old voice goes on with its release.
        events.push_back(noteOn(400, 90, 127));
        const std::size_t frames = 1000;
        const std::vector<double> mix = play(*engine, events, frames);

        const int stolen = anyReleased ? 90 : 0; // else the oldest held
        std::vector<double> expected(frames, 0.0);
        for (int note = 0; note < LiveEngine::voiceCount; ++note) {
            const auto on = static_cast<std::size_t>(note);
            const std::size_t off =
                note == 90 ? (anyReleased ? 200 : 400) : (note == 20 && anyReleased ? 300 : 0);
            const std::vector<double> samples = alone(sound, note, on, off, frames);
            for (std::size_t i = 0; i < frames; ++i) {
                double level = samples[i] * gainOf(100);
                if (note == stolen)
                    level = i < 400 ? level
                                    : (i < 621 ? samples[i] * gainOf(100) *
                                                     (static_cast<double>(620 - i) / 221.0)
                                               : 0.0);
                expected[i] += level;
            }
        }
        const std::vector<double> again = alone(sound, 90, 400, 0, frames);
        for (std::size_t i = 0; i < frames; ++i)
            expected[i] += again[i] * gainOf(127);
        for (std::size_t i = 0; i < frames; ++i)
            ASSERT_NEAR(mix[i], expected[i], 1e-12)
                << "frame " << i << ", released " << anyReleased;
        EXPECT_EQ(engine->soundingVoices(), LiveEngine::voiceCount);
    }
}

TEST(LiveEngineTest, AllSoundOffFadesEveryVoiceAllNotesOffReleasesThem) {
    const SoundSettings settings = cheapSettings();
    const std::vector<LiveEvent> notes{noteOn(0, 60), noteOn(5, 64), noteOn(9, 67)};
    auto withEvents = [&](std::vector<LiveEvent> more) {
        std::vector<LiveEvent> events = notes;
        events.insert(events.end(), more.begin(), more.end());
        auto engine = engineWith(settings, cheapWave());
        return play(*engine, events, 2000);
    };
    const std::vector<double> held = withEvents({});
    const std::vector<double> soundOff = withEvents({control(1000, LiveEventKind::allSoundOff)});
    for (std::size_t i = 1000; i < 1221; ++i)
        ASSERT_NEAR(soundOff[i], held[i] * (static_cast<double>(1220 - i) / 221.0), 1e-12)
            << "frame " << i;
    for (std::size_t i = 1221; i < 2000; ++i)
        ASSERT_EQ(soundOff[i], 0.0) << "frame " << i;

    EXPECT_EQ(withEvents({control(1000, LiveEventKind::allNotesOff)}),
              withEvents({noteOff(1000, 60), noteOff(1000, 64), noteOff(1000, 67)}));
}

TEST(LiveEngineTest, SustainPedalHoldsReleasedNotesUntilItIsLifted) {
    const SoundSettings settings = cheapSettings();
    auto mixOf = [&](std::vector<LiveEvent> events) {
        auto engine = engineWith(settings, cheapWave());
        return play(*engine, events, 3000);
    };
    const std::vector<double> pedalled =
        mixOf({control(0, LiveEventKind::sustain, 127), noteOn(10, 60), noteOff(500, 60),
               control(2000, LiveEventKind::sustain, 0)});
    EXPECT_EQ(pedalled, mixOf({noteOn(10, 60), noteOff(2000, 60)}));
    // A key pressed again while its note sounds starts a new voice; the old one is released.
    EXPECT_EQ(mixOf({noteOn(10, 60), noteOn(700, 60, 50)}),
              mixOf({noteOn(10, 60), noteOff(700, 60), noteOn(700, 60, 50)}));
}

TEST(LiveEngineTest, OutputIsTheMixTimesTheVolumeClippedAndCounted) {
    auto engine = engineWith(cheapSettings(), cheapWave());
    engine->setMasterVolume(8.0);
    std::vector<float> out(blockFrames);
    const LiveEvent chord[] = {noteOn(0, 60, 127), noteOn(0, 64, 127), noteOn(0, 67, 127)};
    std::uint64_t clipped = 0;
    for (int block = 0; block < 20; ++block) {
        engine->render(
            block == 0 ? std::span<const LiveEvent>(chord) : std::span<const LiveEvent>(), out);
        for (std::size_t i = 0; i < blockFrames; ++i) {
            const double level = engine->mix()[i] * 8.0;
            clipped += level > 1.0 || level < -1.0;
            ASSERT_EQ(out[i], static_cast<float>(std::clamp(level, -1.0, 1.0)));
        }
    }
    EXPECT_GT(clipped, 0u);
    EXPECT_EQ(engine->clippedSamples(), clipped);
}

TEST(LiveEngineTest, RenderingABlockAllocatesNothing) {
    auto engine = std::make_unique<LiveEngine>(sampleRate, 256);
    SoundSettings settings;
    settings.select(Param::lpfLfoAmplitude, 5);
    settings.select(Param::lpfLfoDelay, 0);
    engine->setSound(settings, everyHarmonicWave());
    std::vector<float> out(256);
    std::vector<LiveEvent> events;
    for (int note = 0; note < 130; ++note) // the last two steal
        events.push_back(noteOn(static_cast<std::uint32_t>(note % 256), note % 128 + 30));
    events.push_back(noteOff(250, 40));
    const std::size_t before = allocationCount();
    engine->render(events, out);
    engine->render({}, out);
    const LiveEvent pedal[] = {control(3, LiveEventKind::sustain, 100), noteOff(4, 50),
                               control(5, LiveEventKind::allNotesOff),
                               control(9, LiveEventKind::allSoundOff)};
    engine->render(pedal, out);
    EXPECT_EQ(allocationCount(), before);
}

TEST(LiveEngineTest, MidiMessagesOfEveryChannelBecomeEvents) {
    auto event = [](std::vector<std::uint8_t> bytes) { return liveEventFromMidi(7, bytes); };
    EXPECT_EQ(event({0x95, 60, 100})->kind, LiveEventKind::noteOn);
    EXPECT_EQ(event({0x95, 60, 100})->frame, 7u);
    EXPECT_EQ(event({0x90, 60, 0})->kind, LiveEventKind::noteOff); // velocity 0
    EXPECT_EQ(event({0x8F, 61, 30})->note, 61);
    EXPECT_EQ(event({0xB3, 64, 90})->value, 90);
    EXPECT_EQ(event({0xB0, 120, 0})->kind, LiveEventKind::allSoundOff);
    EXPECT_EQ(event({0xB0, 123, 0})->kind, LiveEventKind::allNotesOff);
    EXPECT_FALSE(event({0xE0, 0, 64})); // pitch bend
    EXPECT_FALSE(event({0xB0, 1, 64})); // modulation wheel
    EXPECT_FALSE(event({0x90, 60}));    // cut short
}

} // namespace
} // namespace vorel::test
