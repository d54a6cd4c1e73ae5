#include "tools/RenderCommand.h"

#include "common/FileIo.h"
#include "common/Pcm.h"
#include "sequencer/SequenceData.h"
#include "sound_editor_io/SoundEditorFiles.h"
#include "sound_editor_io/WavFile.h"
#include "synth/Synth.h"
#include "wave_editor/Preview.h"

#include <charconv>
#include <cstdio>
#include <map>
#include <optional>
#include <ostream>
#include <span>
#include <string_view>

#ifndef VOREL_VERSION
#define VOREL_VERSION "0.0"
#endif

namespace vorel {
namespace {

constexpr std::string_view usageText =
    R"(usage: vorel-render sequence --wave W.vorelwf [--sound S.vorelsf] --sequence Q.vorelsqf
                           [--tempo BPM] -o OUT.wav
       vorel-render previews --wave W.vorelwf [--sound S.vorelsf] -o PREFIX
       vorel-render wave-previews --wave W.vorelwf -o PREFIX
       vorel-render --help | --version

  sequence   renders every note of the sequence, like "Render->", and writes the WAV file
  previews   computes the four test notes, like "Compute->", and writes PREFIX-110.wav,
             PREFIX-220.wav, PREFIX-440.wav and PREFIX-880.wav
  wave-previews  computes the wave editor's three 5-second previews, like its "Compute", and
             writes PREFIX-110.wav, PREFIX-440.wav and PREFIX-880.wav

options:
  --sound S     synthesizer settings (default: the start settings)
  --tempo BPM   80..220 (default 120)
  --threads N   worker threads (default: one per processor)
  --reference   the straightforward single-threaded evaluation
  --quiet       no progress bar
)";

struct UsageError {
    std::string message;
};

struct Options {
    std::string command;
    std::map<std::string, std::string>
        values; // --wave, --sound, --sequence, --tempo, -o, --threads
    bool reference = false;
    bool quiet = false;
};

std::optional<int> parseInt(const std::string& text) {
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

Options parse(const std::vector<std::string>& args) {
    Options options;
    static const std::map<std::string_view, bool> takesValue{
        {"--wave", true}, {"--sound", true},   {"--sequence", true},   {"--tempo", true},
        {"-o", true},     {"--threads", true}, {"--reference", false}, {"--quiet", false}};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (i == 0 && !arg.starts_with("-")) {
            options.command = arg;
            continue;
        }
        auto known = takesValue.find(arg);
        if (known == takesValue.end())
            throw UsageError{"unknown argument '" + arg + "'"};
        if (!known->second) {
            (arg == "--reference" ? options.reference : options.quiet) = true;
            continue;
        }
        if (i + 1 >= args.size())
            throw UsageError{arg + " needs a value"};
        if (options.values.count(arg))
            throw UsageError{arg + " given twice"};
        options.values[arg] = args[++i];
    }
    return options;
}

const std::string& required(const Options& options, const std::string& name) {
    auto found = options.values.find(name);
    if (found == options.values.end())
        throw UsageError{options.command + " needs " + name};
    return found->second;
}

void allowOnly(const Options& options, std::initializer_list<std::string_view> allowed) {
    for (const auto& [name, value] : options.values) {
        bool ok = false;
        for (auto a : allowed)
            ok = ok || a == name;
        if (!ok)
            throw UsageError{name + " does not go with " + options.command};
    }
}

// A failed file, named, with its reason: exit status 1.
struct FileError {
    std::string message;
};

// Draws a bar on the terminal while the work runs.
class ProgressBar {
  public:
    ProgressBar(std::ostream& err, bool enabled, std::string label)
        : err_(err), enabled_(enabled), label_(std::move(label)) {}
    ~ProgressBar() {
        if (enabled_ && drawn_ >= 0)
            err_ << "\r\033[K" << std::flush;
    }
    Progress callback() {
        if (!enabled_)
            return {};
        return [this](double fraction) {
            constexpr int width = 40;
            int filled = static_cast<int>(fraction * width);
            if (filled != drawn_) {
                drawn_ = filled;
                err_ << '\r' << label_ << " [" << std::string(static_cast<std::size_t>(filled), '#')
                     << std::string(static_cast<std::size_t>(width - filled), ' ') << "] "
                     << static_cast<int>(fraction * 100) << '%' << std::flush;
            }
            return true;
        };
    }

