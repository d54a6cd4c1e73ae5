#include "wave_editor/ToneTables.h"

#include "common/Conversion.h"
#include "common/WorkerPool.h"

#include <algorithm>
#include <cmath>
#include <mutex>
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

// Samples summed together harmonic by harmonic, so the tables are read in runs.
constexpr std::size_t blockLength = 2048;

// Sums samples [begin, end) of one pitch and returns the peak of the running sums there.
double sumRange(const WaveData& wave, const ToneTables& tables, int pitch, double* sums,
                std::size_t begin, std::size_t end) {
    int harmonics = previewHarmonicCount(pitch);
    double peak = 0.0;
    for (std::size_t blockStart = begin; blockStart < end; blockStart += blockLength) {
        std::size_t blockEnd = std::min(end, blockStart + blockLength);
        std::fill(sums + blockStart, sums + blockEnd, 0.0);
        for (int h = 1; h <= harmonics; ++h) {
            const double* companion = tables.table(companionTableIndex(pitch, h)).data();
            const double* base = tables.table(baseTableIndex(pitch, h)).data();
            double coefficient = wave[static_cast<std::size_t>(h - 1)];
            for (std::size_t j = blockStart; j < blockEnd; ++j) {
                double s = ((companion[j] + base[j]) * coefficient) + sums[j];
                sums[j] = s;
                if (std::fabs(s) > peak)
                    peak = std::fabs(s);
            }
        }
    }
    return peak;
}

} // namespace

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

PreviewBuffers::PreviewBuffers()
    : sums_(previewPitchCount * toneLength), pcm_(previewPitchCount * toneLength) {}

void computePreviews(const WaveData& wave, const ToneTables& tables, PreviewBuffers& previews,
                     WorkerPool* pool) {
    for (int pitch = 0; pitch < previewPitchCount; ++pitch) {
        double* sums = previews.sums_.data() + static_cast<std::size_t>(pitch) * toneLength;
        double peak = 0.0;
        if (pool == nullptr) {
            peak = sumRange(wave, tables, pitch, sums, 0, toneLength);
        } else {
            // The peak is a maximum, so it does not depend on how the samples are split.
            std::mutex peakMutex;
            pool->forEachRange(toneLength, [&](std::size_t begin, std::size_t end, unsigned) {
                double rangePeak = sumRange(wave, tables, pitch, sums, begin, end);
                std::lock_guard lock(peakMutex);
                peak = std::max(peak, rangePeak);
            });
        }
        previews.peaks_[static_cast<std::size_t>(pitch)] = peak;

        std::int16_t* pcm = previews.pcm_.data() + static_cast<std::size_t>(pitch) * toneLength;
        if (peak == 0.0) {
            std::fill(pcm, pcm + toneLength, std::int16_t{0});
            continue;
        }
        double scale = previewPeakLevel / peak;
        for (std::size_t j = 0; j < toneLength; ++j)
            pcm[j] = truncateTo<std::int16_t>(sums[j] * scale);
    }
}

} // namespace vorel::wave
