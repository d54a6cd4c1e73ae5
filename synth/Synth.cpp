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

// A time in seconds as a whole number of samples, truncated toward zero.
std::size_t samplesOf(double seconds) {
    return static_cast<std::size_t>(std::max<std::int64_t>(0, truncateTo<std::int64_t>(seconds * rate)));
}

} // namespace

Synth::Synth(unsigned threads, Evaluation evaluation)
    : pool_(threads), evaluation_(evaluation), vectorUnit_(bestVectorUnit()),
      voiceOutput_(voiceOutputLength),
      previewWork_(previewLength),
      previewStaging_(static_cast<std::size_t>(previewCount) * previewLength),
      previewBuffers_(static_cast<std::size_t>(previewCount) * previewLength),
      mixBuffer_(mixLength), renderBuffer_(mixLength) {
    for (auto* curve : {&curves_.pitchRatio, &curves_.pitchLfo, &curves_.degree, &curves_.lpfLfo,
                        &curves_.amp, &curves_.releaseGate})
        curve->assign(curveLength, 0.0);
    memos_.resize(pool_.threadCount());
}

std::size_t Synth::tickStartSample(int tick, int tempo) {
    return static_cast<std::size_t>(
        truncateTo<std::int64_t>(static_cast<double>(tick * 60) * rate / (tempo * 24.0)));
}

