// The renderer's conversions between the programs' files and those of other music software:
// Standard MIDI Files for sequences, single-cycle sound files for waves.
#include "common/DisplayName.h"
#include "common/WaveFile.h"
#include "sound_editor_io/MidiFile.h"
#include "sound_editor_io/SequenceFile.h"
#include "sound_editor_io/SoundEditorFiles.h"
#include "tools/CommandOptions.h"
#include "wave_editor/SingleCycle.h"

#include <filesystem>
#include <ostream>

namespace vorel::render {
namespace {

// What an import had to change, one sentence a line, where the user reads it: beside the output,
// or on standard error when the output itself goes to standard output.
void tell(const Options& options, std::ostream& out, std::ostream& err,
          const std::vector<std::string>& sentences) {
    std::ostream& to = required(options, "-o") == standardOutput ? err : out;
    for (const std::string& sentence : sentences)
        to << sentence << '\n';
}

void checkOutput(const Options& options) {
    if (const std::string& output = required(options, "-o"); output != standardOutput)
        checkOutputs({output});
}

} // namespace

int midiCommand(const Options& options, std::ostream& out) {
    allowOnly(options, {"--sequence", "--tempo", "-o"});
    const std::string& sequencePath = required(options, "--sequence");
    const int tempo = tempoOption(options);
    SequenceData sequence;
    if (Status status = loadSequenceFile(sequencePath, sequence); !status)
        throw FileError{sequencePath + ": " + status.error()};
    checkOutput(options);
    sequence.tempo = tempo;
    // The track is named like the sequence in the sound editor: after its file.
    sequence.sequenceName =
        nameFromTitle(std::filesystem::path(sequencePath).filename().u16string());
    writeOutput(options, out, encodeMidiFile(sequence));
    return 0;
}

int fromMidiCommand(const Options& options, std::ostream& out, std::ostream& err) {
    allowOnly(options, {"-o"}, true);
    const Result<MidiImport> import = readMidiFile(options.input);
    if (!import)
        throw FileError{options.input + ": " + import.error()};
    checkOutput(options);
    SequenceData sequence;
    applyMidiImport(sequence, import.value());
    writeOutput(options, out, encodeSequenceFile(sequence));
    std::vector<std::string> sentences = import.value().report.sentences();
    // A sequence file holds no tempo: it is said, to be given to the sound editor or to --tempo.
    const std::string tempo = std::to_string(import.value().tempo);
    sentences.push_back("Tempo: " + tempo + " beats per minute (render with --tempo " + tempo +
                        ").");
    tell(options, out, err, sentences);
    return 0;
}

int cycleCommand(const Options& options, std::ostream& out) {
    allowOnly(options, {"--wave", "--length", "-o"});
    const std::string& wavePath = required(options, "--wave");
    std::size_t length = wave::cycleLength;
    if (auto found = options.values.find("--length"); found != options.values.end()) {
        const std::optional<int> value = parseInt(found->second);
        if (!value || *value < static_cast<int>(wave::shortestCycle) ||
            *value > static_cast<int>(wave::longestCycle))
            throw UsageError{"--length takes a number from 64 to 1048576"};
        length = static_cast<std::size_t>(*value);
    }
    const Result<WaveData> wave = loadWaveFile(wavePath);
    if (!wave)
        throw FileError{wavePath + ": " + wave.error()};
    checkOutput(options);
    writeOutput(options, out, wave::encodeSingleCycleFile(wave.value(), length));
    return 0;
}

int fromCycleCommand(const Options& options, std::ostream& out, std::ostream& err) {
    allowOnly(options, {"-o"}, true);
    const Result<wave::SingleCycleImport> import = wave::readSingleCycleFile(options.input);
    if (!import)
        throw FileError{options.input + ": " + import.error()};
    checkOutput(options);
    writeOutput(options, out, encodeWaveFile(import.value().wave));
    tell(options, out, err, import.value().sentences());
    return 0;
}

} // namespace vorel::render
