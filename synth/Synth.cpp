#include "synth/Synth.h"

#include "common/Conversion.h"
#include "sequencer/SequenceData.h"
#include "synth/Oscillator.h"
#include "synth/SynthConstants.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace vorel {
namespace {

constexpr int secondsPerMinute = 60; // the tempo is in beats per minute

// The largest |x[i]| (0.0 for none). Four running maxima side by side instead of one long chain
// of dependent comparisons; the largest is the largest in any order.
double largestMagnitude(const double* x, std::size_t n) {
    double m0 = 0.0, m1 = 0.0, m2 = 0.0, m3 = 0.0;
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        m0 = std::max(m0, std::abs(x[i]));
        m1 = std::max(m1, std::abs(x[i + 1]));
        m2 = std::max(m2, std::abs(x[i + 2]));
        m3 = std::max(m3, std::abs(x[i + 3]));
    }
    for (; i < n; ++i)
        m0 = std::max(m0, std::abs(x[i]));
    return std::max(std::max(m0, m1), std::max(m2, m3));
}

// The samples the fast evaluation's workers take at a time. The workers take chunks in turn: the
// cost per sample varies along a voice (the attack pitch, the degree envelope), so fixed halves
// would leave one core idle. A short voice gets shorter chunks, so that no worker is left with
// most of it.
std::size_t chunkLength(std::size_t extent, unsigned threads) {
    constexpr std::size_t vectorWidth = 8; // samples; chunks stay whole vector blocks
    return std::clamp<std::size_t>(
        (extent / (4 * threads) + vectorWidth - 1) / vectorWidth * vectorWidth, 512, 4096);
}

// A cell only a damaged grid can hold; it is no note.
bool isDamaged(const NoteCell& cell) {
    return cell.noteLength < 0 || cell.keyLengthIndex < 0 || cell.keyLengthIndex >= percentCount ||
           cell.velocityIndex < 0 || cell.velocityIndex >= percentCount;
}

} // namespace

Synth::Synth(unsigned threads, Evaluation evaluation)
    : pool_(threads), evaluation_(evaluation), vectorUnit_(bestVectorUnit()),
      voiceOutput_(voiceOutputLength), previewWork_(previewLength),
      previewStaging_(static_cast<std::size_t>(previewCount) * previewLength),
      previewBuffers_(static_cast<std::size_t>(previewCount) * previewLength),
      mixBuffer_(mixLength), renderBuffer_(mixLength) {
    memos_.resize(pool_.threadCount());
    piecePeaks_.resize(pool_.threadCount());
}

std::size_t Synth::tickStartSample(int tick, int tempo) {
    return static_cast<std::size_t>(
        truncateTo<std::int64_t>(static_cast<double>(tick * secondsPerMinute) * sampleRate /
                                 (tempo * static_cast<double>(ticksPerBeat))));
}

OscillatorInput Synth::oscillatorInput(const SoundSettings& settings, const WaveData& wave,
                                       double f0, std::span<double> out) const {
    const double pitchScale = f0 / referencePitch;
    return OscillatorInput{
        .pitchRatio = curves_.pitchRatio.data(),
        .pitchLfo = curves_.pitchLfo.data(),
        .degree = curves_.degree.data(),
        .wave = &wave,
        .f0 = f0,
        .lfoScale = pitchScale,
        .detuneHz = settings.value(Param::detune) * pitchScale,
        .oscillatorCount = static_cast<int>(settings.value(Param::oscillatorCount)),
        .out = out.data(),
    };
}

double Synth::finishSamples(std::span<double> out, std::optional<double> gain,
                            std::span<double> mix, std::size_t begin, std::size_t end) const {
    const ZeroedBuffer<double>& amp = curves_.amp;
    for (std::size_t i = begin; i < end; ++i)
        out[i] = amp[i] * out[i];
    if (gain)
        for (std::size_t i = begin; i < end; ++i)
            out[i] = out[i] * *gain;
    for (std::size_t i = begin; i < std::min(end, mix.size()); ++i)
        mix[i] += out[i];
    return largestMagnitude(out.data() + begin, end - begin);
}