// Fills the control curves over the first `count` samples of a voice whose key is released after
// `gate` seconds (the sustain and release of the degree reach further, to the end of the curve).
void Synth::fillCurves(const SoundSettings& settings, double gate, std::size_t count) {
    auto value = [&](Param p) { return settings.value(p); };
    const double S = gate * rate; // the key's release, in samples

    // Attack pitch: the exponent falls linearly by 40 % over the attack, then the note steps to
    // its own pitch.
    {
        std::vector<double>& ratio = curves_.pitchRatio;
        const double L = value(Param::attackPitchLength) * rate;
        const std::size_t nL = std::min(samplesOf(value(Param::attackPitchLength)), curveLength);
        const double semitones = value(Param::attackPitch);
        if (semitones == 0.0) {
            std::fill_n(ratio.begin(), std::max(nL, count), 1.0);
        } else {
            const double t = semitones / 12;
            for (std::size_t i = 0; i < nL; ++i)
                ratio[i] = std::pow(2.0, (L - static_cast<double>(i) / 2.5) * t / L);
            for (std::size_t i = nL; i < count; ++i)
                ratio[i] = 1.0;
        }
    }

    // Vibrato, from its delay on.
    {
        std::vector<double>& lfo = curves_.pitchLfo;
        const std::size_t w = samplesOf(value(Param::pitchLfoDelay));
        const double amplitude = value(Param::pitchLfoAmplitude);
        const double frequency = value(Param::pitchLfoFrequency);
        for (std::size_t i = 0; i < std::min(w, count); ++i)
            lfo[i] = 0.0;
        for (std::size_t i = w; i < count; ++i)
            lfo[i] = amplitude * pitchLfoFactor *
                     std::sin(frequency * twoPi * static_cast<double>(i - w) / rate);
    }

    // Degree envelope: attack, decay, sustain to the end of the curve, then the release ramp to
    // degree 2.0 unless the release length is "inf".
    {
        std::vector<double>& deg = curves_.degree;
        const double attackDegree = value(Param::lpfAttackDegree);
        const double decayDegree = value(Param::lpfDecayDegree);
        const double sustainDegree = value(Param::lpfSustainDegree);
        const std::size_t a = std::min(samplesOf(value(Param::lpfAttackLength)), curveLength);
        const std::size_t b = samplesOf(value(Param::lpfDecayLength));
        const std::size_t decayEnd = std::min(a + b, curveLength);
        for (std::size_t i = 0; i < a; ++i)
            deg[i] = static_cast<double>(i) * (decayDegree - attackDegree) / static_cast<double>(a) +
                     attackDegree;
        for (std::size_t i = a; i < decayEnd; ++i)
            deg[i] = static_cast<double>(i - a) * (sustainDegree - decayDegree) /
                         static_cast<double>(b) +
                     decayDegree;
        // The sustain degree holds to the end of the curve. Only the samples of this voice and
        // the end of the release window are ever read, so the rest is left as it is.
        const double releaseLength = value(Param::lpfReleaseLength);
        const bool hasRelease = releaseLength < noLpfReleaseFrom;
        const double E = releaseLength * rate;
        const std::size_t j1 =
            static_cast<std::size_t>(std::max<std::int64_t>(0, truncateTo<std::int64_t>(S + E)));
        const std::size_t sustainEnd =
            hasRelease ? std::max(count, std::min(j1 + 1, curveLength)) : count;
        for (std::size_t i = decayEnd; i < sustainEnd; ++i)
            deg[i] = sustainDegree;

        if (hasRelease) {
            // The release starts from the envelope's value at the end of its window (read inside
            // the curve even when the window reaches past it).
            const double D0 = deg[std::min(j1, curveLength - 1)];
            for (std::size_t j = samplesOf(gate); static_cast<double>(j) < S + E && j < curveLength;
                 ++j)
                deg[j] = (static_cast<double>(j) - S) * (releaseDegree - D0) / E + D0;
            for (std::size_t j = j1; j < count; ++j)
                deg[j] = releaseDegree;
        }
    }

    // The filter LFO swings the degree, clamped to 0..2.
    {
        const double amplitude = value(Param::lpfLfoAmplitude);
        if (amplitude != 0.0) {
            std::vector<double>& lfo = curves_.lpfLfo;
            std::vector<double>& deg = curves_.degree;
            const double Q = value(Param::lpfLfoDelay) * rate;
            const std::size_t q = samplesOf(value(Param::lpfLfoDelay));
            const double frequency = value(Param::lpfLfoFrequency);
            for (std::size_t i = 0; i < std::min(q, count); ++i)
                lfo[i] = 0.0;
            for (std::size_t i = q; i < count; ++i)
                lfo[i] = std::sin(frequency * twoPi * (static_cast<double>(i) - Q) / rate) *
                         amplitude;
            for (std::size_t i = 0; i < count; ++i)
                deg[i] = std::clamp(lfo[i] + deg[i], 0.0, maxDegree);
        }
    }

    // Amplitude envelope, release gate and tremolo.
    {
        std::vector<double>& amp = curves_.amp;
        std::vector<double>& gateCurve = curves_.releaseGate;
        const double attackLevel = value(Param::ampAttackLevel);
        const double decayLevel = value(Param::ampDecayLevel);
        const double sustainLevel = value(Param::ampSustainLevel);
        const std::size_t p = std::min(samplesOf(value(Param::ampAttackLength)), curveLength);
        const std::size_t q = samplesOf(value(Param::ampDecayLength));
        const std::size_t decayEnd = std::min(p + q, curveLength);
        for (std::size_t i = 0; i < p; ++i)
            amp[i] = static_cast<double>(i) * (decayLevel - attackLevel) / static_cast<double>(p) +
                     attackLevel;
        for (std::size_t i = p; i < decayEnd; ++i)
            amp[i] = static_cast<double>(i - p) * (sustainLevel - decayLevel) /
                         static_cast<double>(q) +
                     decayLevel;
        for (std::size_t i = decayEnd; i < count; ++i)
            amp[i] = sustainLevel;

        const double W = value(Param::ampReleaseLength) * rate;
        for (std::size_t i = 0; i < count; ++i) {
            const double t = static_cast<double>(i);
            double g;
            if (t < S)
                g = 1.0;
            else if (t <= S + W)
                g = (S - t) / W + 1.0;
            else
                g = 0.0;
            gateCurve[i] = g;
            amp[i] = g * amp[i];
        }

        const double A = value(Param::ampLfoAmplitude);
        if (A != 0.0) {
            const double Q = value(Param::ampLfoDelay) * rate;
            const double frequency = value(Param::ampLfoFrequency);
            for (std::size_t i = samplesOf(value(Param::ampLfoDelay)); i < count; ++i)
                amp[i] = (std::cos(frequency * twoPi * (static_cast<double>(i) - Q) / rate) * A +
                          1) /
                         (A + 1) * amp[i];
        }
    }
}

