#include "synth/Synth.h"

#include "common/Conversion.h"
#include "common/NearPeak.h"
#include "sequencer/SequenceData.h"
#include "synth/Oscillator.h"
#include "synth/SynthConstants.h"
#include "synth/VoiceRange.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace vorel {
namespace {

constexpr int secondsPerMinute = 60; // the tempo is in beats per minute

// The fast evaluation's chunks are never shorter or longer than these: samples.
constexpr std::size_t shortestChunk = 512;
constexpr std::size_t longestChunk = 4096;

// The reference evaluation computes a voice this many samples at a time, asking in between
// whether the work goes on: a long voice of many harmonics takes seconds in a slow build.
constexpr std::size_t referencePiece = 4096;

// The mix's peak is measured in blocks of this many samples, so that only the blocks that reach
// near it are searched for the samples near it.
constexpr std::size_t mixBlockLength = 4096;

// The samples the fast evaluation's workers take at a time. The workers take chunks in turn: the
// cost per sample varies along a voice (the attack pitch, the degree envelope), so fixed halves
// would leave one core idle. A short voice gets shorter chunks, so that no worker is left with
// most of it.
std::size_t chunkLength(std::size_t extent, unsigned threads) {
    constexpr std::size_t vectorWidth = 8; // samples; chunks stay whole vector blocks
    // A quarter of each worker's share, rounded up to whole vector blocks.
    const std::size_t vectorBlocks = (extent / (4 * threads) + vectorWidth - 1) / vectorWidth;
    return std::clamp(vectorBlocks * vectorWidth, shortestChunk, longestChunk);
}

// A cell only a damaged grid can hold; it is no note.
bool isDamaged(const NoteCell& cell) {
    return cell.noteLength < 0 || cell.keyLengthIndex < 0 || cell.keyLengthIndex >= percentCount ||
           cell.velocityIndex < 0 || cell.velocityIndex >= percentCount;
}

int renderTempo(const SequenceData& sequence) {
    return std::clamp(sequence.tempo, minTempo, maxTempo);
}

// How long the key of a note is held, in seconds, and the gain of its voice.
struct NoteVoice {
    double gate = 0.0;
    double gain = 0.0;
};

NoteVoice noteVoice(const NoteCell& cell, int tempo) {
    return {static_cast<double>(cell.noteLength * secondsPerMinute) *
                percentTable[static_cast<std::size_t>(cell.keyLengthIndex)] /
                static_cast<double>(tempo * ticksPerBeat),
            percentTable[static_cast<std::size_t>(cell.velocityIndex)]};
}

// The samples of a sequence voice whose key is held `gate` seconds, cut to its buffer.
std::size_t sequenceVoiceLength(const SoundSettings& settings, double gate) {
    return std::min(samplesOf(settings.value(Param::ampReleaseLength) + gate), voiceOutputLength);
}

// Sample i of a voice as the reference computes it, before any gain: its curve values and its
// oscillator sum evaluated for that sample alone, then the envelope.
double referenceVoiceSample(const CurvePlan& plan, const OscillatorInput& in, std::size_t i) {
    const CurveValues curves = referenceCurvesAt(plan, i);
    return curves.amp *
           referenceOscillatorSum(in, i, curves.pitchRatio, curves.pitchLfo, curves.degree);
}

} // namespace

Synth::Synth(unsigned threads, Evaluation evaluation)
    : pool_(threads), evaluation_(evaluation), vectorUnit_(bestVectorUnit()),
      voiceOutput_(voiceOutputLength), previewWork_(previewLength),
      previewStaging_(static_cast<std::size_t>(previewCount) * previewLength),
      previewBuffers_(static_cast<std::size_t>(previewCount) * previewLength),
      mixBuffer_(mixLength), renderBuffer_(mixLength),
      blockPeaks_(std::max(mixLength / mixBlockLength, curveLength / shortestChunk) + 1) {
    memos_.resize(pool_.threadCount());
}

