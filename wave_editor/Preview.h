#pragma once

#include "common/Evaluation.h"
#include "common/SoundConstants.h"
#include "common/WaveData.h"
#include "common/WorkerPool.h"
#include "common/ZeroedBuffer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vorel::wave {

// The three pitches the wave is previewed at. Each base frequency is doubled by a companion
// 1 Hz per 110 Hz higher, which makes the preview beat slowly.
inline constexpr int previewPitchCount = 3;
inline constexpr std::array<double, previewPitchCount> previewBaseHz{110.0, 440.0, 880.0};
inline constexpr std::array<double, previewPitchCount> previewCompanionHz{111.0, 444.0, 888.0};

// Every preview tone is 5 seconds long: samples.
inline constexpr std::size_t toneLength = std::size_t{5} * sampleRate;

// The previews are scaled so that the running sum's peak reaches this sample value.
inline constexpr double previewPeakLevel = 15000.0;

// The preview buttons play the first 3 seconds of a 5-second tone: samples.
inline constexpr std::size_t previewPlayLength = std::size_t{3} * sampleRate;

// The harmonics h = 1.. that sound in the preview of `pitch`: those with h * base <= 20000 Hz
// (100, 45 and 22).
int previewHarmonicCount(int pitch);

// The phase step per sample of harmonic h of frequency f Hz: h * ((f * 2 pi) / 44100).
double harmonicStep(double frequency, int harmonic);

// The wave editor's three preview tones and their computation ("Compute"). Sample j of the tone
// of a pitch is the running sum over its sounding harmonics h of
//   s <- ((cos(j * step(companion, h)) + cos(j * step(base, h))) * wave[h-1]) + s,
// the peak is the largest magnitude the running sum reaches while the harmonics are added, and
// the samples are scaled to 15000 / peak and truncated (all 0 when the peak is 0).
//
// The reference evaluates exactly that, one scalar cosine after another on one thread. The fast
// evaluation computes the cosines 8 (AVX-512) or 4 (AVX2) samples at a time with the vector
// cosine, on every processor, and evaluates the samples near its peak again as the reference
// does: its peak is the reference's to the bit, and its samples are the reference's.
class Previews {
  public:
    // threads: 0 = one per processor.
    explicit Previews(unsigned threads = 0, Evaluation evaluation = Evaluation::fast);

    void setEvaluation(Evaluation evaluation) { evaluation_ = evaluation; }
    Evaluation evaluation() const { return evaluation_; }
    // The vector unit of the fast evaluation: the widest this machine has unless chosen here
    // (VectorUnit::none: scalar cosines, the reference's doubles).
    void setVectorUnit(VectorUnit unit) { vectorUnit_ = unit; }
    VectorUnit vectorUnit() const { return vectorUnit_; }
    unsigned threadCount() const { return pool_.threadCount(); }

    // "Compute": the three previews of `wave`. Returns false when `progress` cancels, leaving the
    // previous previews as they were.
    bool compute(const WaveData& wave, const Progress& progress = {});

    // The peak of the running sum of `pitch` (0: 110 Hz, 1: 440 Hz, 2: 880 Hz).
    double peak(int pitch) const { return peaks_[static_cast<std::size_t>(pitch)]; }
    // All toneLength samples of the tone of `pitch`; all zero until the first computation.
    std::span<const std::int16_t> pcm(int pitch) const {
        return {pcm_.data() + static_cast<std::size_t>(pitch) * toneLength, toneLength};
    }
    // What a preview button plays: the first previewPlayLength samples.
    std::span<const std::int16_t> playable(int pitch) const {
        return pcm(pitch).first(previewPlayLength);
    }

  private:
    // The sums and the running peak of every sample of the three tones into the work buffers.
    bool referenceSums(const WaveData& wave, const Progress& progress);
    bool fastSums(const WaveData& wave, const Progress& progress);
    // After fastSums: the peak of `pitch` made exact, and the samples near it.
    double exactPeak(const WaveData& wave, int pitch);
    std::span<double> sums(int pitch) {
        return {sums_.data() + static_cast<std::size_t>(pitch) * toneLength, toneLength};
    }

    WorkerPool pool_;
    Evaluation evaluation_;
    VectorUnit vectorUnit_;
    // Work buffers, previewPitchCount x toneLength each: the running sums after the last
    // harmonic, and (fast evaluation) the largest magnitude each sample's running sum reached.
    ZeroedBuffer<double> sums_;
    ZeroedBuffer<double> runningPeaks_;
    // The largest running peak of each chunk of each tone (fast evaluation), the samples near
    // the peak and their reference values.
    std::vector<double> chunkPeaks_;
    std::vector<std::size_t> nearPeak_;
    std::array<double, previewPitchCount> workPeaks_{};
    // The previews of the last computation that was not cancelled.
    std::array<double, previewPitchCount> peaks_{};
    ZeroedBuffer<std::int16_t> pcm_; // previewPitchCount x toneLength samples
};

} // namespace vorel::wave
