#pragma once

// What the benchmarks share: each times the reference and the fast path of the same cases side by
// side in one process, then prints a table of the median times, their ratio and how many 16-bit
// samples differ.
//
// Defaults: 5 repetitions in random order (so both paths see the same machine load); any
// --benchmark_* option given on the command line replaces them. --unit=avx512|avx2|scalar picks
// the fast path's vector unit (default: the widest this machine has).

#include "common/Evaluation.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vorel::bench {

// Run times in ms per registered name, from every repetition: wall clock, and processor time of
// all threads together.
struct Timings {
    std::map<std::string, std::vector<double>> wall;
    std::map<std::string, std::vector<double>> processor;
};

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    explicit RatioReporter(Timings& timings) : timings_(timings) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                timings_.wall[run.run_name.function_name].push_back(run.GetAdjustedRealTime());
                timings_.processor[run.run_name.function_name].push_back(run.GetAdjustedCPUTime());
            }
        ConsoleReporter::ReportRuns(runs);
    }

  private:
    Timings& timings_;
};

inline double median(std::vector<double> values) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// How far the fast path's samples lie from the reference's.
struct Difference {
    std::size_t samples = 0; // compared
    std::size_t differing = 0;
    int largest = 0;

    void add(std::span<const std::int16_t> reference, std::span<const std::int16_t> fast) {
        for (std::size_t i = 0; i < reference.size(); ++i) {
            const int delta = std::abs(reference[i] - fast[i]);
            samples += 1;
            differing += delta != 0;
            largest = std::max(largest, delta);
        }
    }
};

// The default --benchmark_* options of the side-by-side programs.
inline std::vector<std::string>& sideBySideDefaults() {
    static std::vector<std::string> defaults{"--benchmark_repetitions=5",
                                             "--benchmark_enable_random_interleaving=true",
                                             "--benchmark_report_aggregates_only=false"};
    return defaults;
}

// The command line without --unit=..., with the `defaults` added when no --benchmark_* option is
// given (they must outlive the arguments); `unit` gets the unit named by --unit=. Exits with a
// message for a unit this machine lacks.
inline std::vector<char*>
benchmarkArguments(int argc, char** argv, VectorUnit& unit,
                   std::vector<std::string>& defaults = sideBySideDefaults()) {
    std::vector<char*> args;
    bool ownOptions = false;
    for (int a = 0; a < argc; ++a) {
        const std::string arg = argv[a];
        if (arg.starts_with("--unit=")) {
            const std::string name = arg.substr(7);
            unit = VectorUnit::none;
            for (VectorUnit candidate : {VectorUnit::avx2, VectorUnit::avx512})
                if (name == vectorUnitName(candidate))
                    unit = candidate;
            if (!vectorUnitAvailable(unit)) {
                std::fprintf(stderr, "vector unit %s is not available here\n", name.c_str());
                std::exit(1);
            }
            continue;
        }
        ownOptions = ownOptions || arg.starts_with("--benchmark_");
        args.push_back(argv[a]);
    }
    if (!ownOptions)
        for (std::string& option : defaults)
            args.push_back(option.data());
    return args;
}

// The table's heading and one row: the medians of the repetitions of "<name>/reference" and
// "<name>/fast", and the differences `compare` finds (called only for a case whose both halves
// ran). The processor-time ratio does not depend on how much of the machine other programs take;
// the wall-clock ratio is what a user sees.
inline void printHeading() {
    std::printf("\n%-30s %12s %9s %7s %9s %7s %22s\n", "case", "reference ms", "fast ms", "ratio",
                "fast cpu", "ratio", "16-bit samples differ");
}
inline void printRow(const Timings& timings, const std::string& name,
                     const std::function<Difference()>& compare) {
    auto medianOf = [&](const std::map<std::string, std::vector<double>>& runs,
                        const std::string& key) {
        const auto found = runs.find(key);
        return found == runs.end() ? 0.0 : median(found->second);
    };
    const double reference = medianOf(timings.wall, name + "/reference");
    const double fast = medianOf(timings.wall, name + "/fast");
    const double referenceCpu = medianOf(timings.processor, name + "/reference");
    const double fastCpu = medianOf(timings.processor, name + "/fast");
    if (reference == 0.0 || fast == 0.0 || fastCpu == 0.0)
        return;
    const Difference d = compare();
    std::printf("%-30s %12.1f %9.2f %6.1fx %9.2f %6.1fx %10zu (max %d) of %zu\n", name.c_str(),
                reference, fast, reference / fast, fastCpu, referenceCpu / fastCpu, d.differing,
                d.largest, d.samples);
}

// The cases of one benchmark program.
class SideBySide {
  public:
    // Registers the benchmarks "<name>/reference" and "<name>/fast", whose iterations call
    // run(true) and run(false); `compare` runs both once more and counts the differing samples.
    void add(const std::string& name, std::function<void(bool reference)> run,
             std::function<Difference()> compare) {
        for (bool reference : {true, false})
            benchmark::RegisterBenchmark((name + (reference ? "/reference" : "/fast")).c_str(),
                                         [run, reference](benchmark::State& state) {
                                             for (auto _ : state)
                                                 run(reference);
                                         })
                ->Unit(benchmark::kMillisecond)
                ->MeasureProcessCPUTime()
                ->UseRealTime();
        rows_.push_back({name, std::move(compare)});
    }

    // Reads the command line, has the fast path use the vector unit it names (else `unit`)
    // through `useUnit`, runs the benchmarks and prints the table. Returns the exit status.
    int run(int argc, char** argv, VectorUnit unit, const std::function<void(VectorUnit)>& useUnit,
            unsigned threads) {
        std::vector<char*> args = benchmarkArguments(argc, argv, unit);
        useUnit(unit);
        int count = static_cast<int>(args.size());
        benchmark::Initialize(&count, args.data());
        if (benchmark::ReportUnrecognizedArguments(count, args.data()))
            return 1;
        std::printf("fast path: %u threads, vector unit %s\n", threads, vectorUnitName(unit));
        Timings timings;
        RatioReporter reporter(timings);
        benchmark::RunSpecifiedBenchmarks(&reporter);
        benchmark::Shutdown();
        printHeading();
        for (const Row& row : rows_)
            printRow(timings, row.name, row.compare);
        return 0;
    }

  private:
    struct Row {
        std::string name;
        std::function<Difference()> compare;
    };
    std::vector<Row> rows_;
};

} // namespace vorel::bench
