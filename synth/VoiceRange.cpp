#include "synth/VoiceRange.h"

#include "synth/SynthConstants.h"

namespace vorel {

OscillatorInput voiceOscillators(const SoundSettings& settings, const WaveData& wave, double f0,
                                 double rate) {
    const double pitchScale = f0 / referencePitch;
    return OscillatorInput{
        .pitchRatio = nullptr,
        .pitchLfo = nullptr,
        .degree = nullptr,
        .wave = &wave,
        .f0 = f0,
        .lfoScale = pitchScale,
        .detuneHz = settings.value(Param::detune) * pitchScale,
        .oscillatorCount = static_cast<int>(settings.value(Param::oscillatorCount)),
        .out = nullptr,
        .origin = 0,
        .rate = rate,
        .ceilingHz = harmonicCeiling(rate),
    };
}

void evaluateVoice(const CurvePlan& plan, const OscillatorInput& note, const CurveWindow& curves,
                   std::span<double> out, std::size_t begin, std::size_t end,
                   const RangeEvaluation& how) {
    const bool reference = how.evaluation == Evaluation::reference;
    fillCurves(plan, curves, begin, end, reference ? VectorUnit::none : how.unit);
    const std::size_t last = plan.voiceEnd(end);
    if (begin >= last)
        return;
    OscillatorInput in = note;
    in.pitchRatio = curves.pitchRatio.data();
    in.pitchLfo = curves.pitchLfo.data();
    in.degree = curves.degree.data();
    in.out = out.data();
    in.origin = curves.origin;
    if (reference)
        oscillatorsReference(in, begin, last);
    else
        oscillatorsVector(in, *how.bounds, begin, last, *how.memo, how.unit);
    const std::span<const double> amp = curves.amp;
    for (std::size_t i = begin - curves.origin; i < last - curves.origin; ++i)
        out[i] = amp[i] * out[i];
}

} // namespace vorel
