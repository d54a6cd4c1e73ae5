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
    return static_cast<std::size_t>(
        std::max<std::int64_t>(0, truncateTo<std::int64_t>(seconds * rate)));
}

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

} // namespace

Synth::Synth(unsigned threads, Evaluation evaluation)
    : pool_(threads), evaluation_(evaluation), vectorUnit_(bestVectorUnit()),
      voiceOutput_(voiceOutputLength), previewWork_(previewLength),
      previewStaging_(static_cast<std::size_t>(previewCount) * previewLength),
      previewBuffers_(static_cast<std::size_t>(previewCount) * previewLength),
      mixBuffer_(mixLength), renderBuffer_(mixLength) {
    for (auto* curve : {&curves_.pitchRatio, &curves_.pitchLfo, &curves_.degree, &curves_.lpfLfo,
                        &curves_.amp, &curves_.releaseGate})
        curve->assign(curveLength, 0.0);
    memos_.resize(pool_.threadCount());
    piecePeaks_.resize(pool_.threadCount());
}

std::size_t Synth::tickStartSample(int tick, int tempo) {
    return static_cast<std::size_t>(
        truncateTo<std::int64_t>(static_cast<double>(tick * 60) * rate / (tempo * 24.0)));
}

// Everything the control curves of one voice are computed from: the settings' values and the
// sample positions derived from them. Every curve value is a function of its own sample index
// (and of these numbers), so any range of samples can be filled on its own, in any order.
struct Synth::CurvePlan {
    std::size_t count = 0;  // samples of the voice that are computed
    std::size_t extent = 0; // every curve write lies in [0, extent)

    // Attack pitch: the exponent falls linearly by 40 % over the attack, then the note steps to
    // its own pitch.
    double pitchLength = 0.0; // L, samples (not truncated)
    std::size_t pitchEnd = 0; // nL
    double pitchSemitones = 0.0;
    std::size_t ratioOnes = 0; // without attack pitch: 1.0 on [0, ratioOnes)

    // Vibrato, from its delay on.
    std::size_t vibratoStart = 0;
    double vibratoAmplitude = 0.0;
    double vibratoFrequency = 0.0;

    // Degree envelope: attack, decay, sustain, then the release ramp to degree 2.0 unless the
    // release length is "inf".
    double attackDegree = 0.0;
    double decayDegree = 0.0;
    double sustainDegree = 0.0;
    std::size_t degreeAttackEnd = 0; // a
    std::size_t degreeDecay = 0;     // b
    std::size_t degreeDecayEnd = 0;  // min(a + b, curve)
    std::size_t sustainEnd = 0;
    bool hasRelease = false;
    double keyRelease = 0.0;      // S, samples
    double releaseLength = 0.0;   // E, samples
    double releaseFrom = 0.0;     // D0
    std::size_t releaseBegin = 0; // trunc(S)
    std::size_t releaseEnd = 0;   // first sample past the ramp
    std::size_t releaseDone = 0;  // j1: 2.0 from here to the end of the voice

    // The filter LFO swings the degree, clamped to 0..2.
    double lpfLfoAmplitude = 0.0;
    double lpfLfoFrequency = 0.0;
    double lpfLfoDelay = 0.0; // Q, samples
    std::size_t lpfLfoStart = 0;

    // Amplitude envelope, release gate and tremolo.
    double attackLevel = 0.0;
    double decayLevel = 0.0;
    double sustainLevel = 0.0;
    std::size_t ampAttackEnd = 0; // p
    std::size_t ampDecay = 0;     // q
    std::size_t ampDecayEnd = 0;
    double ampRelease = 0.0; // W, samples
    double tremoloAmplitude = 0.0;
    double tremoloDelay = 0.0; // samples
    double tremoloFrequency = 0.0;
    std::size_t tremoloStart = 0;

    // The envelope degree at sample i before the release and the LFO.
    double envelopeDegree(std::size_t i) const {
        if (i < degreeAttackEnd)
            return static_cast<double>(i) * (decayDegree - attackDegree) /
                       static_cast<double>(degreeAttackEnd) +
                   attackDegree;
        if (i < degreeDecayEnd)
            return static_cast<double>(i - degreeAttackEnd) * (sustainDegree - decayDegree) /
                       static_cast<double>(degreeDecay) +
                   decayDegree;
        return sustainDegree;
    }
};

