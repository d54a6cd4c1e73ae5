// The synthesizer's reference evaluation and its fast path side by side on the same work, in one
// process: each case is timed for both, then the two results are compared sample by sample.
// At the end a table gives the median times, their ratio and how many 16-bit samples differ.
//
// Defaults: 5 repetitions in random order (so both paths see the same machine load); any
// --benchmark_* option given on the command line replaces them. --unit=avx512|avx2|scalar picks
// the fast path's vector unit (default: the widest this machine has).

#include "sequencer/SequenceData.h"
#include "sound_editor_io/SoundEditorFiles.h"
#include "synth/Oscillator.h"
#include "synth/SoundSettings.h"
#include "synth/Synth.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace {

using namespace vorel;

// Harmonic n at 1/n: a sawtooth, 19 harmonics above the threshold at degree 0.
WaveData sawtooth() {
    WaveData wave{};
    for (std::size_t k = 0; k < harmonicCount; ++k)
        wave[k] = 1.0 / static_cast<double>(k + 1);
    return wave;
}

SoundSettings with(std::initializer_list<std::pair<Param, int>> choices) {
    SoundSettings settings;
    for (auto [param, index] : choices)
        settings.select(param, index);
    return settings;
}

// A lead sound: 2 oscillators, attack pitch, vibrato, an LPF envelope with its LFO.
SoundSettings leadSettings() {
    return with({{Param::oscillatorCount, 1},
                 {Param::detune, 2},
                 {Param::attackPitch, 22},
                 {Param::pitchLfoFrequency, 9},
                 {Param::pitchLfoAmplitude, 2},
                 {Param::pitchLfoDelay, 1},
                 {Param::ampAttackLevel, 3},
                 {Param::ampDecayLength, 3},
                 {Param::ampSustainLevel, 7},
                 {Param::ampReleaseLength, 3},
                 {Param::lpfAttackLength, 2},
                 {Param::lpfDecayDegree, 5},
                 {Param::lpfDecayLength, 5},
                 {Param::lpfSustainDegree, 8},
                 {Param::lpfReleaseLength, 4},
                 {Param::lpfLfoFrequency, 3},
                 {Param::lpfLfoAmplitude, 2},
                 {Param::lpfLfoDelay, 2}});
}

// 4 oscillators 3 Hz apart with a 2.0 vibrato from the start.
SoundSettings vibratoSettings() {
    return with({{Param::oscillatorCount, 2},
                 {Param::detune, 3},
                 {Param::pitchLfoFrequency, 9},
                 {Param::pitchLfoAmplitude, 4},
                 {Param::pitchLfoDelay, 0}});
}

// The degree moves on every sample: attack and decay ramps, then an LFO from the start.
SoundSettings movingDegreeSettings() {
    return with({{Param::lpfAttackDegree, 0},
                 {Param::lpfAttackLength, 5},
                 {Param::lpfDecayDegree, 20},
                 {Param::lpfDecayLength, 10},
                 {Param::lpfSustainDegree, 8},
                 {Param::lpfReleaseLength, 5},
                 {Param::lpfLfoFrequency, 5},
                 {Param::lpfLfoAmplitude, 5},
                 {Param::lpfLfoDelay, 0}});
}

// The demo of examples/: four bars of eighths over a bass in quarters and a closing chord,
// 52 notes.
void fillDemo(SequenceData& sequence) {
    const std::string path = VOREL_EXAMPLES_DIR "/demo.vorelsqf";
    if (Status loaded = loadSequenceFile(path, sequence); !loaded) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), loaded.error().c_str());
        std::exit(1);
    }
}

// 200 notes of 3 ticks at tempo 220, two keys per step, all over the keyboard.
void fillDense(SequenceData& sequence) {
    sequence.tempo = 220;
    for (int note = 0; note < 200; ++note)
        sequence.placeNote(3 * (note / 2), (note * 29) % keyCount, 3, 9, 5 + note % 5);
}

// Key 0 (55 Hz) held 12 s at tempo 80.
void fillLongLow(SequenceData& sequence) {
    sequence.tempo = 80;
    sequence.placeNote(0, 0, 384, 9, 9);
}

struct Case {
    std::string name;
    std::function<void(Synth&)> run;
    std::function<std::vector<std::span<const std::int16_t>>(const Synth&)> output;
};

std::vector<std::span<const std::int16_t>> previewsOf(const Synth& synth) {
    std::vector<std::span<const std::int16_t>> spans;
    for (int p = 0; p < previewCount; ++p)
        spans.push_back(synth.previewBuffer(p));
    return spans;
}

std::vector<std::span<const std::int16_t>> renderOf(const Synth& synth) {
    return {synth.renderBuffer()};
}

Case previewCase(std::string name, SoundSettings settings) {
    static const WaveData wave = sawtooth();
    return {std::move(name), [settings](Synth& synth) { synth.computePreviews(settings, wave); },
            previewsOf};
}

