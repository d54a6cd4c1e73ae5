#include "wave_editor/ToneTables.h"

#include <cmath>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace vorel::wave {
namespace {

static_assert(toneTableCount * toneLength * sizeof(double) == 1'058'400'000,
              "the failure message of ToneTables::create names the tables' size");

struct TableRole {
    int pitch;
    int harmonic;   // 1..100
    bool companion; // the companion frequency's table, else the base frequency's
};

TableRole roleOf(std::size_t index) {
    bool companion = index < baseTablesFrom;
    std::size_t within = companion ? index : index - baseTablesFrom;
    return {static_cast<int>(within / tablesPerFrequency),
            static_cast<int>(within % tablesPerFrequency) + 1, companion};
}

// The phase step per sample of one table, in the order cos(j * (h * ((f * 2pi) / 44100))).
double phaseStep(const TableRole& role) {
    double frequency = role.companion ? previewCompanionHz[static_cast<std::size_t>(role.pitch)]
                                      : previewBaseHz[static_cast<std::size_t>(role.pitch)];
    return static_cast<double>(role.harmonic) * ((frequency * soundTwoPi) / sampleRate);
}

} // namespace

int previewHarmonicCount(int pitch) {
    double base = previewBaseHz[static_cast<std::size_t>(pitch)];
    int count = 0;
    // The limit is tested with the base frequency, also for the companion's tables.
    while (count < static_cast<int>(harmonicCount) &&
           static_cast<double>(count + 1) * base <= highestHarmonicHz)
        ++count;
    return count;
}

bool ToneTables::isFilled(std::size_t index) {
    TableRole role = roleOf(index);
    return role.harmonic <= previewHarmonicCount(role.pitch);
}

double ToneTables::expectedSample(std::size_t index, std::size_t j) {
    if (!isFilled(index))
        return 0.0;
    return std::cos(static_cast<double>(j) * phaseStep(roleOf(index)));
}

void ToneTables::fillShare(unsigned share, unsigned shareCount) {
    for (std::size_t index = share; index < toneTableCount; index += shareCount) {
        if (!isFilled(index))
            continue;
        double step = phaseStep(roleOf(index));
        double* out = samples_.data() + index * toneLength;
        for (std::size_t j = 0; j < toneLength; ++j)
            out[j] = std::cos(static_cast<double>(j) * step);
    }
}

Result<std::unique_ptr<ToneTables>> ToneTables::create(unsigned threadCount) {
    std::unique_ptr<ToneTables> tables;
    try {
        // Zero-filled: the tables that are never filled stay zero without being touched.
        tables.reset(new ToneTables());
    } catch (const std::bad_alloc&) {
        return Result<std::unique_ptr<ToneTables>>::failure(
            "There is not enough memory for the preview tone tables (1,058,400,000 bytes).");
    }

    unsigned shareCount = threadCount != 0 ? threadCount : std::thread::hardware_concurrency();
    if (shareCount == 0)
        shareCount = 1;
    std::vector<std::thread> workers;
    workers.reserve(shareCount);
    for (unsigned share = 0; share < shareCount; ++share) {
        try {
            workers.emplace_back(
                [&tables, share, shareCount] { tables->fillShare(share, shareCount); });
        } catch (const std::system_error&) {
            // A worker that cannot be started leaves its share to this thread.
            tables->fillShare(share, shareCount);
        }
    }
    for (std::thread& worker : workers)
        worker.join();
    return Result<std::unique_ptr<ToneTables>>::success(std::move(tables));
}

} // namespace vorel::wave
