// Filling the tone tables on every processor against one thread, and "Compute" of a wave with all
// 100 harmonics sounding, on the calling thread against a worker pool. Prints the ratios at the
// end.
#include "common/WorkerPool.h"
#include "wave_editor/Preview.h"
#include "wave_editor/ToneTables.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

using namespace vorel::wave;

const ToneTables& sharedTables() {
    static std::unique_ptr<ToneTables> tables = std::move(ToneTables::create()).value();
    return *tables;
}

vorel::WaveData fullWave() {
    vorel::WaveData wave;
    for (std::size_t k = 0; k < wave.size(); ++k)
        wave[k] = 1.0 / static_cast<double>(k + 1);
    return wave;
}

void fillTables(benchmark::State& state) {
    unsigned threads = static_cast<unsigned>(state.range(0));
    for (auto _ : state) {
        auto tables = ToneTables::create(threads);
        benchmark::DoNotOptimize(tables.value()->table(0).data());
    }
}
// 0 stands for one thread per processor.
BENCHMARK(fillTables)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

void computeOnOneThread(benchmark::State& state) {
    const ToneTables& tables = sharedTables();
    PreviewBuffers previews;
    vorel::WaveData wave = fullWave();
    for (auto _ : state) {
        computePreviews(wave, tables, previews);
        benchmark::DoNotOptimize(previews.pcm(0).data());
    }
}
BENCHMARK(computeOnOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();

void computeOnEveryProcessor(benchmark::State& state) {
    const ToneTables& tables = sharedTables();
    PreviewBuffers previews;
    vorel::WorkerPool pool;
    vorel::WaveData wave = fullWave();
    for (auto _ : state) {
        computePreviews(wave, tables, previews, &pool);
        benchmark::DoNotOptimize(previews.pcm(0).data());
    }
}
BENCHMARK(computeOnEveryProcessor)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps the real time per iteration of every run, to print the ratios afterwards.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration)
                seconds[run.benchmark_name()] =
                    run.real_accumulated_time / static_cast<double>(run.iterations);
    }
    std::map<std::string, double> seconds;
};

void printRatio(const RatioReporter& reporter, const std::string& slow, const std::string& fast) {
    auto a = reporter.seconds.find(slow);
    auto b = reporter.seconds.find(fast);
    if (a != reporter.seconds.end() && b != reporter.seconds.end() && b->second > 0)
        std::printf("%s / %s = %.2f\n", slow.c_str(), fast.c_str(), a->second / b->second);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("processors: %u\n", vorel::WorkerPool::processorCount());
    printRatio(reporter, "fillTables/1/iterations:2/real_time",
               "fillTables/0/iterations:2/real_time");
    printRatio(reporter, "computeOnOneThread/real_time", "computeOnEveryProcessor/real_time");
    benchmark::Shutdown();
    return 0;
}