std::size_t Synth::tickStartSample(int tick, int tempo) {
    return static_cast<std::size_t>(
        truncateTo<std::int64_t>(static_cast<double>(tick * secondsPerMinute) * sampleRate /
                                 (tempo * static_cast<double>(ticksPerBeat))));
}

void Synth::finishSamples(std::span<double> out, std::optional<double> gain, std::span<double> mix,
                          std::size_t begin, std::size_t end) const {
    if (gain)
        for (std::size_t i = begin; i < end; ++i)
            out[i] = out[i] * *gain;
    for (std::size_t i = begin; i < std::min(end, mix.size()); ++i)
        mix[i] += out[i];
}

bool Synth::VoiceProgress::goOn(double done) const {
    return progress == nullptr || !*progress || (*progress)(from + (to - from) * done);
}

// Each step over the whole voice, one after the other, piece by piece to hear of a cancellation in
// time (each sample depends only on its own curve values, so the pieces change no double).
bool Synth::referenceVoice(const CurvePlan& plan, const OscillatorInput& in, std::span<double> out,
                           std::optional<double> gain, std::span<double> mix,
                           const VoiceProgress& progress) {
    for (std::size_t begin = 0; begin < plan.extent; begin += referencePiece) {
        if (!progress.goOn(static_cast<double>(begin) / static_cast<double>(plan.extent)))
            return false;
        evaluateVoice(plan, in, wholeCurves(curves_), out, begin,
                      std::min(begin + referencePiece, plan.extent), RangeEvaluation{});
    }
    finishSamples(out, gain, mix, 0, plan.count);
    return true;
}

// All steps chunk by chunk on every worker: each sample depends only on its own curve values, so
// the doubles are those of the steps one after the other. Piece 0 runs on the thread the work was
// started on, so it is the one that reports progress; a cancellation stops every worker before
// its next chunk.
std::optional<std::size_t> Synth::fastVoice(const CurvePlan& plan, const OscillatorInput& in,
                                            std::span<double> out, std::optional<double> gain,
                                            std::span<double> mix, bool measurePeaks,
                                            const VoiceProgress& progress) {
    // Asked here once for certain: the other workers may take every chunk of a short voice.
    if (!progress.goOn(0.0))
        return std::nullopt;
    waveBounds_.compute(*in.wave);
    const std::size_t chunk = chunkLength(plan.extent, pool_.threadCount());
    std::atomic<std::size_t> next{0};
    std::atomic<bool> cancelled{false};
    pool_.forEachRange(pool_.threadCount(), [&](std::size_t, std::size_t, unsigned part) {
        HarmonicMemo& memo = memos_[part];
        memo.valid = false;
        for (;;) {
            if (cancelled.load(std::memory_order_relaxed))
                break;
            const std::size_t begin = next.fetch_add(chunk, std::memory_order_relaxed);
            if (begin >= plan.extent)
                break;
            if (part == 0 &&
                !progress.goOn(static_cast<double>(begin) / static_cast<double>(plan.extent))) {
                cancelled.store(true, std::memory_order_relaxed);
                break;
            }
            const std::size_t end = std::min(begin + chunk, plan.extent);
            evaluateVoice(plan, in, wholeCurves(curves_), out, begin, end,
                          {Evaluation::fast, vectorUnit_, &waveBounds_, &memo});
            const std::size_t last = plan.voiceEnd(end);
            if (begin >= last)
                continue;
            finishSamples(out, gain, mix, begin, last);
            // Only a preview's peak is needed; a sequence voice's is not measured.
            if (measurePeaks)
                blockPeaks_[begin / chunk] = largestMagnitude(out.data() + begin, last - begin);
        }
    });
    if (cancelled.load())
        return std::nullopt;
    return chunk;
}

