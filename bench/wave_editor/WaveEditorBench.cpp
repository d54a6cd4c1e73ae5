// The wave editor's "Compute", the reference evaluation and the fast path side by side in one
// process, on the example waves and on generated ones (see ../SideBySide.h for the table and the
// options).

#include "../SideBySide.h"
#include "common/WaveFile.h"
#include "wave_editor/Preview.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace vorel;
using namespace vorel::wave;

struct Case {
    std::string name;
    WaveData wave;
};

WaveData example(const std::string& name) {
    const std::string path = VOREL_EXAMPLES_DIR "/" + name + ".vorelwf";
    const Result<WaveData> wave = loadWaveFile(path);
    if (!wave) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), wave.error().c_str());
        std::exit(1);
    }
    return wave.value();
}

// Every harmonic at 1/n: all 100 sound at 110 Hz.
WaveData sawtooth() {
    WaveData wave{};
    for (std::size_t k = 0; k < harmonicCount; ++k)
        wave[k] = 1.0 / static_cast<double>(k + 1);
    return wave;
}

// Every coefficient drawn from -1 .. 1, from a fixed seed.
WaveData randomWave(unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> coefficient(-1.0, 1.0);
    WaveData wave{};
    for (double& c : wave)
        c = coefficient(random);
    return wave;
}

// The two engines every case runs on; the buffers are allocated once, as in the program.
Previews& referencePreviews() {
    static Previews previews(1, Evaluation::reference);
    return previews;
}
Previews& fastPreviews() {
    static Previews previews(0, Evaluation::fast);
    return previews;
}

bench::Difference compare(const Case& c) {
    referencePreviews().compute(c.wave);
    fastPreviews().compute(c.wave);
    bench::Difference d;
    for (int pitch = 0; pitch < previewPitchCount; ++pitch)
        d.add(referencePreviews().pcm(pitch), fastPreviews().pcm(pitch));
    return d;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<Case> cases{
        {"saw_example", example("saw")},     {"square_example", example("square")},
        {"organ_example", example("organ")}, {"all_100_at_1_over_n", sawtooth()},
        {"random_wave_1", randomWave(1)},    {"random_wave_2", randomWave(2)},
    };
    bench::SideBySide benchmarks;
    for (const Case& c : cases)
        benchmarks.add(
            c.name,
            [&c](bool reference) {
                (reference ? referencePreviews() : fastPreviews()).compute(c.wave);
            },
            [&c] { return compare(c); });
    return benchmarks.run(
        argc, argv, fastPreviews().vectorUnit(),
        [](VectorUnit unit) { fastPreviews().setVectorUnit(unit); }, fastPreviews().threadCount());
}
