#pragma once

#include "common/Result.h"
#include "common/SoundConstants.h"
#include "common/WaveData.h"
#include "common/ZeroedBuffer.h"
#include "wave_editor/Preview.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace vorel::wave {

// Tables per pitch and frequency, one for each harmonic; the companion frequencies' tables of all
// pitches come first, then the base frequencies'.
inline constexpr std::size_t tablesPerFrequency = harmonicCount;
inline constexpr std::size_t baseTablesFrom = previewPitchCount * tablesPerFrequency;

// Two tables (companion, base) for each of the 100 harmonics of each pitch: 600.
inline constexpr std::size_t toneTableCount = 2 * baseTablesFrom;

// Index of the table that holds harmonic h (1-based) of the pitch's companion or base frequency.
constexpr std::size_t companionTableIndex(int pitch, int harmonic) {
    return static_cast<std::size_t>(pitch) * tablesPerFrequency +
           static_cast<std::size_t>(harmonic - 1);
}
constexpr std::size_t baseTableIndex(int pitch, int harmonic) {
    return baseTablesFrom + companionTableIndex(pitch, harmonic);
}

// Cosine tables of every preview harmonic, so a preview is computed with multiply-adds only.
// 600 tables x 220500 doubles: 1,058,400,000 bytes, allocated once and filled at construction.
// Tables of harmonics above the frequency limit stay all 0.0.
class ToneTables {
  public:
    // Allocates and fills the tables with `threadCount` worker threads (0: one per processor),
    // each taking every n-th table; all are joined before this returns. Fails, with a sentence
    // saying so, when the memory cannot be had.
    static Result<std::unique_ptr<ToneTables>> create(unsigned threadCount = 0);

    // Cosine samples of table `index` (0 .. toneTableCount - 1), toneLength of them.
    std::span<const double> table(std::size_t index) const {
        return std::span<const double>(samples_).subspan(index * toneLength, toneLength);
    }

    // The value of table `index` at sample j, computed directly: what the table must hold.
    static double expectedSample(std::size_t index, std::size_t j);

    // Whether table `index` is filled (its harmonic lies within the frequency limit).
    static bool isFilled(std::size_t index);

  private:
    ToneTables() : samples_(toneTableCount * toneLength) {}
    void fillShare(unsigned share, unsigned shareCount);

    ZeroedBuffer<double> samples_; // the tables one after another, table k from toneLength * k
};

// The three preview tones computed from the tone tables: sums before scaling, their peaks, and
// the playable 16-bit samples. All zero until the first computation.
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

// "Compute" from the tone tables: each sample is the sum over the sounding harmonics h of
// ((companion + base table) * coefficient); the peak is the largest magnitude the running sum
// reaches while the harmonics are added; the samples are scaled to 15000 / peak and truncated.
// With a pool, ranges of samples are computed on its threads; the result is the same to the bit.
void computePreviews(const WaveData& wave, const ToneTables& tables, PreviewBuffers& previews,
                     WorkerPool* pool = nullptr);

} // namespace vorel::wave