  private:
    std::ostream& err_;
    bool enabled_;
    std::string label_;
    int drawn_ = -1;
};

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

// Writes every file, or none: a failure removes the files this run already wrote.
void writeAll(const std::vector<std::pair<std::string, std::vector<std::byte>>>& files) {
    std::vector<std::string> written;
    for (const auto& [path, bytes] : files) {
        Status status = writeFileAtomically(path, bytes);
        if (!status) {
            for (const auto& done : written)
                std::remove(done.c_str());
            throw FileError{path + ": " + status.error()};
        }
        written.push_back(path);
    }
}

int renderSequenceCommand(const Options& options, std::ostream& err, bool progress) {
    allowOnly(options, {"--wave", "--sound", "--sequence", "--tempo", "-o", "--threads"});
    const std::string& output = required(options, "-o");
    const std::string& sequencePath = required(options, "--sequence");
    int tempo = startTempo;
    if (auto found = options.values.find("--tempo"); found != options.values.end()) {
        auto value = parseInt(found->second);
        if (!value || *value < minTempo || *value > maxTempo)
            throw UsageError{"--tempo takes a number from 80 to 220"};
        tempo = *value;
    }
    const unsigned threads = threadsOption(options);
    Inputs inputs = loadInputs(options);
    SequenceData sequence;
    if (Status status = loadSequenceFile(sequencePath, sequence); !status)
        throw FileError{sequencePath + ": " + status.error()};
    sequence.tempo = tempo;
    Synth synth = makeSynth(options, threads);

    {
        ProgressBar bar(err, progress, "Rendering");
        synth.renderSequence(sequence, inputs.settings, inputs.wave, bar.callback());
    }
    auto samples = synth.renderBuffer();
    writeAll({{output, encodeWavFile(samples.first(audibleLength(samples)))}});
    return 0;
}

int renderPreviewsCommand(const Options& options, std::ostream& err, bool progress) {
    allowOnly(options, {"--wave", "--sound", "-o", "--threads"});
    const std::string& prefix = required(options, "-o");
    const unsigned threads = threadsOption(options);
    Inputs inputs = loadInputs(options);
    Synth synth = makeSynth(options, threads);
    {
        ProgressBar bar(err, progress, "Computing");
        synth.computePreviews(inputs.settings, inputs.wave, bar.callback());
    }
    std::vector<std::pair<std::string, std::vector<std::byte>>> files;
    for (int p = 0; p < previewCount; ++p) {
        auto samples = synth.previewBuffer(p);
        files.emplace_back(
            prefix + "-" +
                std::to_string(static_cast<int>(previewFrequencies[static_cast<std::size_t>(p)])) +
                ".wav",
            encodeWavFile(samples.first(audibleLength(samples))));
    }
    writeAll(files);
    return 0;
}

int renderWavePreviewsCommand(const Options& options) {
    allowOnly(options, {"--wave", "-o", "--threads"});
    const std::string& prefix = required(options, "-o");
    const unsigned threads = threadsOption(options);
    const std::string& wavePath = required(options, "--wave");
    auto wave = loadWaveFile(wavePath);
    if (!wave)
        throw FileError{wavePath + ": " + wave.error()};
    wave::Previews previews(options.reference ? 1 : threads,
                            options.reference ? Evaluation::reference : Evaluation::fast);
    previews.compute(wave.value());
    std::vector<std::pair<std::string, std::vector<std::byte>>> files;
    for (int p = 0; p < wave::previewPitchCount; ++p)
        files.emplace_back(
            prefix + "-" +
                std::to_string(static_cast<int>(wave::previewBaseHz[static_cast<std::size_t>(p)])) +
                ".wav",
            encodeWavFile(previews.pcm(p)));
    writeAll(files);
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
            return renderSequenceCommand(options, err, progress);
        if (options.command == "previews")
            return renderPreviewsCommand(options, err, progress);
        if (options.command == "wave-previews")
            return renderWavePreviewsCommand(options);
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

} // namespace vorel