// Each step over the whole voice, one after the other.
double Synth::referenceVoice(const CurvePlan& plan, const OscillatorInput& in,
                             std::span<double> out, std::optional<double> gain,
                             std::span<double> mix) {
    fillCurves(plan, curves_, 0, plan.extent, VectorUnit::none);
    oscillatorsReference(in, 0, plan.count);
    return finishSamples(out, gain, mix, 0, plan.count);
}

// All steps chunk by chunk on every worker: each sample depends only on its own curve values, so
// the doubles are those of the steps one after the other.
double Synth::fastVoice(const CurvePlan& plan, const OscillatorInput& in, std::span<double> out,
                        std::optional<double> gain, std::span<double> mix) {
    waveBounds_.compute(*in.wave);
    const std::size_t chunk = chunkLength(plan.extent, pool_.threadCount());
    std::atomic<std::size_t> next{0};
    std::fill(piecePeaks_.begin(), piecePeaks_.end(), 0.0);
    pool_.forEachRange(pool_.threadCount(), [&](std::size_t, std::size_t, unsigned part) {
        HarmonicMemo& memo = memos_[part];
        memo.valid = false;
        double partPeak = 0.0;
        for (;;) {
            const std::size_t begin = next.fetch_add(chunk, std::memory_order_relaxed);
            if (begin >= plan.extent)
                break;
            const std::size_t end = std::min(begin + chunk, plan.extent);
            fillCurves(plan, curves_, begin, end, vectorUnit_);
            const std::size_t last = std::min(end, plan.count);
            if (begin >= last)
                continue;
            oscillatorsVector(in, waveBounds_, begin, last, memo, vectorUnit_);
            partPeak = std::max(partPeak, finishSamples(out, gain, mix, begin, last));
        }
        piecePeaks_[part] = partPeak;
    });
    // The largest of the workers' peaks is the peak, however the chunks fell.
    return *std::max_element(piecePeaks_.begin(), piecePeaks_.end());
}

