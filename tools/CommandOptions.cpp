#include "tools/CommandOptions.h"

#include "common/FileIo.h"
#include "sequencer/SequenceData.h"

#include <charconv>
#include <ostream>

namespace vorel::render {

Options parse(const std::vector<std::string>& args) {
    Options options;
    static const std::map<std::string_view, bool> takesValue{
        {"--wave", true},    {"--sound", true},      {"--sequence", true},
        {"--tempo", true},   {"--length", true},     {"-o", true},
        {"--threads", true}, {"--reference", false}, {"--quiet", false}};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (i == 0 && !arg.starts_with("-")) {
            options.command = arg;
            continue;
        }
        auto known = takesValue.find(arg);
        if (known == takesValue.end()) {
            // One argument that is no option: the file a conversion reads.
            if (!arg.starts_with("-") && !arg.empty() && options.input.empty()) {
                options.input = arg;
                continue;
            }
            throw UsageError{"unknown argument '" + arg + "'"};
        }
        if (!known->second) {
            (arg == "--reference" ? options.reference : options.quiet) = true;
            continue;
        }
        // An empty value, or the next option where the value belongs, is a value left out.
        if (i + 1 >= args.size() || args[i + 1].empty() || takesValue.count(args[i + 1]))
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

void allowOnly(const Options& options, std::initializer_list<std::string_view> allowed,
               bool takesInput) {
    for (const auto& [name, value] : options.values) {
        bool ok = false;
        for (auto a : allowed)
            ok = ok || a == name;
        if (!ok)
            throw UsageError{name + " does not go with " + options.command};
    }
    if (takesInput && options.input.empty())
        throw UsageError{options.command + " needs the file to read"};
    if (!takesInput && !options.input.empty())
        throw UsageError{"unknown argument '" + options.input + "'"};
}

std::optional<int> parseInt(const std::string& text) {
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

int tempoOption(const Options& options) {
    auto found = options.values.find("--tempo");
    if (found == options.values.end())
        return startTempo;
    auto value = parseInt(found->second);
    if (!value || *value < minTempo || *value > maxTempo)
        throw UsageError{"--tempo takes a number from 80 to 220"};
    return *value;
}

void checkOutputs(const std::vector<std::string>& paths) {
    for (const auto& path : paths)
        if (Status status = checkSaveDestination(path); !status)
            throw FileError{path + ": " + status.error()};
}

void writeAll(const std::vector<std::string>& paths,
              std::span<const std::vector<std::byte>> contents) {
    std::vector<FileToWrite> files;
    for (std::size_t i = 0; i < paths.size(); ++i)
        files.push_back({paths[i], contents[i]});
    if (Status status = writeFilesAtomically(files); !status)
        throw FileError{status.error()};
}

void writeOutput(const Options& options, std::ostream& out, const std::vector<std::byte>& bytes) {
    const std::string& output = required(options, "-o");
    if (output != standardOutput) {
        writeAll({output}, {&bytes, 1});
        return;
    }
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out)
        throw FileError{"standard output: the output could not be written"};
}

ProgressBar::~ProgressBar() {
    if (enabled_ && drawn_ >= 0)
        err_ << "\r\033[K" << std::flush;
}

Progress ProgressBar::callback() {
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

} // namespace vorel::render
