#pragma once

// One voice evaluated over any range of its sample indexes: the piece the previews, the rendering
// and the live voices share. Every curve is a function of the sample index, so a range computed
// on its own holds the doubles the whole voice holds there.

#include "common/Evaluation.h"
#include "common/SoundConstants.h"
#include "common/WaveData.h"
#include "synth/ControlCurves.h"
#include "synth/Oscillator.h"
#include "synth/SoundSettings.h"

#include <cstddef>
#include <span>

namespace vorel {

// How a range is evaluated. The fast evaluation reads the wave's bounds and keeps its memo from
// range to range of one voice.
struct RangeEvaluation {
    Evaluation evaluation = Evaluation::reference;
    VectorUnit unit = VectorUnit::none;
    const WaveBounds* bounds = nullptr;
    HarmonicMemo* memo = nullptr;
};

// The note-wide numbers of the oscillator sum of a voice at f0 Hz and `rate` samples per second;
// the curve and output pointers are left for evaluateVoice to set.
OscillatorInput voiceOscillators(const SoundSettings& settings, const WaveData& wave, double f0,
                                 double rate = sampleRate);

// Samples [begin, end) of the voice before any gain: the control curves into `curves` as far as
// the plan reaches, then the oscillator sums times the amplitude into `out` for the samples below
// plan.count. out[0] holds sample curves.origin, like the curves.
void evaluateVoice(const CurvePlan& plan, const OscillatorInput& note, const CurveWindow& curves,
                   std::span<double> out, std::size_t begin, std::size_t end,
                   const RangeEvaluation& how);

} // namespace vorel