Case renderCase(std::string name, SoundSettings settings, void (*fill)(SequenceData&)) {
    static const WaveData wave = sawtooth();
    auto sequence = std::make_shared<SequenceData>();
    fill(*sequence);
    return {std::move(name),
            [settings, sequence](Synth& synth) { synth.renderSequence(*sequence, settings, wave); },
            renderOf};
}

// The two engines every case runs on; the buffers are allocated once, as in the programs.
Synth& referenceSynth() {
    static Synth synth(1, Evaluation::reference);
    return synth;
}
Synth& fastSynth() {
    static Synth synth(0, Evaluation::fast);
    return synth;
}

// Run times in ms per registered name, from every repetition: wall clock, and processor time of
// all threads together.
std::map<std::string, std::vector<double>> timings;
std::map<std::string, std::vector<double>> processorTimings;

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                timings[run.run_name.function_name].push_back(run.GetAdjustedRealTime());
                processorTimings[run.run_name.function_name].push_back(run.GetAdjustedCPUTime());
            }
        ConsoleReporter::ReportRuns(runs);
    }
};

double median(std::vector<double> values) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Difference {
    std::size_t samples = 0; // compared
    std::size_t differing = 0;
    int largest = 0;
};

Difference compare(const Case& c) {
    c.run(referenceSynth());
    c.run(fastSynth());
    Difference d;
    auto reference = c.output(referenceSynth());
    auto fast = c.output(fastSynth());
    for (std::size_t b = 0; b < reference.size(); ++b)
        for (std::size_t i = 0; i < reference[b].size(); ++i) {
            const int delta = std::abs(reference[b][i] - fast[b][i]);
            d.samples += 1;
            d.differing += delta != 0;
            d.largest = std::max(d.largest, delta);
        }
    return d;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<Case> cases{
        renderCase("sequence_52_notes", leadSettings(), fillDemo),
        previewCase("previews_default", SoundSettings{}),
        previewCase("previews_4_osc_vibrato", vibratoSettings()),
        previewCase("previews_degree_every_sample", movingDegreeSettings()),
        renderCase("long_low_note", SoundSettings{}, fillLongLow),
        renderCase("dense_200_short_notes", SoundSettings{}, fillDense),
    };
    for (const Case& c : cases) {
        for (bool reference : {true, false}) {
            benchmark::RegisterBenchmark((c.name + (reference ? "/reference" : "/fast")).c_str(),
                                         [&c, reference](benchmark::State& state) {
                                             Synth& synth =
                                                 reference ? referenceSynth() : fastSynth();
                                             for (auto _ : state)
                                                 c.run(synth);
                                         })
                ->Unit(benchmark::kMillisecond)
                ->MeasureProcessCPUTime()
                ->UseRealTime();
        }
    }

    std::vector<char*> args;
    bool ownOptions = false;
    for (int a = 0; a < argc; ++a) {
        const std::string arg = argv[a];
        if (arg.starts_with("--unit=")) {
            const std::string name = arg.substr(7);
            VectorUnit unit = VectorUnit::none;
            for (VectorUnit candidate : {VectorUnit::avx2, VectorUnit::avx512})
                if (name == vectorUnitName(candidate))
                    unit = candidate;
            if (!vectorUnitAvailable(unit)) {
                std::fprintf(stderr, "vector unit %s is not available here\n", name.c_str());
                return 1;
            }
            fastSynth().setVectorUnit(unit);
            continue;
        }
        ownOptions = ownOptions || arg.starts_with("--benchmark_");
        args.push_back(argv[a]);
    }
    std::string repetitions = "--benchmark_repetitions=5";
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    std::string onlyRepeats = "--benchmark_report_aggregates_only=false";
    if (!ownOptions) {
        args.push_back(repetitions.data());
        args.push_back(interleave.data());
        args.push_back(onlyRepeats.data());
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;
    std::printf("fast path: %u threads, vector unit %s\n", fastSynth().threadCount(),
                vectorUnitName(fastSynth().vectorUnit()));
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    // Medians of the repetitions. The processor-time ratio does not depend on how much of the
    // machine other programs take; the wall-clock ratio is what a user sees.
    std::printf("\n%-30s %12s %9s %7s %9s %7s %22s\n", "case", "reference ms", "fast ms", "ratio",
                "fast cpu", "ratio", "16-bit samples differ");
    for (const Case& c : cases) {
        const double reference = median(timings[c.name + "/reference"]);
        const double fast = median(timings[c.name + "/fast"]);
        const double referenceCpu = median(processorTimings[c.name + "/reference"]);
        const double fastCpu = median(processorTimings[c.name + "/fast"]);
        if (reference == 0.0 || fast == 0.0 || fastCpu == 0.0)
            continue;
        const Difference d = compare(c);
        std::printf("%-30s %12.1f %9.2f %6.1fx %9.2f %6.1fx %10zu (max %d) of %zu\n",
                    c.name.c_str(), reference, fast, reference / fast, fastCpu,
                    referenceCpu / fastCpu, d.differing, d.largest, d.samples);
    }
    return 0;
}
