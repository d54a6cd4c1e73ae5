#include "tools/RenderCommand.h"

#include "common/FileIo.h"
#include "common/Pcm.h"
#include "common/SoundFileBytes.h"
#include "common/WaveFile.h"
#include "sequencer/SequenceData.h"
#include "sound_editor_io/SoundEditorFiles.h"
#include "sound_editor_io/WavFile.h"
#include "synth/Synth.h"
#include "tools/CommandOptions.h"
#include "wave_editor/Preview.h"

#include <array>
#include <ostream>
#include <span>
#include <string_view>

#ifndef VOREL_VERSION
#define VOREL_VERSION "0.0"
#endif

namespace vorel::render {
namespace {

constexpr std::string_view usageText =
    R"(usage: vorel-render sequence --wave W.vorelwf [--sound S.vorelsf] --sequence Q.vorelsqf
                           [--tempo BPM] -o OUT.wav|OUT.flac|-
       vorel-render previews --wave W.vorelwf [--sound S.vorelsf] -o PREFIX
       vorel-render wave-previews --wave W.vorelwf -o PREFIX
       vorel-render midi --sequence Q.vorelsqf [--tempo BPM] -o OUT.mid|-
       vorel-render from-midi IN.mid -o OUT.vorelsqf|-
       vorel-render cycle --wave W.vorelwf [--length N] -o OUT.wav|-
       vorel-render from-cycle IN.wav -o OUT.vorelwf|-
       vorel-render lv2-preset --wave W.vorelwf --sound S.vorelsf -o BUNDLE.lv2
       vorel-render --help | --version