// Plans the control curves of a voice whose key is released after `gate` seconds, computed over
// its first `count` samples (the sustain and release of the degree reach further).
Synth::CurvePlan Synth::planCurves(const SoundSettings& settings, double gate, std::size_t count) {
    auto value = [&](Param p) { return settings.value(p); };
    CurvePlan plan;
    plan.count = count;
    plan.keyRelease = gate * rate;

    plan.pitchLength = value(Param::attackPitchLength) * rate;
    plan.pitchEnd = std::min(samplesOf(value(Param::attackPitchLength)), curveLength);
    plan.pitchSemitones = value(Param::attackPitch);
    plan.ratioOnes = std::max(plan.pitchEnd, count);

    plan.vibratoStart = samplesOf(value(Param::pitchLfoDelay));
    plan.vibratoAmplitude = value(Param::pitchLfoAmplitude);
    plan.vibratoFrequency = value(Param::pitchLfoFrequency);

    plan.attackDegree = value(Param::lpfAttackDegree);
    plan.decayDegree = value(Param::lpfDecayDegree);
    plan.sustainDegree = value(Param::lpfSustainDegree);
    plan.degreeAttackEnd = std::min(samplesOf(value(Param::lpfAttackLength)), curveLength);
    plan.degreeDecay = samplesOf(value(Param::lpfDecayLength));
    plan.degreeDecayEnd = std::min(plan.degreeAttackEnd + plan.degreeDecay, curveLength);
    const double releaseSeconds = value(Param::lpfReleaseLength);
    plan.hasRelease = releaseSeconds < noLpfReleaseFrom;
    plan.releaseLength = releaseSeconds * rate;
    const double S = plan.keyRelease;
    const double E = plan.releaseLength;
    plan.releaseDone =
        static_cast<std::size_t>(std::max<std::int64_t>(0, truncateTo<std::int64_t>(S + E)));
    // The sustain degree holds to the end of the curve. Only the samples of this voice and the
    // end of the release window are ever read, so the rest is left as it is.
    plan.sustainEnd =
        plan.hasRelease ? std::max(count, std::min(plan.releaseDone + 1, curveLength)) : count;
    if (plan.hasRelease) {
        // The release starts from the envelope's value at the end of its window (read inside
        // the curve even when the window reaches past it).
        plan.releaseFrom = plan.envelopeDegree(std::min(plan.releaseDone, curveLength - 1));
        plan.releaseBegin = samplesOf(gate);
        std::size_t j = plan.releaseBegin;
        while (static_cast<double>(j) < S + E && j < curveLength)
            ++j;
        plan.releaseEnd = j;
    }

    plan.lpfLfoAmplitude = value(Param::lpfLfoAmplitude);
    plan.lpfLfoFrequency = value(Param::lpfLfoFrequency);
    plan.lpfLfoDelay = value(Param::lpfLfoDelay) * rate;
    plan.lpfLfoStart = samplesOf(value(Param::lpfLfoDelay));

    plan.attackLevel = value(Param::ampAttackLevel);
    plan.decayLevel = value(Param::ampDecayLevel);
    plan.sustainLevel = value(Param::ampSustainLevel);
    plan.ampAttackEnd = std::min(samplesOf(value(Param::ampAttackLength)), curveLength);
    plan.ampDecay = samplesOf(value(Param::ampDecayLength));
    plan.ampDecayEnd = std::min(plan.ampAttackEnd + plan.ampDecay, curveLength);
    plan.ampRelease = value(Param::ampReleaseLength) * rate;
    plan.tremoloAmplitude = value(Param::ampLfoAmplitude);
    plan.tremoloDelay = value(Param::ampLfoDelay) * rate;
    plan.tremoloFrequency = value(Param::ampLfoFrequency);
    plan.tremoloStart = samplesOf(value(Param::ampLfoDelay));

    plan.extent = std::max({count, plan.pitchSemitones == 0.0 ? plan.ratioOnes : plan.pitchEnd,
                            plan.degreeAttackEnd, plan.degreeDecayEnd, plan.sustainEnd,
                            plan.releaseEnd, plan.ampAttackEnd, plan.ampDecayEnd});
    return plan;
}

