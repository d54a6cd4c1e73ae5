#pragma once

// What the renderer's commands share: the parsed command line, the two kinds of failure and the
// checks and writes of their outputs. Used only by the tools/ sources.

#include "synth/Synth.h"

#include <cstddef>
#include <initializer_list>
#include <iosfwd>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorel::render {

// The command line is not understood: exit status 2, with the usage text.
struct UsageError {
    std::string message;
};

// A file could not be read, written or was refused, named, with its reason: exit status 1.
struct FileError {
    std::string message;
};

struct Options {
    std::string command;
    std::string input; // the file a conversion command reads: its one argument that is no option
    std::map<std::string, std::string> values; // --wave, --sound, --sequence, --tempo, -o, …
    bool reference = false;
    bool quiet = false;
};

Options parse(const std::vector<std::string>& args);

// The value of option `name`, which the command needs.
const std::string& required(const Options& options, const std::string& name);
// Refuses options that do not go with the command, and an input file where it takes none.
void allowOnly(const Options& options, std::initializer_list<std::string_view> allowed,
               bool takesInput = false);
std::optional<int> parseInt(const std::string& text);
// --tempo: 80..220, 120 when not given.
int tempoOption(const Options& options);

// "-o -": the command's one output goes to standard output.
inline constexpr std::string_view standardOutput = "-";

// Refuses the outputs before the work that fills them, not after it.
void checkOutputs(const std::vector<std::string>& paths);
// Writes every file, or none: until each file is whole on disk, no earlier file is replaced.
void writeAll(const std::vector<std::string>& paths,
              std::span<const std::vector<std::byte>> contents);
// Writes the command's one output to the file of -o, or to `out` for "-o -".
void writeOutput(const Options& options, std::ostream& out, const std::vector<std::byte>& bytes);

// Draws a bar on the terminal while the work runs.
class ProgressBar {
  public:
    ProgressBar(std::ostream& err, bool enabled, std::string label)
        : err_(err), enabled_(enabled), label_(std::move(label)) {}
    ~ProgressBar();
    Progress callback();

  private:
    std::ostream& err_;
    bool enabled_;
    std::string label_;
    int drawn_ = -1;
};

// The conversion commands: midi, from-midi, cycle, from-cycle. Each returns the exit status.
int midiCommand(const Options& options, std::ostream& out);
int fromMidiCommand(const Options& options, std::ostream& out, std::ostream& err);
int cycleCommand(const Options& options, std::ostream& out);
int fromCycleCommand(const Options& options, std::ostream& out, std::ostream& err);
// lv2-preset: a wave and a sound file as a preset of the LV2 instrument in the bundle folder -o.
int lv2PresetCommand(const Options& options, std::ostream& out);

} // namespace vorel::render
