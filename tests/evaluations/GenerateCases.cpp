// Writes random cases for comparing vorel-render's two evaluations: for k = 1 .. COUNT,
// DIR/case-k.vorelwf, case-k.vorelsf, case-k.vorelsqf and case-k.tempo (the tempo as text). The
// same seed always gives the same cases.
//
//   vorel-generate-cases DIR COUNT [SEED]

#include "common/FileIo.h"
#include "common/WaveFile.h"
#include "sequencer/SequenceData.h"
#include "sound_editor_io/SoundEditorFiles.h"
#include "synth/SoundSettings.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

namespace {

using namespace vorel;

using Random = std::mt19937_64;

double uniform(Random& random, double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(random);
}
int below(Random& random, int n) {
    return std::uniform_int_distribution<int>(0, n - 1)(random);
}

// Waves of eight kinds in turn: random coefficients, a sparse few, 1/n with random signs, the
// first ten harmonics, a single harmonic, all equal, magnitudes from 1e-300 to 1e300, and
// negative zeros among random coefficients.
WaveData randomWave(int index, Random& random) {
    WaveData wave{};
    switch (index % 8) {
    case 0:
        for (double& c : wave)
            c = uniform(random, -1, 1);
        break;
    case 1:
        for (double& c : wave)
            c = below(random, 4) == 0 ? uniform(random, -1, 1) : 0.0;
        break;
    case 2:
        for (std::size_t k = 0; k < harmonicCount; ++k)
            wave[k] = (below(random, 2) ? 1.0 : -1.0) / static_cast<double>(k + 1);
        break;
    case 3:
        for (std::size_t k = 0; k < 10; ++k)
            wave[k] = uniform(random, -1, 1);
        break;
    case 4:
        wave[static_cast<std::size_t>(below(random, harmonicCount))] = uniform(random, -1, 1);
        break;
    case 5:
        wave.fill(uniform(random, -1, 1));
        break;
    case 6:
        for (double& c : wave)
            c = std::copysign(std::pow(10.0, below(random, 601) - 300), uniform(random, -1, 1));
        break;
    default:
        for (double& c : wave)
            c = below(random, 2) ? -0.0 : uniform(random, -1, 1);
        break;
    }
    return wave;
}

// Each parameter at a random choice half of the time; the lengths that make a voice or a preview
// long (attack, decay, release) at most 1 s, so that the reference stays quick.
SoundSettings randomSound(Random& random) {
    SoundSettings settings;
    for (int number = 1; number <= parameterCount; ++number) {
        const Param param = paramFromNumber(number);
        if (below(random, 2))
            settings.select(param, below(random, parameterInfo(param).choices));
    }
    for (Param length : {Param::ampAttackLength, Param::ampDecayLength, Param::ampReleaseLength})
        while (settings.value(length) > 1.0)
            settings.select(length, below(random, parameterInfo(length).choices));
    return settings;
}

// 1 to 8 notes in the first two bars.
void randomSequence(Random& random, SequenceData& sequence) {
    sequence.clear();
    const int notes = 1 + below(random, 8);
    for (int n = 0; n < notes; ++n)
        sequence.placeNote(below(random, 2 * ticksPerPage), below(random, keyCount),
                           minNoteLength + below(random, 46), below(random, percentCount),
                           below(random, percentCount));
}

bool saved(const Status& status, const std::string& path) {
    if (!status)
        std::fprintf(stderr, "%s: %s\n", path.c_str(), status.error().c_str());
    return static_cast<bool>(status);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: vorel-generate-cases DIR COUNT [SEED]\n");
        return 2;
    }
    const std::string folder = argv[1];
    const int count = std::stoi(argv[2]);
    Random random(argc > 3 ? std::stoull(argv[3]) : 1);
    std::filesystem::create_directories(folder);
    auto sequence = std::make_unique<SequenceData>();
    for (int k = 1; k <= count; ++k) {
        const std::string base = folder + "/case-" + std::to_string(k);
        const WaveData wave = randomWave(k, random);
        const SoundSettings sound = randomSound(random);
        randomSequence(random, *sequence);
        const std::string tempo = std::to_string(minTempo + below(random, maxTempo - minTempo + 1));
        const auto tempoBytes = std::as_bytes(std::span(tempo.data(), tempo.size()));
        if (!saved(saveWaveFile(base + ".vorelwf", wave), base + ".vorelwf") ||
            !saved(saveSoundFile(base + ".vorelsf", sound), base + ".vorelsf") ||
            !saved(saveSequenceFile(base + ".vorelsqf", *sequence), base + ".vorelsqf") ||
            !saved(writeFileAtomically(base + ".tempo", tempoBytes), base + ".tempo"))
            return 1;
    }
    return 0;
}