// Fills samples [begin, end) of every control curve. The passes run in the order of the
// envelope's definition (a later pass overwrites or scales what an earlier one wrote at the same
// sample), each limited to its own span. With a vector unit, the vibrato and the tremolo use its
// sine and cosine; the attack pitch and the degree (which decide harmonic ceilings and
// thresholds) are always computed exactly as written.
void Synth::fillCurves(const CurvePlan& plan, std::size_t begin, std::size_t end,
                       VectorUnit trigonometry) {
    const std::size_t count = std::min(plan.count, end);
    auto from = [begin](std::size_t first) { return std::max(first, begin); };
    // Sample positions as int (every curve is far shorter than 2^31) in the loops that divide:
    // int converts to double in vector registers, std::size_t does not.
    auto index = [](std::size_t i) { return static_cast<int>(i); };

    {
        std::vector<double>& ratio = curves_.pitchRatio;
        if (plan.pitchSemitones == 0.0) {
            for (std::size_t i = begin; i < std::min(plan.ratioOnes, end); ++i)
                ratio[i] = 1.0;
        } else {
            const double L = plan.pitchLength;
            const double t = plan.pitchSemitones / 12;
            for (std::size_t i = begin; i < std::min(plan.pitchEnd, end); ++i)
                ratio[i] = std::pow(2.0, (L - static_cast<double>(i) / 2.5) * t / L);
            for (std::size_t i = from(plan.pitchEnd); i < count; ++i)
                ratio[i] = 1.0;
        }
    }

    {
        std::vector<double>& lfo = curves_.pitchLfo;
        const std::size_t w = plan.vibratoStart;
        for (std::size_t i = begin; i < std::min(w, count); ++i)
            lfo[i] = 0.0;
        // Without vibrato every value is +-0.0, which the oscillators cannot tell apart: the
        // sines are spared.
        if (plan.vibratoAmplitude == 0.0) {
            for (std::size_t i = from(w); i < count; ++i)
                lfo[i] = 0.0;
        } else if (trigonometry == VectorUnit::none) {
            for (std::size_t i = from(w); i < count; ++i)
                lfo[i] =
                    plan.vibratoAmplitude * pitchLfoFactor *
                    std::sin(plan.vibratoFrequency * twoPi * static_cast<double>(i - w) / rate);
        } else if (from(w) < count) {
            // The same arguments through the vector sine: the vibrato only moves phases, where a
            // last-bit difference cannot reach a 16-bit sample.
            const std::size_t first = from(w);
            for (std::size_t i = first; i < count; ++i)
                lfo[i] = plan.vibratoFrequency * twoPi * static_cast<double>(i - w) / rate;
            sinesOf(lfo.data() + first, lfo.data() + first, count - first, trigonometry);
            for (std::size_t i = first; i < count; ++i)
                lfo[i] = plan.vibratoAmplitude * pitchLfoFactor * lfo[i];
        }
    }

    {
        std::vector<double>& deg = curves_.degree;
        const std::size_t a = plan.degreeAttackEnd;
        for (int i = index(begin); i < index(std::min(a, end)); ++i)
            deg[i] = static_cast<double>(i) * (plan.decayDegree - plan.attackDegree) /
                         static_cast<double>(a) +
                     plan.attackDegree;
        for (int i = index(from(a)); i < index(std::min(plan.degreeDecayEnd, end)); ++i)
            deg[i] = static_cast<double>(i - index(a)) * (plan.sustainDegree - plan.decayDegree) /
                         static_cast<double>(plan.degreeDecay) +
                     plan.decayDegree;
        for (std::size_t i = from(plan.degreeDecayEnd); i < std::min(plan.sustainEnd, end); ++i)
            deg[i] = plan.sustainDegree;
        if (plan.hasRelease) {
            const double S = plan.keyRelease;
            const double E = plan.releaseLength;
            const double D0 = plan.releaseFrom;
            for (int j = index(from(plan.releaseBegin)); j < index(std::min(plan.releaseEnd, end));
                 ++j)
                deg[j] = (static_cast<double>(j) - S) * (releaseDegree - D0) / E + D0;
            for (std::size_t j = from(plan.releaseDone); j < count; ++j)
                deg[j] = releaseDegree;
        }
    }

    if (plan.lpfLfoAmplitude != 0.0) {
        std::vector<double>& lfo = curves_.lpfLfo;
        std::vector<double>& deg = curves_.degree;
        const std::size_t q = plan.lpfLfoStart;
        for (std::size_t i = begin; i < std::min(q, count); ++i)
            lfo[i] = 0.0;
        for (std::size_t i = from(q); i < count; ++i)
            lfo[i] = std::sin(plan.lpfLfoFrequency * twoPi *
                              (static_cast<double>(i) - plan.lpfLfoDelay) / rate) *
                     plan.lpfLfoAmplitude;
        for (std::size_t i = begin; i < count; ++i)
            deg[i] = std::clamp(lfo[i] + deg[i], 0.0, maxDegree);
    }

    {
        std::vector<double>& amp = curves_.amp;
        std::vector<double>& gateCurve = curves_.releaseGate;
        const std::size_t p = plan.ampAttackEnd;
        for (int i = index(begin); i < index(std::min(p, end)); ++i)
            amp[i] = static_cast<double>(i) * (plan.decayLevel - plan.attackLevel) /
                         static_cast<double>(p) +
                     plan.attackLevel;
        for (int i = index(from(p)); i < index(std::min(plan.ampDecayEnd, end)); ++i)
            amp[i] = static_cast<double>(i - index(p)) * (plan.sustainLevel - plan.decayLevel) /
                         static_cast<double>(plan.ampDecay) +
                     plan.decayLevel;
        for (std::size_t i = from(plan.ampDecayEnd); i < count; ++i)
            amp[i] = plan.sustainLevel;

        const double S = plan.keyRelease;
        const double W = plan.ampRelease;
        for (int i = index(begin); i < index(count); ++i) {
            const double t = static_cast<double>(i);
            // The ramp is computed everywhere and used only inside the release, so that the
            // loop runs without branches.
            const double ramp = (S - t) / W + 1.0;
            const double g = t < S ? 1.0 : (t <= S + W ? ramp : 0.0);
            gateCurve[i] = g;
            amp[i] = g * amp[i];
        }

        const double A = plan.tremoloAmplitude;
        if (A != 0.0 && trigonometry == VectorUnit::none) {
            for (std::size_t i = from(plan.tremoloStart); i < count; ++i)
                amp[i] = (std::cos(plan.tremoloFrequency * twoPi *
                                   (static_cast<double>(i) - plan.tremoloDelay) / rate) *
                              A +
                          1) /
                         (A + 1) * amp[i];
        } else if (A != 0.0) {
            // The vector cosine, a piece at a time: the tremolo only scales the amplitude.
            constexpr std::size_t piece = 512;
            double cosine[piece];
            for (std::size_t first = from(plan.tremoloStart); first < count; first += piece) {
                const std::size_t length = std::min(piece, count - first);
                for (std::size_t k = 0; k < length; ++k)
                    cosine[k] = plan.tremoloFrequency * twoPi *
                                (static_cast<double>(first + k) - plan.tremoloDelay) / rate;
                cosinesOf(cosine, cosine, length, trigonometry);
                for (std::size_t k = 0; k < length; ++k)
                    amp[first + k] = (cosine[k] * A + 1) / (A + 1) * amp[first + k];
            }
        }
    }
}