void Synth::runOscillators(const SoundSettings& settings, const WaveData& wave, double f0,
                           std::size_t n, std::span<double> out) {
    const double h = f0 / referencePitch;
    OscillatorInput in{
        .pitchRatio = curves_.pitchRatio.data(),
        .pitchLfo = curves_.pitchLfo.data(),
        .degree = curves_.degree.data(),
        .wave = &wave,
        .f0 = f0,
        .lfoScale = h,
        .detuneHz = settings.value(Param::detune) * h,
        .oscillatorCount = static_cast<int>(settings.value(Param::oscillatorCount)),
        .out = out.data(),
    };
    if (evaluation_ == Evaluation::reference) {
        oscillatorsReference(in, 0, n);
        return;
    }
    waveBounds_.compute(wave);
    // The workers take chunks in turn: the cost per sample varies along a voice (the attack
    // pitch, the degree envelope), so fixed halves would leave one core idle.
    constexpr std::size_t chunk = 4096; // samples, a multiple of every vector width
    std::atomic<std::size_t> next{0};
    pool_.forEachRange(pool_.threadCount(), [&](std::size_t, std::size_t, unsigned part) {
        HarmonicMemo& memo = memos_[part];
        memo.valid = false;
        for (;;) {
            const std::size_t begin = next.fetch_add(chunk, std::memory_order_relaxed);
            if (begin >= n)
                break;
            oscillatorsVector(in, waveBounds_, begin, std::min(begin + chunk, n), memo,
                              vectorUnit_);
        }
    });
}

std::size_t Synth::computeVoice(const SoundSettings& settings, const WaveData& wave, double f0,
                                double gate, std::span<double> out) {
    const double seconds = settings.value(Param::ampReleaseLength) + gate;
    const std::size_t n = samplesOf(seconds);
    // A voice longer than its buffer is cut at the end of the buffer.
    const std::size_t count = std::min({n, out.size(), curveLength});
    fillCurves(settings, gate, count);
    runOscillators(settings, wave, f0, count, out);
    const std::vector<double>& amp = curves_.amp;
    for (std::size_t i = 0; i < count; ++i)
        out[i] = amp[i] * out[i];
    return n;
}

void Synth::sequenceVoice(const SoundSettings& settings, const WaveData& wave, int key,
                          double gate, double gain) {
    const double f0 = std::pow(2.0, key / 12.0) * lowestKeyHz;
    const std::size_t n = std::min(computeVoice(settings, wave, f0, gate, voiceOutput_),
                                   voiceOutputLength);
    for (std::size_t i = 0; i < n; ++i)
        voiceOutput_[i] = voiceOutput_[i] * gain;
    // Only the samples the previous voice left behind need clearing: the rest is still 0.0.
    if (voiceExtent_ > n)
        std::fill(voiceOutput_.begin() + static_cast<std::ptrdiff_t>(n),
                  voiceOutput_.begin() + static_cast<std::ptrdiff_t>(voiceExtent_), 0.0);
    voiceExtent_ = n;
    lastVoiceLength_ = n;
}