bool Synth::voiceSamples(const SoundSettings& settings, const WaveData& wave, double f0,
                         double gate, std::size_t count, std::span<double> out,
                         std::optional<double> gain, std::span<double> mix,
                         const VoiceProgress& progress) {
    const CurvePlan plan = planCurves(settings, gate, count);
    const OscillatorInput in = voiceOscillators(settings, wave, f0);
    if (evaluation_ == Evaluation::reference)
        return referenceVoice(plan, in, out, gain, mix, progress);
    return fastVoice(plan, in, out, gain, mix, false, progress).has_value();
}

std::size_t Synth::computeVoice(const SoundSettings& settings, const WaveData& wave, double f0,
                                double gate, std::span<double> out) {
    const std::size_t length = samplesOf(settings.value(Param::ampReleaseLength) + gate);
    // A voice longer than its buffer is cut at the end of the buffer.
    const std::size_t count = std::min({length, out.size(), curveLength});
    voiceSamples(settings, wave, f0, gate, count, out, std::nullopt, {});
    return length;
}

void Synth::sequenceVoice(const SoundSettings& settings, const WaveData& wave, int key, double gate,
                          double gain) {
    addSequenceVoice(settings, wave, key, gate, gain, {});
}

std::optional<std::size_t> Synth::addSequenceVoice(const SoundSettings& settings,
                                                   const WaveData& wave, int key, double gate,
                                                   double gain, std::span<double> mix,
                                                   const VoiceProgress& progress) {
    const std::size_t length = sequenceVoiceLength(settings, gate);
    const bool whole = voiceSamples(settings, wave, keyFrequency(key), gate, length, voiceOutput_,
                                    gain, mix, progress);
    // Only the samples the previous voice left behind need clearing: the rest is still 0.0. (A
    // cancelled voice wrote inside its length only.)
    if (voiceExtent_ > length)
        std::fill(voiceOutput_.begin() + static_cast<std::ptrdiff_t>(length),
                  voiceOutput_.begin() + static_cast<std::ptrdiff_t>(voiceExtent_), 0.0);
    voiceExtent_ = length;
    if (!whole)
        return std::nullopt;
    return length;
}

void Synth::previewVoice(const SoundSettings& settings, const WaveData& wave, double f0,
                         double gate, std::span<std::int16_t> samples) {
    previewSamples(settings, wave, f0, gate, samples, samples.size());
}

std::optional<std::size_t> Synth::previewSamples(const SoundSettings& settings,
                                                 const WaveData& wave, double f0, double gate,
                                                 std::span<std::int16_t> samples,
                                                 std::size_t dirtyEnd,
                                                 const VoiceProgress& progress) {
    const std::size_t length = samplesOf(settings.value(Param::ampReleaseLength) + gate);
    // As computeVoice: a voice longer than its buffer is cut at the end of the buffer.
    const std::size_t count = std::min({length, previewWork_.size(), curveLength});
    const std::size_t written = std::min({count, previewLength, samples.size()});
    const CurvePlan plan = planCurves(settings, gate, count);
    const OscillatorInput in = voiceOscillators(settings, wave, f0);
    double peak = 0.0;
    if (evaluation_ == Evaluation::reference) {
        if (!referenceVoice(plan, in, previewWork_, std::nullopt, {}, progress))
            return std::nullopt;
        peak = largestMagnitude(previewWork_.data(), written);
    } else {
        const std::optional<std::size_t> chunk =
            fastVoice(plan, in, previewWork_, std::nullopt, {}, true, progress);
        if (!chunk)
            return std::nullopt;
        peak = exactPreviewPeak(plan, in, *chunk, written);
    }
    forEachPiece(written, [this, peak, samples](std::size_t begin, std::size_t end, unsigned) {
        if (peak != 0.0)
            for (std::size_t i = begin; i < end; ++i)
                previewWork_[i] = previewWork_[i] / peak;
        for (std::size_t i = begin; i < end; ++i)
            samples[i] = truncateTo<std::int16_t>(previewWork_[i] * previewPeak);
    });
    if (dirtyEnd > written)
        std::fill(samples.begin() + static_cast<std::ptrdiff_t>(written),
                  samples.begin() + static_cast<std::ptrdiff_t>(dirtyEnd), std::int16_t{0});
    return written;
}

