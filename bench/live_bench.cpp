// The live engine on one thread: how many voices of a sound it renders at least as fast as they
// play, in 128-frame blocks at 44100 Hz, beside the offline fast path's time for the same voice
// samples. Closes with the line
//   voices-in-real-time: heaviest N start M
// The real-time factor is the audio rendered over the rendering thread's processor time (the
// machine is shared; the wall-clock factor is printed beside it).
//
// Options: --unit=avx512|avx2|scalar picks the vector unit (default: the widest this machine has);
// any --benchmark_* option replaces the defaults (3 repetitions).

#include "HeavyLoad.h"
#include "SideBySide.h"
#include "common/SoundConstants.h"
#include "synth/LiveEngine.h"
#include "synth/SoundSettings.h"
#include "synth/Synth.h"
#include "synth/SynthConstants.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace vorel;

constexpr std::size_t blockFrames = 128;
// A key pressed again releases the voice it sounds, and all voices play one key: each note-on
// releases the one before, which goes on with its release (0.1 s, 4410 frames). With the notes
// started 7 frames apart, all 128 voices sound from frame 889 until the first ends at frame 4417;
// each iteration starts an engine afresh (untimed) and times the 24 blocks from frame 896 on.
constexpr std::size_t blocksPerIteration = 24;
constexpr std::uint32_t staggerFrames = 7; // between note starts: no two voices alike
constexpr int voiceCounts[] = {1, 2, 4, 8, 16, 24, 32, 40, 48, 64, 80, 96, 112, 128};
constexpr int midiKeyOffset = 33; // MIDI note 33 + k is key k

// Every one of the 100 coefficients sounds: 0.9 / (1 + 0.02 k).
struct Sound {
    std::string name;
    SoundSettings settings;
    int note; // MIDI note of every voice
    // Sines per sample of a held voice after its attack: the figure per term counts these (a
    // released voice of the start settings, its degree ramping to 2.0, sounds fewer).
    int termsPerSample;
};

// Key 0 (MIDI 33) with every harmonic sounding in every voice.
Sound heaviest() {
    return {"heaviest", heaviestSettings(), 33, 400};
}

// The start settings on key 36 (A4): 45 harmonics below the ceiling, 2 oscillators.
Sound start() {
    return {"start", SoundSettings{}, 69, 90};
}

// The engine with `voices` notes started staggered and all sounding, at the end of the block in
// which the last one starts.
std::unique_ptr<LiveEngine> playing(const Sound& sound, int voices, VectorUnit unit) {
    auto engine = std::make_unique<LiveEngine>(sampleRate, blockFrames);
    engine->setVectorUnit(unit);
    engine->setSound(sound.settings, everyHarmonicWave());
    std::vector<float> out(blockFrames);
    std::vector<LiveEvent> events;
    const std::uint32_t lastStart = staggerFrames * static_cast<std::uint32_t>(voices - 1);
    for (std::uint32_t frame = 0; frame <= lastStart; frame += blockFrames) {
        events.clear();
        for (std::uint32_t at = frame; at < frame + blockFrames && at <= lastStart; ++at)
            if (at % staggerFrames == 0)
                events.push_back(LiveEvent{at - frame, LiveEventKind::noteOn,
                                           static_cast<std::uint8_t>(sound.note), 100});
        engine->render(events, out);
    }
    return engine;
}

std::string liveName(const Sound& sound, int voices) {
    return "live/" + sound.name + "/" + std::to_string(voices);
}
std::string offlineName(const Sound& sound) {
    return "offline/" + sound.name;
}

Synth& offlineSynth() {
    static Synth synth(1, Evaluation::fast);
    return synth;
}

