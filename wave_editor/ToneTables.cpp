#include "wave_editor/ToneTables.h"

#include <cmath>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace vorel::wave {
namespace {

constexpr double twoPi = 6.283185308; // the constant of every sound computation
constexpr double samplesPerSecond = 44100.0;

struct TableRole {
    int pitch;
    int harmonic;   // 1..100
    bool companion; // the companion frequency's table, else the base frequency's
};

TableRole roleOf(std::size_t index) {
    bool companion = index < 300;
    std::size_t within = companion ? index : index - 300;
    return {static_cast<int>(within / 100), static_cast<int>(within % 100) + 1, companion};
}

// The phase step per sample of one table, in the order cos(j * (h * ((f * 2pi) / 44100))).
double phaseStep(const TableRole& role) {
    double frequency = role.companion ? previewCompanionHz[static_cast<std::size_t>(role.pitch)]
                                      : previewBaseHz[static_cast<std::size_t>(role.pitch)];
    return static_cast<double>(role.harmonic) * ((frequency * twoPi) / samplesPerSecond);
}

} // namespace

int previewHarmonicCount(int pitch) {
    double base = previewBaseHz[static_cast<std::size_t>(pitch)];
    int count = 0;
    // The limit is tested with the base frequency, also for the companion's tables.
    while (count < 100 && static_cast<double>(count + 1) * base <= previewHarmonicLimitHz)
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
        double* out = samples_.get() + index * toneLength;
        for (std::size_t j = 0; j < toneLength; ++j)
            out[j] = std::cos(static_cast<double>(j) * step);
    }
}

Result<std::unique_ptr<ToneTables>> ToneTables::create(unsigned threadCount) {
    // calloc: the tables that are never filled stay zero without being touched.
    auto* raw = static_cast<double*>(std::calloc(toneTableCount * toneLength, sizeof(double)));
    if (raw == nullptr)
        return Result<std::unique_ptr<ToneTables>>::failure(
            "There is not enough memory for the preview tone tables (1,058,400,000 bytes).");
    std::unique_ptr<ToneTables> tables(new (std::nothrow)
                                           ToneTables(std::unique_ptr<double[], FreeDeleter>(raw)));
    if (!tables) {
        std::free(raw);
        return Result<std::unique_ptr<ToneTables>>::failure(
            "There is not enough memory for the preview tone tables.");
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
