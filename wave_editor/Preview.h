#pragma once

#include "common/SoundConstants.h"
#include "common/WaveData.h"
#include "common/ZeroedBuffer.h"
#include "wave_editor/ToneTables.h"

#include <array>
#include <cstdint>
#include <span>

namespace vorel {
class WorkerPool;
}

namespace vorel::wave {

// The previews are scaled so that the running sum's peak reaches this sample value.
inline constexpr double previewPeakLevel = 15000.0;

// The preview buttons play the first 3 seconds of a 5-second tone: samples.
inline constexpr std::size_t previewPlayLength = std::size_t{3} * sampleRate;

// The three preview tones of the last "Compute": sums before scaling, their peaks, and the
// playable 16-bit samples. All zero until the first computation.
class PreviewBuffers {
  public:
    PreviewBuffers();

    std::span<const double> sums(int pitch) const {
        return {sums_.data() + static_cast<std::size_t>(pitch) * toneLength, toneLength};
    }
    double peak(int pitch) const { return peaks_[static_cast<std::size_t>(pitch)]; }
    // All toneLength samples of the tone of `pitch` (0: 110 Hz, 1: 440 Hz, 2: 880 Hz).
    std::span<const std::int16_t> pcm(int pitch) const {
        return {pcm_.data() + static_cast<std::size_t>(pitch) * toneLength, toneLength};
    }
    // What a preview button plays: the first previewPlayLength samples.
    std::span<const std::int16_t> playable(int pitch) const {
        return pcm(pitch).first(previewPlayLength);
    }

  private:
    friend void computePreviews(const WaveData&, const ToneTables&, PreviewBuffers&, WorkerPool*);
    ZeroedBuffer<double> sums_; // previewPitchCount x toneLength summed samples
    std::array<double, previewPitchCount> peaks_{};
    ZeroedBuffer<std::int16_t> pcm_; // previewPitchCount x toneLength samples
};

// "Compute": fills all three previews of `wave` from the tone tables. Each sample is the sum over
// the sounding harmonics h of ((companion + base table) * coefficient); the peak is the largest
// magnitude the running sum reaches while the harmonics are added; the samples are scaled to
// 15000 / peak and truncated. With a pool, ranges of samples are computed on its threads; the
// result is the same to the bit.
void computePreviews(const WaveData& wave, const ToneTables& tables, PreviewBuffers& previews,
                     WorkerPool* pool = nullptr);

} // namespace vorel::wave