// Why the reference's peak sample is among the samples near the fast peak (see
// common/NearPeak.h): a voice sample differs from its reference value only through the vector
// sine and cosine of the vibrato and the tremolo and the vector exponential of a changing degree,
// each within 4 units in the last place of its own result (the harmonic ceilings and thresholds
// are decided exactly). The vibrato's error moves the oscillators' phases, by at most about 5e-12
// radians after 20 s at the highest harmonic, so each term lies within about 5e-12 of its own
// magnitude of its reference value, and the sample, with its roundings, within about 5e-12 of the
// sum of its terms' magnitudes. At a sample as loud as the peak the terms hardly cancel: the
// loudest samples of a sum of at most 400 sines reach about its root mean square at least, which
// is at least the sum of the sines' amplitudes over sqrt(800), about 1/28 of it. So the fast and
// the reference values of the samples at the peak lie within about 3e-10 of the peak of each
// other, well inside the band.
double Synth::exactPreviewPeak(const CurvePlan& plan, const OscillatorInput& in, std::size_t chunk,
                               std::size_t written) {
    const std::size_t blocks = (written + chunk - 1) / chunk;
    // A chunk the written samples end inside was measured over more samples than are written.
    if (written % chunk != 0) {
        const std::size_t begin = (blocks - 1) * chunk;
        blockPeaks_[blocks - 1] = largestMagnitude(previewWork_.data() + begin, written - begin);
    }
    const std::span<double> work = std::span<double>(previewWork_).first(written);
    if (gatherNearPeak(work, chunk, blocks) == 0.0)
        return 0.0;
    nearPeakValues_.resize(nearPeak_.size());
    for (std::size_t k = 0; k < nearPeak_.size(); ++k)
        nearPeakValues_[k] = referenceVoiceSample(plan, in, nearPeak_[k]);
    return writeNearPeak(work);
}

bool Synth::computePreviews(const SoundSettings& settings, const WaveData& wave,
                            const Progress& progress) {
    const double gate =
        settings.value(Param::ampDecayLength) + settings.value(Param::ampAttackLength) + 2.0;
    for (int p = 0; p < previewCount; ++p) {
        const VoiceProgress voiceProgress{&progress, p / static_cast<double>(previewCount),
                                          (p + 1) / static_cast<double>(previewCount)};
        const auto slot = static_cast<std::size_t>(p);
        std::span<std::int16_t> staging(previewStaging_.data() + slot * previewLength,
                                        previewLength);
        // Samples from the slot's last preview on are zero already.
        const std::optional<std::size_t> written =
            previewSamples(settings, wave, previewFrequencies[slot], gate, staging,
                           previewStagingExtent_[slot], voiceProgress);
        if (!written)
            return false;
        previewStagingExtent_[slot] = *written;
    }
    if (progress && !progress(1.0))
        return false;
    for (std::size_t slot = 0; slot < static_cast<std::size_t>(previewCount); ++slot) {
        // Both the new preview and the one it replaces are zero after their extents.
        const std::size_t extent = std::max(previewStagingExtent_[slot], previewExtent_[slot]);
        const auto first = static_cast<std::ptrdiff_t>(slot * previewLength);
        std::copy_n(previewStaging_.begin() + first, extent, previewBuffers_.begin() + first);
        previewExtent_[slot] = previewStagingExtent_[slot];
    }
    return true;
}

std::span<const std::int16_t> Synth::previewBuffer(int index) const {
    return std::span<const std::int16_t>(previewBuffers_)
        .subspan(static_cast<std::size_t>(index) * previewLength, previewLength);
}

