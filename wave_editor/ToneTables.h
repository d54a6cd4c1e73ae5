#pragma once

#include "common/Result.h"
#include "common/SoundConstants.h"
#include "common/WaveData.h"
#include "common/ZeroedBuffer.h"

#include <array>
#include <cstddef>
#include <memory>
#include <span>

namespace vorel::wave {

// The three pitches the wave is previewed at. Each base frequency is doubled by a companion
// 1 Hz per 110 Hz higher, which makes the preview beat slowly.
inline constexpr int previewPitchCount = 3;
inline constexpr std::array<double, previewPitchCount> previewBaseHz{110.0, 440.0, 880.0};
inline constexpr std::array<double, previewPitchCount> previewCompanionHz{111.0, 444.0, 888.0};

// Every preview tone is 5 seconds long: samples.
inline constexpr std::size_t toneLength = std::size_t{5} * sampleRate;

// Tables per pitch and frequency, one for each harmonic; the companion frequencies' tables of all
// pitches come first, then the base frequencies'.
inline constexpr std::size_t tablesPerFrequency = harmonicCount;
inline constexpr std::size_t baseTablesFrom = previewPitchCount * tablesPerFrequency;

// Two tables (companion, base) for each of the 100 harmonics of each pitch: 600.
inline constexpr std::size_t toneTableCount = 2 * baseTablesFrom;

// The harmonics h = 1.. that sound in the preview of `pitch`: those with h * base <= 20000 Hz
// (100, 45 and 22).
int previewHarmonicCount(int pitch);

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

} // namespace vorel::wave
