#pragma once

#include "common/Evaluation.h"
#include "common/SoundConstants.h"
#include "common/WaveData.h"
#include "common/WorkerPool.h"
#include "common/ZeroedBuffer.h"
#include "synth/ControlCurves.h"
#include "synth/Oscillator.h"
#include "synth/SoundSettings.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vorel {

class SequenceData;
struct NoteCell;

// Buffer lengths in samples at sampleRate.
inline constexpr std::size_t voiceOutputLength = std::size_t{17} * sampleRate; // one sequence voice
inline constexpr std::size_t previewLength = std::size_t{20} * sampleRate;     // one preview note
inline constexpr std::size_t mixLength = std::size_t{250} * sampleRate;        // the whole sequence
inline constexpr int previewCount = 4;
inline constexpr std::array<double, previewCount> previewFrequencies{110.0, 220.0, 440.0, 880.0};

inline constexpr int previewPeak = 8000; // a preview note is normalised to this peak
inline constexpr int renderPeak = 25000; // a rendered sequence is normalised to this peak

// The sound editor's synthesizer: computes voices, the four preview notes and whole sequences
// into buffers it allocates once and owns. The fast evaluation gives the reference's samples
// within 1 step of 16 bits, and where a peak scales a sound (a preview note, a rendering) its
// peak, and the samples at it, exactly.
class Synth {
  public:
    // threads: 0 = one per processor.
    explicit Synth(unsigned threads = 0, Evaluation evaluation = Evaluation::fast);

    void setEvaluation(Evaluation evaluation) { evaluation_ = evaluation; }
    Evaluation evaluation() const { return evaluation_; }
    // The vector unit of the fast evaluation: the widest this machine has unless chosen here
    // (VectorUnit::none: the memoised scalar sums, identical doubles to the reference).
    void setVectorUnit(VectorUnit unit) { vectorUnit_ = unit; }
    VectorUnit vectorUnit() const { return vectorUnit_; }
    unsigned threadCount() const { return pool_.threadCount(); }

    // One voice at f0 Hz whose key is released after `gate` seconds: fills the control curves
    // and writes the enveloped samples into out (cut at its end). Returns the voice's length in
    // samples (before cutting).
    std::size_t computeVoice(const SoundSettings& settings, const WaveData& wave, double f0,
                             double gate, std::span<double> out);

    // The voice of key 0..72 (55 * 2^(key/12) Hz) times gain into voiceOutput(); samples after
    // the voice are 0.0.
    void sequenceVoice(const SoundSettings& settings, const WaveData& wave, int key, double gate,
                       double gain);
    std::span<const double> voiceOutput() const { return voiceOutput_; }

    // One preview note normalised to a peak of 8000 and truncated to 16 bits into `samples`
    // (previewLength of them; samples after the voice are 0).
    void previewVoice(const SoundSettings& settings, const WaveData& wave, double f0, double gate,
                      std::span<std::int16_t> samples);

    // "Compute->": the four preview notes at 110, 220, 440, 880 Hz. Returns false when cancelled,
    // leaving the previous previews as they were.
    bool computePreviews(const SoundSettings& settings, const WaveData& wave,
                         const Progress& progress = {});
    std::span<const std::int16_t> previewBuffer(int index) const;

    // "Render->": every note of the sequence mixed and normalised to a peak of 25000. Returns
    // false when cancelled, leaving the previous rendering as it was.
    bool renderSequence(const SequenceData& sequence, const SoundSettings& settings,
                        const WaveData& wave, const Progress& progress = {});
    std::span<const std::int16_t> renderBuffer() const { return renderBuffer_; }
    std::span<const double> mixBuffer() const { return mixBuffer_; }
    // The mix positions the last rendering covered: samples 0 .. renderedSpan()-1.
    std::size_t renderedSpan() const { return renderedSpan_; }

    const ControlCurves& curves() const { return curves_; }

    // The first sample of tick t at the given tempo.
    static std::size_t tickStartSample(int tick, int tempo);

  private:
    // How a voice computed as part of long work reports its progress and learns that the work is
    // cancelled: between its chunks, on the thread the work runs on, with the work's fraction
    // going from `from` at the voice's first sample to `to` at its last. Empty for a voice alone.
    struct VoiceProgress {
        // (No default member initialisers: `{}`, the empty one, is a default argument below.)
        const Progress* progress;
        double from;
        double to;
        // Whether the work goes on, with `done` of the voice (0..1) computed.
        bool goOn(double done) const;
    };