bool Synth::renderSequence(const SequenceData& sequence, const SoundSettings& settings,
                           const WaveData& wave, const Progress& progress) {
    // Only what the last rendering added is cleared; the rest of the mix is still 0.0.
    std::fill_n(mixBuffer_.begin(), mixExtent_, 0.0);
    mixExtent_ = 0;
    const std::optional<std::size_t> span = mixNotes(sequence, settings, wave, progress);
    if (!span || (progress && !progress(1.0)))
        return false;
    writeRendering(*span, sequence, settings, wave);
    return true;
}

std::optional<std::size_t> Synth::mixNotes(const SequenceData& sequence,
                                           const SoundSettings& settings, const WaveData& wave,
                                           const Progress& progress) {
    const std::size_t notes = sequence.noteCount();
    std::size_t done = 0;
    std::size_t span = 0;
    const int tempo = renderTempo(sequence);
    for (int tick = 0; tick < tickCount; ++tick) {
        for (int key = 0; key < keyCount; ++key) {
            const NoteCell& cell = sequence.cell(tick, key);
            if (cell.noteLength == 0)
                continue;
            const auto fraction = [notes](std::size_t count) {
                return notes == 0 ? 0.0 : std::min(1.0, count / static_cast<double>(notes));
            };
            const VoiceProgress voiceProgress{&progress, fraction(done), fraction(done + 1)};
            if (!voiceProgress.goOn(0.0))
                return std::nullopt;
            ++done;
            if (isDamaged(cell))
                continue;
            const std::size_t start = tickStartSample(tick, tempo);
            if (!mixNote(cell, key, tempo, start, settings, wave, voiceProgress))
                return std::nullopt;
            if (start < mixLength)
                span = std::max(span, std::min(start + (voiceOutputLength - 1), mixLength));
        }
    }
    return span;
}

bool Synth::mixNote(const NoteCell& cell, int key, int tempo, std::size_t start,
                    const SoundSettings& settings, const WaveData& wave,
                    const VoiceProgress& progress) {
    const NoteVoice note = noteVoice(cell, tempo);
    // The window's samples after the voice are zeros: adding them changes nothing, so only the
    // voice itself is added (as it is computed), and only the part that fits the mix.
    std::span<double> mix;
    if (start < mixLength)
        mix = std::span<double>(mixBuffer_).subspan(start);
    const std::optional<std::size_t> length =
        addSequenceVoice(settings, wave, key, note.gate, note.gain, mix, progress);
    // A cancelled voice may have added part of itself, within its length.
    const std::size_t added = length.value_or(sequenceVoiceLength(settings, note.gate));
    if (start < mixLength)
        mixExtent_ = std::max(mixExtent_, start + std::min(added, mixLength - start));
    return length.has_value();
}

void Synth::writeRendering(std::size_t span, const SequenceData& sequence,
                           const SoundSettings& settings, const WaveData& wave) {
    // The previous rendering wrote samples 0 .. renderedSpan_-1 only.
    std::fill_n(renderBuffer_.begin(), renderedSpan_, std::int16_t{0});
    renderedSpan_ = span;
    // Past the last voice sample the mix is 0.0, which neither raises the peak nor gives anything
    // but the 0 the render buffer holds already.
    const std::span<double> mix = std::span<double>(mixBuffer_).first(std::min(span, mixExtent_));
    const double peak = evaluation_ == Evaluation::reference
                            ? largestMagnitude(mix.data(), mix.size())
                            : exactMixPeak(sequence, settings, wave, mix);
    if (peak == 0.0)
        return;
    const double scale = 1 / peak;
    forEachPiece(mix.size(), [this, scale](std::size_t begin, std::size_t end, unsigned) {
        for (std::size_t j = begin; j < end; ++j)
            renderBuffer_[j] = truncateTo<std::int16_t>(mixBuffer_[j] * renderPeak * scale);
    });
}

