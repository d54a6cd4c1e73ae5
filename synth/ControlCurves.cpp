#include "synth/ControlCurves.h"

#include "synth/SynthConstants.h"

#include <algorithm>
#include <cmath>

namespace vorel {
namespace {

// Stores value(i) at curve position i for i in [first, last), counting in int from `first`: the
// count converts to double in vector registers (a std::size_t does not), and first + k is exact in
// double, also far beyond 2^31 samples (a live voice held for a day).
template <class Value>
void fillStretch(std::span<double> curve, std::size_t origin, std::size_t first, std::size_t last,
                 Value value) {
    if (first >= last)
        return;
    double* target = curve.data() + (first - origin);
    const double base = static_cast<double>(first);
    const int length = static_cast<int>(last - first);
    for (int k = 0; k < length; ++k)
        target[k] = value(base + k);
}

EnvelopeRamps planRamps(const SoundSettings& settings, double rate, std::size_t curveEnd,
                        Param attackValue, Param attackLength, Param decayValue, Param decayLength,
                        Param sustainValue) {
    EnvelopeRamps ramps;
    ramps.attackValue = settings.value(attackValue);
    ramps.decayValue = settings.value(decayValue);
    ramps.sustainValue = settings.value(sustainValue);
    ramps.attackEnd = std::min(samplesOf(settings.value(attackLength), rate), curveEnd);
    ramps.decayLength = samplesOf(settings.value(decayLength), rate);
    ramps.decayEnd = std::min(ramps.attackEnd + ramps.decayLength, curveEnd);
    return ramps;
}

// The attack and decay ramps into samples [begin, end) of the curve; the sustain is left to the
// caller, whose curves hold it over different spans.
void fillRamps(const EnvelopeRamps& ramps, std::span<double> curve, std::size_t origin,
               std::size_t begin, std::size_t end) {
    fillStretch(curve, origin, begin, std::min(ramps.attackEnd, end),
                [&ramps](double i) { return ramps.attackRamp(i); });
    fillStretch(curve, origin, std::max(ramps.attackEnd, begin), std::min(ramps.decayEnd, end),
                [&ramps](double i) { return ramps.decayRamp(i); });
}

void planPitch(const SoundSettings& settings, CurvePlan& plan) {
    const double pitchSeconds = settings.value(Param::attackPitchLength);
    plan.pitchLength = pitchSeconds * plan.rate;
    plan.pitchEnd = std::min(samplesOf(pitchSeconds, plan.rate), plan.curveEnd);
    plan.pitchSemitones = settings.value(Param::attackPitch);
    plan.ratioOnes = std::max(plan.pitchEnd, plan.count);

    plan.vibratoStart = samplesOf(settings.value(Param::pitchLfoDelay), plan.rate);
    plan.vibratoAmplitude = settings.value(Param::pitchLfoAmplitude);
    plan.vibratoFrequency = settings.value(Param::pitchLfoFrequency);
}

// The first sample j from `begin` on with j >= rampEnd, no further than curveEnd: where the
// degree's release ramp ends. (rampEnd lies at or above begin, and its truncation is `done`.)
std::size_t releaseRampEnd(std::size_t begin, std::size_t done, double rampEnd,
                           std::size_t curveEnd) {
    if (begin >= curveEnd)
        return begin;
    std::size_t j = std::max(begin, done);
    if (static_cast<double>(j) < rampEnd)
        ++j;
    return std::min(j, curveEnd);
}

void planDegree(const SoundSettings& settings, double gate, CurvePlan& plan) {
    plan.degree = planRamps(settings, plan.rate, plan.curveEnd, Param::lpfAttackDegree,
                            Param::lpfAttackLength, Param::lpfDecayDegree, Param::lpfDecayLength,
                            Param::lpfSustainDegree);

    const double releaseSeconds = settings.value(Param::lpfReleaseLength);
    plan.hasRelease = releaseSeconds < noLpfReleaseFrom;
    plan.releaseLength = releaseSeconds * plan.rate;
    const double rampEnd = plan.keyRelease + plan.releaseLength;
    plan.releaseDone =
        static_cast<std::size_t>(std::max<std::int64_t>(0, truncateTo<std::int64_t>(rampEnd)));
    // The sustain degree holds to the end of the curve. Only the samples of this voice and the
    // end of the release window are ever read, so the rest is left as it is.
    plan.sustainEnd = plan.hasRelease
                          ? std::max(plan.count, std::min(plan.releaseDone + 1, plan.curveEnd))
                          : plan.count;
    if (plan.hasRelease) {
        // The release starts from the envelope's value at the end of its window (read inside
        // the curve even when the window reaches past it).
        plan.releaseFrom = plan.degree.at(std::min(plan.releaseDone, plan.curveEnd - 1));
        plan.releaseBegin = samplesOf(gate, plan.rate);
        plan.releaseEnd =
            releaseRampEnd(plan.releaseBegin, plan.releaseDone, rampEnd, plan.curveEnd);
    }

    plan.lpfLfoAmplitude = settings.value(Param::lpfLfoAmplitude);
    plan.lpfLfoFrequency = settings.value(Param::lpfLfoFrequency);
    plan.lpfLfoDelay = settings.value(Param::lpfLfoDelay) * plan.rate;
    plan.lpfLfoStart = samplesOf(settings.value(Param::lpfLfoDelay), plan.rate);
}

void planAmplitude(const SoundSettings& settings, CurvePlan& plan) {
    plan.amp =
        planRamps(settings, plan.rate, plan.curveEnd, Param::ampAttackLevel, Param::ampAttackLength,
                  Param::ampDecayLevel, Param::ampDecayLength, Param::ampSustainLevel);
    plan.ampRelease = settings.value(Param::ampReleaseLength) * plan.rate;

    plan.tremoloAmplitude = settings.value(Param::ampLfoAmplitude);
    plan.tremoloDelay = settings.value(Param::ampLfoDelay) * plan.rate;
    plan.tremoloFrequency = settings.value(Param::ampLfoFrequency);
    plan.tremoloStart = samplesOf(settings.value(Param::ampLfoDelay), plan.rate);
}

// Each curve's formula at one sample, shared by the loops that fill the curves and by the
// evaluation of a single sample.

// The attack pitch's frequency multiplier at sample i < plan.pitchEnd.
double attackPitchRatio(const CurvePlan& plan, std::size_t i) {
    const double length = plan.pitchLength;
    const double octaves = plan.pitchSemitones / semitonesPerOctave;
    // Over the attack the exponent falls from `octaves` by 1 / 2.5 of itself.
    return std::pow(2.0, (length - static_cast<double>(i) / 2.5) * octaves / length);
}

// The vibrato's phase at sample i >= plan.vibratoStart, and its value from the phase's sine.
double vibratoPhase(const CurvePlan& plan, std::size_t i) {
    return plan.vibratoFrequency * soundTwoPi * static_cast<double>(i - plan.vibratoStart) /
           plan.rate;
}
double vibratoOf(const CurvePlan& plan, double sine) {
    return plan.vibratoAmplitude * pitchLfoFactor * sine;
}

// The degree's release ramp at sample j of [releaseBegin, releaseEnd).
double releaseRampDegree(const CurvePlan& plan, double j) {
    return (j - plan.keyRelease) * (releaseDegree - plan.releaseFrom) / plan.releaseLength +
           plan.releaseFrom;
}

// The filter LFO's offset at sample i >= plan.lpfLfoStart.
double lpfLfoAt(const CurvePlan& plan, std::size_t i) {
    return std::sin(plan.lpfLfoFrequency * soundTwoPi *
                    (static_cast<double>(i) - plan.lpfLfoDelay) / plan.rate) *
           plan.lpfLfoAmplitude;
}

// The release gate at sample `time`: 1.0 while the key is held, then falling to 0.0.
double releaseGateAt(const CurvePlan& plan, double time) {
    const double keyRelease = plan.keyRelease;
    const double releaseLength = plan.ampRelease;
    // The ramp is computed everywhere and used only inside the release, so that the loop over the
    // samples runs without branches.
    const double ramp = (keyRelease - time) / releaseLength + 1.0;
    return time < keyRelease ? 1.0 : (time <= keyRelease + releaseLength ? ramp : 0.0);
}

// The tremolo's phase at sample i >= plan.tremoloStart, and the amplitude it leaves from the
// phase's cosine.
double tremoloPhase(const CurvePlan& plan, std::size_t i) {
    return plan.tremoloFrequency * soundTwoPi * (static_cast<double>(i) - plan.tremoloDelay) /
           plan.rate;
}
double withTremolo(const CurvePlan& plan, double cosine, double amp) {
    const double depth = plan.tremoloAmplitude;
    return (cosine * depth + 1) / (depth + 1) * amp;
}

// The tremolo through the vector cosine, a piece at a time: it only scales the amplitude.
// amp[0] holds sample `first`.
void applyVectorTremolo(const CurvePlan& plan, std::span<double> amp, std::size_t first,
                        std::size_t end, VectorUnit trigonometry) {
    constexpr std::size_t piece = 512;
    double cosine[piece];
    for (std::size_t done = 0; first + done < end; done += piece) {
        const std::size_t length = std::min(piece, end - (first + done));
        for (std::size_t k = 0; k < length; ++k)
            cosine[k] = tremoloPhase(plan, first + done + k);
        cosinesOf(cosine, cosine, length, trigonometry);
        for (std::size_t k = 0; k < length; ++k)
            amp[done + k] = withTremolo(plan, cosine[k], amp[done + k]);
    }
}

} // namespace

ControlCurves::ControlCurves()
    : pitchRatio(curveLength), pitchLfo(curveLength), degree(curveLength), lpfLfo(curveLength),
      amp(curveLength), releaseGate(curveLength) {}

double EnvelopeRamps::attackRamp(double i) const {
    return i * (decayValue - attackValue) / static_cast<double>(attackEnd) + attackValue;
}

// i - attackEnd: a difference of whole numbers, exact in double.
double EnvelopeRamps::decayRamp(double i) const {
    return (i - static_cast<double>(attackEnd)) * (sustainValue - decayValue) /
               static_cast<double>(decayLength) +
           decayValue;
}

double EnvelopeRamps::at(std::size_t i) const {
    if (i < attackEnd)
        return attackRamp(static_cast<double>(i));
    if (i < decayEnd)
        return decayRamp(static_cast<double>(i));
    return sustainValue;
}

CurvePlan planCurves(const SoundSettings& settings, double gate, std::size_t count, double rate,
                     std::size_t curveEnd) {
    CurvePlan plan;
    plan.count = count;
    plan.rate = rate;
    plan.curveEnd = curveEnd;
    plan.keyRelease = gate * rate;
    planPitch(settings, plan);
    planDegree(settings, gate, plan);
    planAmplitude(settings, plan);
    plan.extent = std::max({count, plan.pitchSemitones == 0.0 ? plan.ratioOnes : plan.pitchEnd,
                            plan.degree.attackEnd, plan.degree.decayEnd, plan.sustainEnd,
                            plan.releaseEnd, plan.amp.attackEnd, plan.amp.decayEnd});
    return plan;
}

namespace {

// The fill functions store sample i of a curve at curve[i - origin].

void fillPitchRatio(const CurvePlan& plan, std::span<double> ratio, std::size_t origin,
                    std::size_t begin, std::size_t end) {
    if (plan.pitchSemitones == 0.0) {
        for (std::size_t i = begin; i < std::min(plan.ratioOnes, end); ++i)
            ratio[i - origin] = 1.0;
        return;
    }
    for (std::size_t i = begin; i < std::min(plan.pitchEnd, end); ++i)
        ratio[i - origin] = attackPitchRatio(plan, i);
    for (std::size_t i = std::max(plan.pitchEnd, begin); i < plan.voiceEnd(end); ++i)
        ratio[i - origin] = 1.0;
}

void fillVibrato(const CurvePlan& plan, std::span<double> lfo, std::size_t origin,
                 std::size_t begin, std::size_t end, VectorUnit trigonometry) {
    const std::size_t count = plan.voiceEnd(end);
    const std::size_t start = plan.vibratoStart;
    const std::size_t first = std::max(start, begin);
    for (std::size_t i = begin; i < std::min(start, count); ++i)
        lfo[i - origin] = 0.0;
    // Without vibrato every value is +-0.0, which the oscillators cannot tell apart: the sines
    // are spared.
    if (plan.vibratoAmplitude == 0.0) {
        for (std::size_t i = first; i < count; ++i)
            lfo[i - origin] = 0.0;
    } else if (trigonometry == VectorUnit::none) {
        for (std::size_t i = first; i < count; ++i)
            lfo[i - origin] = vibratoOf(plan, std::sin(vibratoPhase(plan, i)));
    } else if (first < count) {
        // The same arguments through the vector sine: the vibrato only moves phases, where a
        // last-bit difference cannot reach a 16-bit sample.
        double* values = lfo.data() + (first - origin);
        for (std::size_t i = first; i < count; ++i)
            values[i - first] = vibratoPhase(plan, i);
        sinesOf(values, values, count - first, trigonometry);
        for (std::size_t i = first; i < count; ++i)
            values[i - first] = vibratoOf(plan, values[i - first]);
    }
}

void fillDegree(const CurvePlan& plan, std::span<double> degree, std::size_t origin,
                std::size_t begin, std::size_t end) {
    fillRamps(plan.degree, degree, origin, begin, end);
    for (std::size_t i = std::max(plan.degree.decayEnd, begin); i < std::min(plan.sustainEnd, end);
         ++i)
        degree[i - origin] = plan.degree.sustainValue;
    if (!plan.hasRelease)
        return;
    // The ramp from the degree at the end of the release window to 2.0, then 2.0 to the end.
    fillStretch(degree, origin, std::max(plan.releaseBegin, begin), std::min(plan.releaseEnd, end),
                [&plan](double j) { return releaseRampDegree(plan, j); });
    for (std::size_t j = std::max(plan.releaseDone, begin); j < plan.voiceEnd(end); ++j)
        degree[j - origin] = releaseDegree;
}

void addLpfLfo(const CurvePlan& plan, std::span<double> lfo, std::span<double> degree,
               std::size_t origin, std::size_t begin, std::size_t end) {
    if (plan.lpfLfoAmplitude == 0.0)
        return;
    const std::size_t count = plan.voiceEnd(end);
    const std::size_t start = plan.lpfLfoStart;
    for (std::size_t i = begin; i < std::min(start, count); ++i)
        lfo[i - origin] = 0.0;
    for (std::size_t i = std::max(start, begin); i < count; ++i)
        lfo[i - origin] = lpfLfoAt(plan, i);
    for (std::size_t i = begin; i < count; ++i)
        degree[i - origin] = std::clamp(lfo[i - origin] + degree[i - origin], 0.0, maxDegree);
}

// The envelope times the release gate, which it also fills.
void fillAmplitude(const CurvePlan& plan, std::span<double> amp, std::span<double> releaseGate,
                   std::size_t origin, std::size_t begin, std::size_t end) {
    const std::size_t count = plan.voiceEnd(end);
    fillRamps(plan.amp, amp, origin, begin, end);
    for (std::size_t i = std::max(plan.amp.decayEnd, begin); i < count; ++i)
        amp[i - origin] = plan.amp.sustainValue;

    if (begin >= count)
        return;
    // Counted as fillStretch counts, so that the loop runs in vector registers.
    double* gates = releaseGate.data() + (begin - origin);
    double* amps = amp.data() + (begin - origin);
    const double base = static_cast<double>(begin);
    const int length = static_cast<int>(count - begin);
    for (int k = 0; k < length; ++k) {
        const double gate = releaseGateAt(plan, base + k);
        gates[k] = gate;
        amps[k] = gate * amps[k];
    }
}

void applyTremolo(const CurvePlan& plan, std::span<double> amp, std::size_t origin,
                  std::size_t begin, std::size_t end, VectorUnit trigonometry) {
    const double depth = plan.tremoloAmplitude;
    if (depth == 0.0)
        return;
    const std::size_t first = std::max(plan.tremoloStart, begin);
    const std::size_t count = plan.voiceEnd(end);
    if (first >= count)
        return;
    if (trigonometry != VectorUnit::none) {
        applyVectorTremolo(plan, amp.subspan(first - origin), first, count, trigonometry);
        return;
    }
    for (std::size_t i = first; i < count; ++i)
        amp[i - origin] = withTremolo(plan, std::cos(tremoloPhase(plan, i)), amp[i - origin]);
}

} // namespace

CurveWindow wholeCurves(ControlCurves& curves) {
    return {curves.pitchRatio,
            curves.pitchLfo,
            curves.degree,
            curves.lpfLfo,
            curves.amp,
            curves.releaseGate,
            0};
}

void fillCurves(const CurvePlan& plan, const CurveWindow& curves, std::size_t begin,
                std::size_t end, VectorUnit trigonometry) {
    const std::size_t origin = curves.origin;
    fillPitchRatio(plan, curves.pitchRatio, origin, begin, end);
    fillVibrato(plan, curves.pitchLfo, origin, begin, end, trigonometry);
    fillDegree(plan, curves.degree, origin, begin, end);
    addLpfLfo(plan, curves.lpfLfo, curves.degree, origin, begin, end);
    fillAmplitude(plan, curves.amp, curves.releaseGate, origin, begin, end);
    applyTremolo(plan, curves.amp, origin, begin, end, trigonometry);
}

CurveValues referenceCurvesAt(const CurvePlan& plan, std::size_t i) {
    CurveValues values;
    values.pitchRatio =
        plan.pitchSemitones != 0.0 && i < plan.pitchEnd ? attackPitchRatio(plan, i) : 1.0;
    values.pitchLfo = i >= plan.vibratoStart && plan.vibratoAmplitude != 0.0
                          ? vibratoOf(plan, std::sin(vibratoPhase(plan, i)))
                          : 0.0;

    // fillDegree's stretches in the order it writes them: the envelope, the release ramp, then
    // 2.0 from the end of the ramp on.
    values.degree = plan.degree.at(i);
    if (plan.hasRelease && i >= plan.releaseDone)
        values.degree = releaseDegree;
    else if (plan.hasRelease && i >= plan.releaseBegin && i < plan.releaseEnd)
        values.degree = releaseRampDegree(plan, static_cast<double>(i));
    if (plan.lpfLfoAmplitude != 0.0) {
        const double lfo = i >= plan.lpfLfoStart ? lpfLfoAt(plan, i) : 0.0;
        values.degree = std::clamp(lfo + values.degree, 0.0, maxDegree);
    }

    values.amp = releaseGateAt(plan, static_cast<double>(i)) * plan.amp.at(i);
    if (plan.tremoloAmplitude != 0.0 && i >= plan.tremoloStart)
        values.amp = withTremolo(plan, std::cos(tremoloPhase(plan, i)), values.amp);
    return values;
}

} // namespace vorel