void registerCases(const std::vector<Sound>& sounds, VectorUnit unit) {
    const std::size_t framesPerIteration = blockFrames * blocksPerIteration;
    for (const Sound& sound : sounds) {
        for (int voices : voiceCounts)
            benchmark::RegisterBenchmark(
                liveName(sound, voices).c_str(),
                [sound, voices, unit](benchmark::State& state) {
                    std::vector<float> out(blockFrames);
                    for (auto _ : state) {
                        state.PauseTiming();
                        const std::unique_ptr<LiveEngine> engine = playing(sound, voices, unit);
                        state.ResumeTiming();
                        for (std::size_t b = 0; b < blocksPerIteration; ++b)
                            engine->render({}, out);
                        if (engine->soundingVoices() != voices) {
                            state.SkipWithError("a voice ended");
                            break;
                        }
                    }
                })
                ->Unit(benchmark::kMillisecond);
        // The same voice samples from the offline fast path on one thread: one voice of as many
        // samples as an iteration renders at each voice count, per voice.
        benchmark::RegisterBenchmark(offlineName(sound).c_str(), [sound, unit, framesPerIteration](
                                                                     benchmark::State& state) {
            Synth& synth = offlineSynth();
            synth.setVectorUnit(unit);
            const WaveData wave = everyHarmonicWave();
            std::vector<double> out(framesPerIteration);
            const double gate = static_cast<double>(framesPerIteration) / sampleRate;
            for (auto _ : state)
                synth.computeVoice(sound.settings, wave, keyFrequency(sound.note - 33), gate, out);
        })->Unit(benchmark::kMillisecond);
    }
}

double medianOf(const std::map<std::string, std::vector<double>>& runs, const std::string& key) {
    const auto found = runs.find(key);
    return found == runs.end() ? 0.0 : bench::median(found->second);
}

// Real time and cost per voice sample at each voice count, then the offline path's cost of the
// same samples; ends with the most voices each sound plays in real time.
void report(const std::vector<Sound>& sounds, const bench::Timings& timings) {
    const std::size_t framesPerIteration = blockFrames * blocksPerIteration;
    const double audioMs = 1000.0 * static_cast<double>(framesPerIteration) / sampleRate;
    std::printf("\n%-10s %6s %16s %8s %16s %14s\n", "sound", "voices", "real-time (cpu)", "(wall)",
                "ns/voice-sample", "ns/sine term");
    std::vector<int> inRealTime;
    for (const Sound& sound : sounds) {
        int largest = 0;
        for (int voices : voiceCounts) {
            const double cpu = medianOf(timings.processor, liveName(sound, voices));
            const double wall = medianOf(timings.wall, liveName(sound, voices));
            if (cpu == 0.0)
                continue;
            const double perSample =
                cpu * 1e6 / (static_cast<double>(voices) * static_cast<double>(framesPerIteration));
            std::printf("%-10s %6d %15.2fx %7.2fx %16.1f %14.2f\n", sound.name.c_str(), voices,
                        audioMs / cpu, audioMs / wall, perSample, perSample / sound.termsPerSample);
            if (audioMs / cpu >= 1.0)
                largest = voices;
        }
        inRealTime.push_back(largest);
    }
    std::printf("\noffline fast path, one thread, the same voice samples:\n");
    for (const Sound& sound : sounds) {
        const double cpu = medianOf(timings.processor, offlineName(sound));
        if (cpu == 0.0)
            continue;
        const double perSample = cpu * 1e6 / static_cast<double>(framesPerIteration);
        std::printf("%-10s %16.1f ns/voice-sample %8.2f ns/sine term, %.1f voices in real time\n",
                    sound.name.c_str(), perSample, perSample / sound.termsPerSample, audioMs / cpu);
    }
    std::printf("\nvoices-in-real-time: heaviest %d start %d\n", inRealTime[0], inRealTime[1]);
}

} // namespace

int main(int argc, char** argv) {
    VectorUnit unit = bestVectorUnit();
    // The cases run in order, each with its own engine playing.
    static std::vector<std::string> defaults{"--benchmark_repetitions=3"};
    std::vector<char*> args = bench::benchmarkArguments(argc, argv, unit, defaults);

    const std::vector<Sound> sounds{heaviest(), start()};
    registerCases(sounds, unit);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;
    std::printf("live engine: one thread, %zu-frame blocks at %d Hz, vector unit %s\n", blockFrames,
                sampleRate, vectorUnitName(unit));
    bench::Timings timings;
    bench::RatioReporter reporter(timings);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    report(sounds, timings);
    return 0;
}