// A mix sample adds the samples of the voices whose windows cover it, so it lies as close to its
// reference value, relative to the sum of its terms' magnitudes, as a voice sample does (see
// exactPreviewPeak); and at the loudest samples of the mix the notes' terms cancel no more than
// the terms of one voice do at its loudest.
double Synth::exactMixPeak(const SequenceData& sequence, const SoundSettings& settings,
                           const WaveData& wave, std::span<double> mix) {
    const std::size_t blocks = (mix.size() + mixBlockLength - 1) / mixBlockLength;
    pool_.forEachRange(blocks, [this, mix](std::size_t first, std::size_t last, unsigned) {
        for (std::size_t block = first; block < last; ++block) {
            const std::size_t begin = block * mixBlockLength;
            blockPeaks_[block] =
                largestMagnitude(mix.data() + begin, std::min(mixBlockLength, mix.size() - begin));
        }
    });
    if (gatherNearPeak(mix, mixBlockLength, blocks) == 0.0)
        return 0.0;
    referenceMixValues(sequence, settings, wave);
    return writeNearPeak(mix);
}

// Each sample near the peak gets the reference's sum: every note whose window covers it, in the
// order the grid adds them, each voice sample evaluated alone, times the note's gain.
void Synth::referenceMixValues(const SequenceData& sequence, const SoundSettings& settings,
                               const WaveData& wave) {
    nearPeakValues_.assign(nearPeak_.size(), 0.0);
    const int tempo = renderTempo(sequence);
    const std::size_t first = nearPeak_.front();
    const std::size_t last = nearPeak_.back();
    for (int tick = 0; tick < tickCount; ++tick) {
        const std::size_t start = tickStartSample(tick, tempo);
        if (start > last)
            break; // the ticks start later and later
        if (start + voiceOutputLength <= first)
            continue; // no window of this tick reaches the first sample
        for (int key = 0; key < keyCount; ++key) {
            const NoteCell& cell = sequence.cell(tick, key);
            if (cell.noteLength == 0 || isDamaged(cell))
                continue;
            const NoteVoice note = noteVoice(cell, tempo);
            const std::size_t length = sequenceVoiceLength(settings, note.gate);
            const auto from = std::lower_bound(nearPeak_.begin(), nearPeak_.end(), start);
            const auto to = std::lower_bound(from, nearPeak_.end(), start + length);
            if (from == to)
                continue;
            const CurvePlan plan = planCurves(settings, note.gate, length);
            const OscillatorInput in = voiceOscillators(settings, wave, keyFrequency(key));
            for (auto near = from; near != to; ++near)
                nearPeakValues_[static_cast<std::size_t>(near - nearPeak_.begin())] +=
                    referenceVoiceSample(plan, in, *near - start) * note.gain;
        }
    }
}

double Synth::gatherNearPeak(std::span<const double> values, std::size_t blockLength,
                             std::size_t blockCount) {
    const std::span<const double> peaks(blockPeaks_.data(), blockCount);
    const double fastPeak = blockCount == 0 ? 0.0 : *std::max_element(peaks.begin(), peaks.end());
    nearPeak_.clear();
    // Fast values that are all zero mean that no term sounds anywhere, and then the reference's
    // are zero too.
    if (fastPeak != 0.0)
        collectNearPeak(values, peaks, blockLength, nearPeakFloor(fastPeak), nearPeak_);
    return fastPeak;
}

double Synth::writeNearPeak(std::span<double> values) const {
    double peak = 0.0;
    for (std::size_t k = 0; k < nearPeak_.size(); ++k) {
        values[nearPeak_[k]] = nearPeakValues_[k];
        peak = std::max(peak, std::abs(nearPeakValues_[k]));
    }
    return peak;
}

void Synth::forEachPiece(std::size_t count, RangeWork work) {
    if (evaluation_ == Evaluation::reference)
        work(0, count, 0);
    else
        pool_.forEachRange(count, work);
}

} // namespace vorel
