#pragma once

#include "common/SoundConstants.h"
#include "common/ZeroedBuffer.h"
#include "synth/Oscillator.h"
#include "synth/SoundSettings.h"

#include <cstddef>
#include <limits>
#include <span>

namespace vorel {

// Samples (20 s) of every control curve: no voice reads further.
inline constexpr std::size_t curveLength = std::size_t{20} * sampleRate;

// The curve end of a live voice, which no buffer caps: its curves are evaluated a block at a time.
inline constexpr std::size_t unboundedCurve = std::numeric_limits<std::size_t>::max();

// The per-sample control curves of one voice, curveLength samples each; every voice recomputes
// the span it needs.
struct ControlCurves {
    ControlCurves();
    ZeroedBuffer<double> pitchRatio;  // frequency multiplier of the attack pitch, 1.0 = own pitch
    ZeroedBuffer<double> pitchLfo;    // vibrato offset in Hz before scaling by the note's frequency
    ZeroedBuffer<double> degree;      // filter degree per sample, 0.0 .. 2.0
    ZeroedBuffer<double> lpfLfo;      // offset added to the degree
    ZeroedBuffer<double> amp;         // gain per sample
    ZeroedBuffer<double> releaseGate; // 1.0 while the key is held, falling to 0.0 over the release
};

// Where a range of control curves is stored: element 0 of every span holds sample `origin` of the
// voice, so a live voice keeps one block of each curve and the offline voices the whole curves.
struct CurveWindow {
    std::span<double> pitchRatio;
    std::span<double> pitchLfo;
    std::span<double> degree;
    std::span<double> lpfLfo;
    std::span<double> amp;
    std::span<double> releaseGate;
    std::size_t origin = 0;
};

// The whole curves, from sample 0.
CurveWindow wholeCurves(ControlCurves& curves);

// The attack and decay of an envelope (of the degree or of the amplitude), in samples: a ramp
// from the attack value to the decay value over [0, attackEnd), one from the decay value to the
// sustain value over [attackEnd, decayEnd), then the sustain value.
struct EnvelopeRamps {
    double attackValue = 0.0;
    double decayValue = 0.0;
    double sustainValue = 0.0;
    std::size_t attackEnd = 0;
    std::size_t decayLength = 0; // decayEnd - attackEnd unless the curve's end cuts the decay
    std::size_t decayEnd = 0;

    // The envelope at sample i.
    double at(std::size_t i) const;
    // The ramps' values at sample i inside them (a whole number as a double, which the loops
    // convert faster than a std::size_t).
    double attackRamp(double i) const;
    double decayRamp(double i) const;
};

// Everything the control curves of one voice are computed from: the settings' values and the
// sample positions derived from them. Every curve value is a function of its own sample index
// (and of these numbers), so any range of samples can be filled on its own, in any order.
// Lengths are in samples; a position named ...End is the first sample after its stretch.
struct CurvePlan {
    std::size_t count = 0;    // samples of the voice that are computed
    std::size_t extent = 0;   // every curve write lies in [0, extent)
    double rate = sampleRate; // samples per second
    // Curve positions from here on are never written or read (curveLength offline; a live voice
    // has no end).
    std::size_t curveEnd = curveLength;

    // Attack pitch: the exponent falls linearly by 40 % over the attack, then the note steps to
    // its own pitch.
    double pitchLength = 0.0; // the attack pitch's length, not truncated to whole samples
    std::size_t pitchEnd = 0; // the first sample at the note's own pitch
    double pitchSemitones = 0.0;
    std::size_t ratioOnes = 0; // without attack pitch: 1.0 on [0, ratioOnes)

    // Vibrato, from its delay on.
    std::size_t vibratoStart = 0;
    double vibratoAmplitude = 0.0;
    double vibratoFrequency = 0.0; // Hz

    // Degree envelope: attack, decay, sustain, then the release ramp to degree 2.0 unless the
    // release length is "inf".
    EnvelopeRamps degree;
    std::size_t sustainEnd = 0;
    bool hasRelease = false;
    double keyRelease = 0.0;      // where the key is released, not truncated
    double releaseLength = 0.0;   // the degree's release ramp, not truncated
    double releaseFrom = 0.0;     // the degree the ramp starts from
    std::size_t releaseBegin = 0; // the key release truncated: the ramp's first sample
    std::size_t releaseEnd = 0;
    std::size_t releaseDone = 0; // 2.0 from here to the end of the voice

    // The filter LFO swings the degree, clamped to 0..2.
    double lpfLfoAmplitude = 0.0;
    double lpfLfoFrequency = 0.0; // Hz
    double lpfLfoDelay = 0.0;     // not truncated
    std::size_t lpfLfoStart = 0;

    // Amplitude envelope, release gate and tremolo.
    EnvelopeRamps amp;
    double ampRelease = 0.0; // the gate's fall after the key release, not truncated
    double tremoloAmplitude = 0.0;
    double tremoloDelay = 0.0;     // not truncated
    double tremoloFrequency = 0.0; // Hz
    std::size_t tremoloStart = 0;

    // The end of the voice's own samples within a range that ends at `end`.
    std::size_t voiceEnd(std::size_t end) const { return end < count ? end : count; }
};

// Plans the control curves of a voice whose key is released after `gate` seconds, computed over
// its first `count` samples (the sustain and release of the degree reach further), at `rate`
// samples per second with curves that end at `curveEnd`. A gate of +inf plans a key that is still
// held: the release lies beyond every sample.
CurvePlan planCurves(const SoundSettings& settings, double gate, std::size_t count,
                     double rate = sampleRate, std::size_t curveEnd = curveLength);

// Samples [begin, end) of every curve, as far as the plan reaches, into the window (which holds
// them): the attack pitch, the vibrato, the degree with the filter LFO, the amplitude envelope
// times the release gate, then the tremolo. With a vector unit the vibrato and the tremolo use its
// sine and cosine; the attack pitch and the degree (which decide harmonic ceilings and thresholds)
// are always computed with the standard functions.
void fillCurves(const CurvePlan& plan, const CurveWindow& curves, std::size_t begin,
                std::size_t end, VectorUnit trigonometry);

// The curve values the oscillators and the envelope read at one sample.
struct CurveValues {
    double pitchRatio = 0.0;
    double pitchLfo = 0.0;
    double degree = 0.0;
    double amp = 0.0;
};

// The values fillCurves leaves at sample i < plan.count without a vector unit, computed for that
// sample alone.
CurveValues referenceCurvesAt(const CurvePlan& plan, std::size_t i);

} // namespace vorel