OscillatorInput Synth::oscillatorInput(const SoundSettings& settings, const WaveData& wave,
                                       double f0, std::span<double> out) const {
    const double h = f0 / referencePitch;
    return OscillatorInput{
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
}

// The voice into out[0 .. count): curves, oscillators, envelope, and the gain when one is given;
// then added into mix[0 ..) as far as the mix reaches.
// The reference does each step over the whole voice, one after the other; the fast evaluation
// does all steps chunk by chunk on every worker (each sample depends only on its own curve
// values, so the doubles are the same).
void Synth::voiceSamples(const SoundSettings& settings, const WaveData& wave, double f0,
                         double gate, std::size_t count, std::span<double> out, const double* gain,
                         std::span<double> mix, double* peak) {
    const std::size_t mixed = std::min(count, mix.size());
    const CurvePlan plan = planCurves(settings, gate, count);
    const OscillatorInput in = oscillatorInput(settings, wave, f0, out);
    const std::vector<double>& amp = curves_.amp;

    if (evaluation_ == Evaluation::reference) {
        fillCurves(plan, 0, plan.extent, VectorUnit::none);
        oscillatorsReference(in, 0, count);
        for (std::size_t i = 0; i < count; ++i)
            out[i] = amp[i] * out[i];
        if (gain)
            for (std::size_t i = 0; i < count; ++i)
                out[i] = out[i] * *gain;
        for (std::size_t i = 0; i < mixed; ++i)
            mix[i] += out[i];
        if (peak) {
            *peak = 0.0;
            for (std::size_t i = 0; i < count; ++i)
                *peak = std::max(*peak, std::abs(out[i]));
        }
        return;
    }

    waveBounds_.compute(wave);
    // The workers take chunks in turn: the cost per sample varies along a voice (the attack
    // pitch, the degree envelope), so fixed halves would leave one core idle. A short voice gets
    // shorter chunks, so that no worker is left with most of it.
    constexpr std::size_t vectorWidth = 8; // samples; chunks stay whole vector blocks
    // Everything the workers read, behind one pointer: the work function then fits into
    // std::function without an allocation.
    struct Job {
        const CurvePlan& plan;
        const OscillatorInput& in;
        std::span<double> out;
        std::span<double> mix;
        std::size_t count;
        std::size_t mixed;
        const double* gain;
        bool peak;
        std::size_t chunk;
        std::atomic<std::size_t> next{0};
    } job{plan,
          in,
          out,
          mix,
          count,
          mixed,
          gain,
          peak != nullptr,
          std::clamp<std::size_t>((plan.extent / (4 * pool_.threadCount()) + vectorWidth - 1) /
                                      vectorWidth * vectorWidth,
                                  512, 4096)};
    std::fill(piecePeaks_.begin(), piecePeaks_.end(), 0.0);
    pool_.forEachRange(pool_.threadCount(), [this, &job](std::size_t, std::size_t, unsigned part) {
        const std::vector<double>& amp = curves_.amp;
        HarmonicMemo& memo = memos_[part];
        memo.valid = false;
        double partPeak = 0.0;
        for (;;) {
            const std::size_t begin = job.next.fetch_add(job.chunk, std::memory_order_relaxed);
            if (begin >= job.plan.extent)
                break;
            const std::size_t end = std::min(begin + job.chunk, job.plan.extent);
            fillCurves(job.plan, begin, end, vectorUnit_);
            const std::size_t last = std::min(end, job.count);
            if (begin >= last)
                continue;
            oscillatorsVector(job.in, waveBounds_, begin, last, memo, vectorUnit_);
            for (std::size_t i = begin; i < last; ++i)
                job.out[i] = amp[i] * job.out[i];
            if (job.gain)
                for (std::size_t i = begin; i < last; ++i)
                    job.out[i] = job.out[i] * *job.gain;
            for (std::size_t i = begin; i < std::min(last, job.mixed); ++i)
                job.mix[i] += job.out[i];
            if (job.peak)
                partPeak = std::max(partPeak, largestMagnitude(&job.out[begin], last - begin));
        }
        piecePeaks_[part] = partPeak;
    });
    // The largest of the workers' peaks is the peak, however the chunks fell.
    if (peak)
        *peak = *std::max_element(piecePeaks_.begin(), piecePeaks_.end());
}

std::size_t Synth::computeVoice(const SoundSettings& settings, const WaveData& wave, double f0,
                                double gate, std::span<double> out) {
    const double seconds = settings.value(Param::ampReleaseLength) + gate;
    const std::size_t n = samplesOf(seconds);
    // A voice longer than its buffer is cut at the end of the buffer.
    const std::size_t count = std::min({n, out.size(), curveLength});
    voiceSamples(settings, wave, f0, gate, count, out, nullptr, {}, nullptr);
    return n;
}

void Synth::sequenceVoice(const SoundSettings& settings, const WaveData& wave, int key, double gate,
                          double gain) {
    addSequenceVoice(settings, wave, key, gate, gain, {});
}

void Synth::addSequenceVoice(const SoundSettings& settings, const WaveData& wave, int key,
                             double gate, double gain, std::span<double> mix) {
    const double f0 = std::pow(2.0, key / 12.0) * lowestKeyHz;
    const double seconds = settings.value(Param::ampReleaseLength) + gate;
    const std::size_t n = std::min(samplesOf(seconds), voiceOutputLength);
    voiceSamples(settings, wave, f0, gate, n, voiceOutput_, &gain, mix, nullptr);
    // Only the samples the previous voice left behind need clearing: the rest is still 0.0.
    if (voiceExtent_ > n)
        std::fill(voiceOutput_.begin() + static_cast<std::ptrdiff_t>(n),
                  voiceOutput_.begin() + static_cast<std::ptrdiff_t>(voiceExtent_), 0.0);
    voiceExtent_ = n;
    lastVoiceLength_ = n;
}

void Synth::previewVoice(const SoundSettings& settings, const WaveData& wave, double f0,
                         double gate, std::span<std::int16_t> samples) {
    previewSamples(settings, wave, f0, gate, samples, samples.size());
}

std::size_t Synth::previewSamples(const SoundSettings& settings, const WaveData& wave, double f0,
                                  double gate, std::span<std::int16_t> samples,
                                  std::size_t dirtyEnd) {
    const double seconds = settings.value(Param::ampReleaseLength) + gate;
    const std::size_t length = samplesOf(seconds);
    // As computeVoice: a voice longer than its buffer is cut at the end of the buffer.
    const std::size_t count = std::min({length, previewWork_.size(), curveLength});
    double peak = 0.0;
    voiceSamples(settings, wave, f0, gate, count, previewWork_, nullptr, {}, &peak);
    const std::size_t n = std::min({length, previewLength, samples.size()});
    if (n < count)
        peak = peakOf(std::span<const double>(previewWork_).first(n));
    struct Job {
        double peak;
        std::span<std::int16_t> samples;
    } job{peak, samples};
    forEachPiece(n, [this, &job](std::size_t begin, std::size_t end, unsigned) {
        if (job.peak != 0.0)
            for (std::size_t i = begin; i < end; ++i)
                previewWork_[i] = previewWork_[i] / job.peak;
        for (std::size_t i = begin; i < end; ++i)
            job.samples[i] = truncateTo<std::int16_t>(previewWork_[i] * previewPeak);
    });
    if (dirtyEnd > n)
        std::fill(samples.begin() + static_cast<std::ptrdiff_t>(n),
                  samples.begin() + static_cast<std::ptrdiff_t>(dirtyEnd), std::int16_t{0});
    return n;
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
            // The window's samples after the voice are zeros: adding them changes nothing, so
            // only the voice itself is added (as it is computed), and only the part that fits
            // the mix.
            const std::size_t start = tickStartSample(t, tempo);
            std::span<double> mix;
            if (start < mixLength)
                mix = std::span<double>(mixBuffer_).subspan(start);
            addSequenceVoice(settings, wave, k, gate, gain, mix);
            if (start >= mixLength)
                continue;
            const std::size_t fits = std::min(lastVoiceLength_, mixLength - start);
            mixExtent_ = std::max(mixExtent_, start + fits);
            span = std::max(span, std::min(start + (voiceOutputLength - 1), mixLength));
        }
    }
    if (progress && !progress(1.0))
        return false;

    // The previous rendering wrote samples 0 .. renderedSpan_-1 only.
    std::fill_n(renderBuffer_.begin(), renderedSpan_, std::int16_t{0});
    renderedSpan_ = span;
    // Past the last voice sample the mix is 0.0, which neither raises the peak nor gives anything
    // but the 0 the render buffer holds already.
    const std::size_t voiced = std::min(span, mixExtent_);
    const double peak = peakOf(std::span<const double>(mixBuffer_).first(voiced));
    if (peak != 0.0) {
        const double scale = 1 / peak;
        forEachPiece(voiced, [this, scale](std::size_t begin, std::size_t end, unsigned) {
            for (std::size_t j = begin; j < end; ++j)
                renderBuffer_[j] = truncateTo<std::int16_t>(mixBuffer_[j] * renderPeak * scale);
        });
    }
    return true;
}

double Synth::peakOf(std::span<const double> samples) {
    // The largest of the pieces' peaks is the peak, whatever the pieces.
    std::fill(piecePeaks_.begin(), piecePeaks_.end(), 0.0);
    forEachPiece(samples.size(),
                 [this, &samples](std::size_t begin, std::size_t end, unsigned part) {
                     piecePeaks_[part] = largestMagnitude(samples.data() + begin, end - begin);
                 });
    return *std::max_element(piecePeaks_.begin(), piecePeaks_.end());
}

void Synth::forEachPiece(std::size_t count,
                         const std::function<void(std::size_t, std::size_t, unsigned)>& work) {
    if (evaluation_ == Evaluation::reference)
        work(0, count, 0);
    else
        pool_.forEachRange(count, work);
}

} // namespace vorel