    // The voice into out[0 .. count): curves, oscillators, envelope, and the gain when one is
    // given; then added into mix[0 ..) as far as the mix reaches. Returns false when the work
    // was cancelled before the voice was whole (out and mix then hold part of it).
    bool voiceSamples(const SoundSettings& settings, const WaveData& wave, double f0, double gate,
                      std::size_t count, std::span<double> out, std::optional<double> gain,
                      std::span<double> mix, const VoiceProgress& progress = {});
    // voiceSamples' two evaluations: each step over the whole voice, or chunk by chunk on every
    // worker. With measurePeaks the fast one leaves the peak of chunk k (of the length it
    // returns) in blockPeaks_[k]. Both give nothing (false) when cancelled.
    bool referenceVoice(const CurvePlan& plan, const OscillatorInput& in, std::span<double> out,
                        std::optional<double> gain, std::span<double> mix,
                        const VoiceProgress& progress);
    std::optional<std::size_t> fastVoice(const CurvePlan& plan, const OscillatorInput& in,
                                         std::span<double> out, std::optional<double> gain,
                                         std::span<double> mix, bool measurePeaks,
                                         const VoiceProgress& progress);
    // Samples [begin, end) of a voice evaluated before its gain: the gain, the mix.
    void finishSamples(std::span<double> out, std::optional<double> gain, std::span<double> mix,
                       std::size_t begin, std::size_t end) const;
    // previewVoice into `samples`, which are known to be zero from dirtyEnd on. Returns the
    // number of samples written before the zeros, or nothing when cancelled (samples untouched).
    std::optional<std::size_t> previewSamples(const SoundSettings& settings, const WaveData& wave,
                                              double f0, double gate,
                                              std::span<std::int16_t> samples, std::size_t dirtyEnd,
                                              const VoiceProgress& progress = {});
    // The peak of previewWork_[0 .. written) after fastVoice measured it in chunks of `chunk`,
    // made exact.
    double exactPreviewPeak(const CurvePlan& plan, const OscillatorInput& in, std::size_t chunk,
                            std::size_t written);
    // sequenceVoice, also added into mix; returns the voice's length in samples, or nothing when
    // cancelled.
    std::optional<std::size_t> addSequenceVoice(const SoundSettings& settings, const WaveData& wave,
                                                int key, double gate, double gain,
                                                std::span<double> mix,
                                                const VoiceProgress& progress = {});
    // Every note of the sequence into the mix. Returns the mix positions the note windows cover,
    // or nothing when cancelled.
    std::optional<std::size_t> mixNotes(const SequenceData& sequence, const SoundSettings& settings,
                                        const WaveData& wave, const Progress& progress);
    // One note starting at mix sample `start` (which may lie past the mix). False when cancelled.
    bool mixNote(const NoteCell& cell, int key, int tempo, std::size_t start,
                 const SoundSettings& settings, const WaveData& wave,
                 const VoiceProgress& progress);
    // The mix up to `span` normalised into the render buffer.
    void writeRendering(std::size_t span, const SequenceData& sequence,
                        const SoundSettings& settings, const WaveData& wave);
    // The peak of the mix after the fast evaluation, made exact.
    double exactMixPeak(const SequenceData& sequence, const SoundSettings& settings,
                        const WaveData& wave, std::span<double> mix);
    // The reference's mix values at the indexes in nearPeak_, into nearPeakValues_.
    void referenceMixValues(const SequenceData& sequence, const SoundSettings& settings,
                            const WaveData& wave);
    // Collects into nearPeak_ the indexes of the values near their fast peak, the peak taken from
    // blockPeaks_[0 .. blockCount) (blocks of blockLength values). Returns the fast peak.
    double gatherNearPeak(std::span<const double> values, std::size_t blockLength,
                          std::size_t blockCount);
    // Writes nearPeakValues_ over the values at nearPeak_; returns their peak.
    double writeNearPeak(std::span<double> values) const;
    // Calls work(begin, end, part) on pieces of [0, count): on every worker for the fast
    // evaluation, in one piece for the reference.
    void forEachPiece(std::size_t count, RangeWork work);

    WorkerPool pool_;
    Evaluation evaluation_;
    VectorUnit vectorUnit_;
    ControlCurves curves_;
    ZeroedBuffer<double> voiceOutput_;          // voiceOutputLength
    ZeroedBuffer<double> previewWork_;          // previewLength
    ZeroedBuffer<std::int16_t> previewStaging_; // previewCount * previewLength
    ZeroedBuffer<std::int16_t> previewBuffers_; // previewCount * previewLength
    ZeroedBuffer<double> mixBuffer_;            // mixLength
    ZeroedBuffer<std::int16_t> renderBuffer_;   // mixLength
    std::size_t renderedSpan_ = 0;
    std::size_t voiceExtent_ = 0;     // voiceOutput_ is 0.0 from here on
    std::size_t mixExtent_ = 0;       // mixBuffer_ is 0.0 from here on
    std::vector<HarmonicMemo> memos_; // one per worker
    WaveBounds waveBounds_;           // of the wave of the voice being computed
    // The largest magnitude in each block of a voice (its chunks) or of the mix; the indexes of
    // the samples near the peak, in increasing order, and their reference values.
    std::vector<double> blockPeaks_;
    std::vector<std::size_t> nearPeak_;
    std::vector<double> nearPeakValues_;
    // Each preview slot of previewStaging_ and of previewBuffers_ is zero from here on.
    std::array<std::size_t, previewCount> previewStagingExtent_{};
    std::array<std::size_t, previewCount> previewExtent_{};
};

} // namespace vorel