double Synth::voiceSamples(const SoundSettings& settings, const WaveData& wave, double f0,
                           double gate, std::size_t count, std::span<double> out,
                           std::optional<double> gain, std::span<double> mix) {
    const CurvePlan plan = planCurves(settings, gate, count);
    const OscillatorInput in = oscillatorInput(settings, wave, f0, out);
    if (evaluation_ == Evaluation::reference)
        return referenceVoice(plan, in, out, gain, mix);
    return fastVoice(plan, in, out, gain, mix);
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

std::size_t Synth::addSequenceVoice(const SoundSettings& settings, const WaveData& wave, int key,
                                    double gate, double gain, std::span<double> mix) {
    const double seconds = settings.value(Param::ampReleaseLength) + gate;
    const std::size_t length = std::min(samplesOf(seconds), voiceOutputLength);
    voiceSamples(settings, wave, keyFrequency(key), gate, length, voiceOutput_, gain, mix);
    // Only the samples the previous voice left behind need clearing: the rest is still 0.0.
    if (voiceExtent_ > length)
        std::fill(voiceOutput_.begin() + static_cast<std::ptrdiff_t>(length),
                  voiceOutput_.begin() + static_cast<std::ptrdiff_t>(voiceExtent_), 0.0);
    voiceExtent_ = length;
    return length;
}

void Synth::previewVoice(const SoundSettings& settings, const WaveData& wave, double f0,
                         double gate, std::span<std::int16_t> samples) {
    previewSamples(settings, wave, f0, gate, samples, samples.size());
}

std::size_t Synth::previewSamples(const SoundSettings& settings, const WaveData& wave, double f0,
                                  double gate, std::span<std::int16_t> samples,
                                  std::size_t dirtyEnd) {
    const std::size_t length = samplesOf(settings.value(Param::ampReleaseLength) + gate);
    // As computeVoice: a voice longer than its buffer is cut at the end of the buffer.
    const std::size_t count = std::min({length, previewWork_.size(), curveLength});
    double peak = voiceSamples(settings, wave, f0, gate, count, previewWork_, std::nullopt, {});
    const std::size_t written = std::min({length, previewLength, samples.size()});
    if (written < count)
        peak = peakOf(std::span<const double>(previewWork_).first(written));
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

bool Synth::computePreviews(const SoundSettings& settings, const WaveData& wave,
                            const Progress& progress) {
    const double gate =
        settings.value(Param::ampDecayLength) + settings.value(Param::ampAttackLength) + 2.0;
    for (int p = 0; p < previewCount; ++p) {
        if (progress && !progress(p / static_cast<double>(previewCount)))
            return false;
        const auto slot = static_cast<std::size_t>(p);
        std::span<std::int16_t> staging(previewStaging_.data() + slot * previewLength,
                                        previewLength);
        // Samples from the slot's last preview on are zero already.
        previewStagingExtent_[slot] = previewSamples(settings, wave, previewFrequencies[slot], gate,
                                                     staging, previewStagingExtent_[slot]);
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
    writeRendering(*span);
    return true;
}

std::optional<std::size_t> Synth::mixNotes(const SequenceData& sequence,
                                           const SoundSettings& settings, const WaveData& wave,
                                           const Progress& progress) {
    const std::size_t notes = sequence.noteCount();
    std::size_t done = 0;
    std::size_t span = 0;
    const int tempo = std::clamp(sequence.tempo, minTempo, maxTempo);
    for (int tick = 0; tick < tickCount; ++tick) {
        for (int key = 0; key < keyCount; ++key) {
            const NoteCell& cell = sequence.cell(tick, key);
            if (cell.noteLength == 0)
                continue;
            if (progress && !progress(notes == 0 ? 0.0 : done / static_cast<double>(notes)))
                return std::nullopt;
            ++done;
            if (isDamaged(cell))
                continue;
            const std::size_t start = tickStartSample(tick, tempo);
            mixNote(cell, key, tempo, start, settings, wave);
            if (start < mixLength)
                span = std::max(span, std::min(start + (voiceOutputLength - 1), mixLength));
        }
    }
    return span;
}

void Synth::mixNote(const NoteCell& cell, int key, int tempo, std::size_t start,
                    const SoundSettings& settings, const WaveData& wave) {
    const double gate = static_cast<double>(cell.noteLength * secondsPerMinute) *
                        percentTable[static_cast<std::size_t>(cell.keyLengthIndex)] /
                        static_cast<double>(tempo * ticksPerBeat);
    const double gain = percentTable[static_cast<std::size_t>(cell.velocityIndex)];
    // The window's samples after the voice are zeros: adding them changes nothing, so only the
    // voice itself is added (as it is computed), and only the part that fits the mix.
    std::span<double> mix;
    if (start < mixLength)
        mix = std::span<double>(mixBuffer_).subspan(start);
    const std::size_t length = addSequenceVoice(settings, wave, key, gate, gain, mix);
    if (start < mixLength)
        mixExtent_ = std::max(mixExtent_, start + std::min(length, mixLength - start));
}

void Synth::writeRendering(std::size_t span) {
    // The previous rendering wrote samples 0 .. renderedSpan_-1 only.
    std::fill_n(renderBuffer_.begin(), renderedSpan_, std::int16_t{0});
    renderedSpan_ = span;
    // Past the last voice sample the mix is 0.0, which neither raises the peak nor gives anything
    // but the 0 the render buffer holds already.
    const std::size_t voiced = std::min(span, mixExtent_);
    const double peak = peakOf(std::span<const double>(mixBuffer_).first(voiced));
    if (peak == 0.0)
        return;
    const double scale = 1 / peak;
    forEachPiece(voiced, [this, scale](std::size_t begin, std::size_t end, unsigned) {
        for (std::size_t j = begin; j < end; ++j)
            renderBuffer_[j] = truncateTo<std::int16_t>(mixBuffer_[j] * renderPeak * scale);
    });
}

double Synth::peakOf(std::span<const double> samples) {
    // The largest of the pieces' peaks is the peak, whatever the pieces.
    std::fill(piecePeaks_.begin(), piecePeaks_.end(), 0.0);
    forEachPiece(samples.size(),
                 [this, samples](std::size_t begin, std::size_t end, unsigned part) {
                     piecePeaks_[part] = largestMagnitude(samples.data() + begin, end - begin);
                 });
    return *std::max_element(piecePeaks_.begin(), piecePeaks_.end());
}

void Synth::forEachPiece(std::size_t count, RangeWork work) {
    if (evaluation_ == Evaluation::reference)
        work(0, count, 0);
    else
        pool_.forEachRange(count, work);
}

} // namespace vorel
