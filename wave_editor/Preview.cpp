#include "wave_editor/Preview.h"

#include "common/Conversion.h"
#include "common/WorkerPool.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace vorel::wave {
namespace {

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
