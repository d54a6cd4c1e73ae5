// Writes the example waves, sound settings and demo sequence into a folder (default: examples),
// and, given a second folder, the instrument library: its waves, sounds, songs and index.
#include "common/FileIo.h"
#include "common/WaveFile.h"
#include "sequencer/SequenceData.h"
#include "sound_editor_io/SequenceFile.h"
#include "sound_editor_io/SoundFile.h"
#include "tools/library/Recipes.h"

#include <filesystem>
#include <iostream>
#include <set>
#include <stdexcept>
#include <string>

namespace {

using namespace vorel;

bool write(const std::string& path, const std::vector<std::byte>& bytes) {
    Status status = writeFileAtomically(path, bytes);
    if (!status)
        std::cerr << path << ": " << status.error() << '\n';
    else
        std::cout << "wrote " << path << '\n';
    return status.ok();
}

// Harmonic n at 1/n: a sawtooth.
WaveData sawtooth() {
    WaveData wave{};
    for (std::size_t k = 0; k < harmonicCount; ++k)
        wave[k] = 1.0 / static_cast<double>(k + 1);
    return wave;
}

// Odd harmonics at 1/n: a square.
WaveData square() {
    WaveData wave{};
    for (std::size_t k = 0; k < harmonicCount; k += 2)
        wave[k] = 1.0 / static_cast<double>(k + 1);
    return wave;
}

// Drawbar-like mix of the octaves and the fifth.
WaveData organ() {
    WaveData wave{};
    wave[0] = 1.0;  // fundamental
    wave[1] = 0.7;  // octave
    wave[2] = 0.45; // twelfth
    wave[3] = 0.5;  // two octaves
    wave[5] = 0.25;
    wave[7] = 0.3; // three octaves
    wave[9] = 0.12;
    wave[11] = 0.1;
    return wave;
}

SoundSettings softLead() {
    SoundSettings s;
    s.select(Param::oscillatorCount, 1); // 2 oscillators
    s.select(Param::detune, 2);          // 2 Hz
    s.select(Param::attackPitch, 22);    // +2 semitones
    s.select(Param::attackPitchLength, 0);
    s.select(Param::pitchLfoFrequency, 9); // 5.0 Hz
    s.select(Param::pitchLfoAmplitude, 2); // 1.0
    s.select(Param::pitchLfoDelay, 1);     // 0.5 s
    s.select(Param::ampAttackLevel, 3);    // 0.3
    s.select(Param::ampAttackLength, 1);   // 0.1 s
    s.select(Param::ampDecayLevel, 10);    // 1.0
    s.select(Param::ampDecayLength, 3);    // 0.3 s
    s.select(Param::ampSustainLevel, 7);   // 0.7
    s.select(Param::ampReleaseLength, 3);  // 0.3 s
    s.select(Param::lpfAttackDegree, 0);   // 0.0
    s.select(Param::lpfAttackLength, 2);   // 0.2 s
    s.select(Param::lpfDecayDegree, 5);    // 0.5
    s.select(Param::lpfDecayLength, 5);    // 0.5 s
    s.select(Param::lpfSustainDegree, 8);  // 0.8
    s.select(Param::lpfReleaseLength, 4);  // 0.4 s
    s.select(Param::lpfLfoFrequency, 3);   // 2.0 Hz
    s.select(Param::lpfLfoAmplitude, 2);   // 0.2
    s.select(Param::lpfLfoDelay, 2);       // 1.0 s
    return s;
}

// Four bars: a melody in eighths over a bass line in quarters, at several velocities and key
// lengths.
void demoSequence(SequenceData& sequence) {
    constexpr int c4 = 27, d4 = 29, e4 = 31, f4 = 32, g4 = 34, a4 = 36, b4 = 38, c5 = 39;
    const int melody[4][8] = {{c4, e4, g4, c5, b4, g4, e4, d4},
                              {f4, a4, c5, a4, g4, e4, d4, e4},
                              {e4, g4, b4, g4, a4, f4, d4, f4},
                              {g4, b4, d4, g4, c5, g4, e4, c4}};
    const int bass[4] = {3, 8, 10, 3}; // C2, F2, G2, C2
    for (int page = 0; page < 4; ++page) {
        for (int step = 0; step < 8; ++step) {
            const int tick = page * ticksPerPage + step * 12;
            const int velocity = step % 2 == 0 ? 9 : 6;
            sequence.placeNote(tick, melody[page][step], 12, step == 7 ? 9 : 7, velocity);
        }
        for (int beat = 0; beat < 4; ++beat)
            sequence.placeNote(page * ticksPerPage + beat * 24, bass[page] + (beat % 2) * 12, 24, 5,
                               beat == 0 ? 9 : 7);
    }
    // A long closing chord on the fifth bar.
    for (int key : {c4, e4, g4, 15})
        sequence.placeNote(4 * ticksPerPage, key, 96, 9, 8);
}

bool writeText(const std::string& path, const std::string& text) {
    std::vector<std::byte> bytes(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        bytes[i] = static_cast<std::byte>(text[i]);
    return write(path, bytes);
}

// Every instrument's wave and every song's instrument must be one of the library's.
void checkReferences(const std::vector<library::WaveRecipe>& waves,
                     const std::vector<library::InstrumentRecipe>& instruments,
                     const std::vector<library::SongRecipe>& songs) {
    std::set<std::string> waveNames, instrumentNames;
    for (const auto& wave : waves)
        waveNames.insert(wave.name);
    for (const auto& instrument : instruments) {
        if (!waveNames.count(instrument.wave))
            throw std::invalid_argument(instrument.name + " uses no wave " + instrument.wave);
        if (!instrumentNames.insert(instrument.name).second)
            throw std::invalid_argument("two instruments are named " + instrument.name);
    }
    for (const auto& song : songs)
        if (!instrumentNames.count(song.instrument))
            throw std::invalid_argument(song.name + " is made for no instrument " +
                                        song.instrument);
}

bool writeLibrary(const std::string& folder) {
    const auto waves = library::waveRecipes();
    const auto instruments = library::instrumentRecipes();
    const auto songs = library::songRecipes();
    checkReferences(waves, instruments, songs);
    for (const char* sub : {"/waves", "/sounds", "/songs"})
        std::filesystem::create_directories(folder + sub);
    bool ok = true;
    for (const auto& wave : waves)
        ok &= write(folder + "/waves/" + wave.name + ".vorelwf", encodeWaveFile(wave.wave));
    for (const auto& instrument : instruments)
        ok &= write(folder + "/sounds/" + instrument.name + ".vorelsf",
                    encodeSoundFile(instrument.sound));
    for (const auto& song : songs) {
        SequenceData sequence;
        song.write(sequence);
        ok &= write(folder + "/songs/" + song.name + ".vorelsqf", encodeSequenceFile(sequence));
    }
    return ok && writeText(folder + "/index.txt", library::indexText(instruments, songs));
}

} // namespace

int main(int argc, char** argv) try {
    const std::string folder = argc > 1 ? argv[1] : "examples";
    std::filesystem::create_directories(folder);
    bool ok = true;
    ok &= write(folder + "/saw.vorelwf", encodeWaveFile(sawtooth()));
    ok &= write(folder + "/square.vorelwf", encodeWaveFile(square()));
    ok &= write(folder + "/organ.vorelwf", encodeWaveFile(organ()));
    ok &= write(folder + "/soft-lead.vorelsf", encodeSoundFile(softLead()));
    SequenceData sequence;
    demoSequence(sequence);
    ok &= write(folder + "/demo.vorelsqf", encodeSequenceFile(sequence));
    if (argc > 2)
        ok &= writeLibrary(argv[2]);
    return ok ? 0 : 1;
} catch (const std::exception& mistake) {
    std::cerr << "vorel-make-examples: " << mistake.what() << '\n';
    return 1;
}