  sequence   renders every note of the sequence, like "Render->", and writes a WAV file, or a
             FLAC file when OUT ends in .flac (-o - writes the WAV to standard output)
  previews   computes the four test notes, like "Compute->", and writes PREFIX-110.wav,
             PREFIX-220.wav, PREFIX-440.wav and PREFIX-880.wav
  wave-previews  computes the wave editor's three 5-second previews, like its "Compute", and
             writes PREFIX-110.wav, PREFIX-440.wav and PREFIX-880.wav
  midi       writes the sequence as a Standard MIDI File (format 0, 240 ticks per quarter note)
  from-midi  reads the notes of a Standard MIDI File (format 0 or 1) into a sequence file and
             says what had to change to fit them into the grid
  cycle      writes one period of the wave as a 32-bit float WAV file, the single-cycle form
             wavetable synthesizers import
  from-cycle reads one period of any WAV, AIFF or FLAC file into a wave file
  lv2-preset writes the wave and the sound as a preset of the LV2 instrument, named after the
             sound file, into the bundle folder BUNDLE.lv2 (made if missing; a preset of another
             name already there stays); put the folder into ~/.lv2/ for the hosts to find it

options:
  --sound S     synthesizer settings (default: the start settings)
  --tempo BPM   80..220 (default 120)
  --length N    samples in the period, 64..1048576 (default 2048)
  --threads N   worker threads (default: one per processor)
  --reference   the straightforward single-threaded evaluation
  --quiet       no progress bar
)";

struct Inputs {
    WaveData wave{};
    SoundSettings settings;
};

Inputs loadInputs(const Options& options) {
    Inputs inputs;
    const std::string& wavePath = required(options, "--wave");
    auto wave = loadWaveFile(wavePath);
    if (!wave)
        throw FileError{wavePath + ": " + wave.error()};
    inputs.wave = wave.value();
    if (auto sound = options.values.find("--sound"); sound != options.values.end()) {
        auto settings = loadSoundFile(sound->second);
        if (!settings)
            throw FileError{sound->second + ": " + settings.error()};
        inputs.settings = settings.value();
    }
    return inputs;
}

unsigned threadsOption(const Options& options) {
    unsigned threads = 0;
    if (auto found = options.values.find("--threads"); found != options.values.end()) {
        auto n = parseInt(found->second);
        if (!n || *n < 1 || *n > 256)
            throw UsageError{"--threads takes a number from 1 to 256"};
        threads = static_cast<unsigned>(*n);
    }
    return threads;
}

// Made after every input has been read: the synthesizer's buffers are large.
Synth makeSynth(const Options& options, unsigned threads) {
    return Synth(options.reference ? 1 : threads,
                 options.reference ? Evaluation::reference : Evaluation::fast);
}

// The files of a previews command: PREFIX-110.wav and so on, one per frequency.
template <std::size_t count>
std::vector<std::string> previewPaths(const Options& options,
                                      const std::array<double, count>& frequencies) {
    const std::string& prefix = required(options, "-o");
    if (prefix == standardOutput)
        throw UsageError{options.command + " writes several files: -o takes a prefix, not -"};
    std::vector<std::string> paths;
    for (double hz : frequencies)
        paths.push_back(prefix + "-" + std::to_string(static_cast<int>(hz)) + ".wav");
    return paths;
}

// The rendering as a WAV file, or as FLAC when the output's name ends in ".flac".
std::vector<std::byte> encodeRendering(const std::string& output,
                                       std::span<const std::int16_t> samples) {
    const bool flac = output.size() > 5 && output.ends_with(".flac");
    if (!flac)
        return encodeWavFile(samples);
    auto bytes = encodeFlacFile(samples);
    if (!bytes)
        throw FileError{output + ": " + bytes.error()};
    return std::move(bytes).value();
}

int renderSequenceCommand(const Options& options, std::ostream& out, std::ostream& err,
                          bool progress) {
    allowOnly(options, {"--wave", "--sound", "--sequence", "--tempo", "-o", "--threads"});
    const std::string& output = required(options, "-o");
    const std::string& sequencePath = required(options, "--sequence");
    const int tempo = tempoOption(options);
    const unsigned threads = threadsOption(options);
    Inputs inputs = loadInputs(options);
    SequenceData sequence;
    if (Status status = loadSequenceFile(sequencePath, sequence); !status)
        throw FileError{sequencePath + ": " + status.error()};
    if (output != standardOutput)
        checkOutputs({output});
    sequence.tempo = tempo;
    Synth synth = makeSynth(options, threads);

    {
        ProgressBar bar(err, progress, "Rendering");
        synth.renderSequence(sequence, inputs.settings, inputs.wave, bar.callback());
    }
    auto samples = synth.renderBuffer();
    writeOutput(options, out, encodeRendering(output, samples.first(audibleLength(samples))));
    return 0;
}

int renderPreviewsCommand(const Options& options, std::ostream& err, bool progress) {
    allowOnly(options, {"--wave", "--sound", "-o", "--threads"});
    const auto paths = previewPaths(options, previewFrequencies);
    const unsigned threads = threadsOption(options);
    Inputs inputs = loadInputs(options);
    checkOutputs(paths);
    Synth synth = makeSynth(options, threads);
    {
        ProgressBar bar(err, progress, "Computing");
        synth.computePreviews(inputs.settings, inputs.wave, bar.callback());
    }
    std::vector<std::vector<std::byte>> contents;
    for (int p = 0; p < previewCount; ++p) {
        auto samples = synth.previewBuffer(p);
        contents.push_back(encodeWavFile(samples.first(audibleLength(samples))));
    }
    writeAll(paths, contents);
    return 0;
}

int renderWavePreviewsCommand(const Options& options) {
    allowOnly(options, {"--wave", "-o", "--threads"});
    const auto paths = previewPaths(options, wave::previewBaseHz);
    const unsigned threads = threadsOption(options);
    const std::string& wavePath = required(options, "--wave");
    auto wave = loadWaveFile(wavePath);
    if (!wave)
        throw FileError{wavePath + ": " + wave.error()};
    checkOutputs(paths);
    wave::Previews previews(options.reference ? 1 : threads,
                            options.reference ? Evaluation::reference : Evaluation::fast);
    previews.compute(wave.value());
    std::vector<std::vector<std::byte>> contents;
    for (int p = 0; p < wave::previewPitchCount; ++p)
        contents.push_back(encodeWavFile(previews.pcm(p)));
    writeAll(paths, contents);
    return 0;
}

} // namespace

int runRenderCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                     bool progressToTerminal) {
    for (const auto& arg : args) {
        if (arg == "--help" || arg == "-h") {
            out << usageText;
            return 0;
        }
        if (arg == "--version") {
            out << "vorel-render " << VOREL_VERSION << '\n';
            return 0;
        }
    }
    try {
        Options options = parse(args);
        const bool progress = progressToTerminal && !options.quiet;
        if (options.command == "sequence")
            return renderSequenceCommand(options, out, err, progress);
        if (options.command == "previews")
            return renderPreviewsCommand(options, err, progress);
        if (options.command == "wave-previews")
            return renderWavePreviewsCommand(options);
        if (options.command == "midi")
            return midiCommand(options, out);
        if (options.command == "from-midi")
            return fromMidiCommand(options, out, err);
        if (options.command == "cycle")
            return cycleCommand(options, out);
        if (options.command == "from-cycle")
            return fromCycleCommand(options, out, err);
        if (options.command == "lv2-preset")
            return lv2PresetCommand(options, out);
        if (options.command.empty())
            throw UsageError{"no command given"};
        throw UsageError{"unknown command '" + options.command + "'"};
    } catch (const UsageError& error) {
        err << "vorel-render: " << error.message << '\n' << usageText;
        return 2;
    } catch (const FileError& error) {
        err << "vorel-render: " << error.message << '\n';
        return 1;
    }
}

} // namespace vorel::render