void Synth::previewVoice(const SoundSettings& settings, const WaveData& wave, double f0,
                         double gate, std::span<std::int16_t> samples) {
    const std::size_t n =
        std::min({computeVoice(settings, wave, f0, gate, previewWork_), previewLength,
                  samples.size()});
    double peak = 0.0;
    for (std::size_t i = 0; i < n; ++i)
        peak = std::max(peak, std::abs(previewWork_[i]));
    if (peak != 0.0)
        for (std::size_t i = 0; i < n; ++i)
            previewWork_[i] = previewWork_[i] / peak;
    for (std::size_t i = 0; i < n; ++i)
        samples[i] = truncateTo<std::int16_t>(previewWork_[i] * previewPeak);
    std::fill(samples.begin() + static_cast<std::ptrdiff_t>(n), samples.end(), std::int16_t{0});
}

bool Synth::computePreviews(const SoundSettings& settings, const WaveData& wave,
                            const Progress& progress) {
    const double gate =
        settings.value(Param::ampDecayLength) + settings.value(Param::ampAttackLength) + 2.0;
    for (int p = 0; p < previewCount; ++p) {
        if (progress && !progress(p / static_cast<double>(previewCount)))
            return false;
        std::span<std::int16_t> slot(previewStaging_.data() + static_cast<std::size_t>(p) * previewLength,
                                     previewLength);
        previewVoice(settings, wave, previewFrequencies[static_cast<std::size_t>(p)], gate, slot);
    }
    if (progress && !progress(1.0))
        return false;
    std::copy(previewStaging_.begin(), previewStaging_.end(), previewBuffers_.begin());
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
    const std::size_t notes = sequence.noteCount();
    std::size_t done = 0;
    std::size_t span = 0; // L: the mix positions covered by note windows
    const int tempo = std::clamp(sequence.tempo, minTempo, maxTempo);
    for (int t = 0; t < tickCount; ++t) {
        for (int k = 0; k < keyCount; ++k) {
            const NoteCell& cell = sequence.cell(t, k);
            if (cell.noteLength == 0)
                continue;
            if (progress && !progress(notes == 0 ? 0.0 : done / static_cast<double>(notes)))
                return false;
            ++done;
            // Only a damaged grid can hold these; such a cell is no note.
            if (cell.noteLength < 0 || cell.keyLengthIndex < 0 ||
                cell.keyLengthIndex >= percentCount || cell.velocityIndex < 0 ||
                cell.velocityIndex >= percentCount)
                continue;
            const double gate = static_cast<double>(cell.noteLength * 60) *
                                percentTable[static_cast<std::size_t>(cell.keyLengthIndex)] /
                                static_cast<double>(tempo * 24);
            const double gain = percentTable[static_cast<std::size_t>(cell.velocityIndex)];
            sequenceVoice(settings, wave, k, gate, gain);
            const std::size_t start = tickStartSample(t, tempo);
            if (start >= mixLength)
                continue;
            // The window's samples after the voice are zeros: adding them changes nothing, so
            // only the voice itself is added, and only the part that fits the mix.
            const std::size_t fits = std::min(lastVoiceLength_, mixLength - start);
            double* mix = mixBuffer_.data() + start;
            for (std::size_t j = 0; j < fits; ++j)
                mix[j] += voiceOutput_[j];
            mixExtent_ = std::max(mixExtent_, start + fits);
            span = std::max(span, std::min(start + (voiceOutputLength - 1), mixLength));
        }
    }
    if (progress && !progress(1.0))
        return false;

    // The previous rendering wrote samples 0 .. renderedSpan_-1 only.
    std::fill_n(renderBuffer_.begin(), renderedSpan_, std::int16_t{0});
    renderedSpan_ = span;
    double peak = 0.0;
    for (std::size_t j = 0; j < span; ++j)
        peak = std::max(peak, std::abs(mixBuffer_[j]));
    if (peak != 0.0) {
        const double scale = 1 / peak;
        for (std::size_t j = 0; j < span; ++j)
            renderBuffer_[j] = truncateTo<std::int16_t>(mixBuffer_[j] * renderPeak * scale);
    }
    return true;
}

} // namespace vorel
