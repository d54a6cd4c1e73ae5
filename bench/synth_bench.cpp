// The synthesizer's reference evaluation and its fast path side by side on the same work, in one
// process: each case is timed for both, then the two results are compared sample by sample (see
// SideBySide.h for the table and the options).

#include "SideBySide.h"
#include "sequencer/SequenceData.h"
#include "sound_editor_io/SoundEditorFiles.h"
#include "synth/Oscillator.h"
#include "synth/SoundSettings.h"
#include "synth/Synth.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
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

bench::Difference compare(const Case& c) {
    c.run(referenceSynth());
    c.run(fastSynth());
    bench::Difference d;
    auto reference = c.output(referenceSynth());
    auto fast = c.output(fastSynth());
    for (std::size_t b = 0; b < reference.size(); ++b)
        d.add(reference[b], fast[b]);
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
    bench::SideBySide benchmarks;
    for (const Case& c : cases)
        benchmarks.add(
            c.name, [&c](bool reference) { c.run(reference ? referenceSynth() : fastSynth()); },
            [&c] { return compare(c); });
    return benchmarks.run(
        argc, argv, fastSynth().vectorUnit(),
        [](VectorUnit unit) { fastSynth().setVectorUnit(unit); }, fastSynth().threadCount());
}
