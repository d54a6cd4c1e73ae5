#pragma once

#include "common/Evaluation.h"
#include "common/WaveData.h"
#include "synth/ControlCurves.h"
#include "synth/Oscillator.h"
#include "synth/SoundSettings.h"

#include <array>
#include <cstddef>
#include <span>

namespace vorel {

// What a live voice plays, fixed when the voice starts: the settings, the wave, and what the fast
// evaluation knows of the wave beforehand.
struct VoiceSound {
    VoiceSound(const SoundSettings& soundSettings, const WaveData& soundWave);
    SoundSettings settings;
    WaveData wave{};
    WaveBounds bounds;
};

// Room for one range of a live voice: its control curves and its samples. One is shared by every
// voice a thread renders; it holds nothing from one range to the next.
class StreamingScratch {
  public:
    // Samples evaluated at a time: a whole number of vector groups.
    static constexpr std::size_t length = 256;
    // The curves of samples origin .. origin + length - 1.
    CurveWindow window(std::size_t origin);
    std::span<double> samples() { return samples_; }

  private:
    std::array<double, length> pitchRatio_{};
    std::array<double, length> pitchLfo_{};
    std::array<double, length> degree_{};
    std::array<double, length> lpfLfo_{};
    std::array<double, length> amp_{};
    std::array<double, length> releaseGate_{};
    std::array<double, length> samples_{};
};

// One voice evaluated block by block as it plays, from its note-on to the end of its release: the
// samples of the sequence voice whose gate is the moment the key is released, which a held key
// does not know yet. Nothing caps its length: the sample index is a std::size_t, exact as a double
// for far longer than any key is held.
//
// The fast evaluation sums the oscillators in groups of 8 samples from sample 0, as the offline
// fast path does, so that the block sizes never change a sample (with HarmonicSines::vectorSine,
// the offline fast path's doubles); a group that the key release cuts is evaluated again from the
// release on.
class StreamingVoice {
  public:
    // Starts a note of f0 Hz at `rate` samples per second; the next sample render gives is the
    // voice's sample 0. `sound` must stay as it is while the voice plays. `sines` chooses how the
    // fast evaluation takes the harmonics' sines.
    void start(const VoiceSound& sound, double f0, double rate, Evaluation evaluation,
               VectorUnit unit, HarmonicSines sines = HarmonicSines::rotation);
    // The key is released before the next sample: its gate is the samples given so far.
    void release();

    bool playing() const { return sound_ != nullptr && position_ < end_; }
    bool released() const { return released_; }
    // Samples given since the note-on.
    std::size_t position() const { return position_; }

    // The next samples of the voice, before any gain, into out. Returns how many were written:
    // fewer than out.size() only where the voice ends.
    std::size_t render(std::span<double> out, StreamingScratch& scratch);

  private:
    static constexpr std::size_t group = 8; // samples: the widest vector unit's lanes

    const VoiceSound* sound_ = nullptr;
    OscillatorInput note_{};
    CurvePlan plan_;
    Evaluation evaluation_ = Evaluation::fast;
    VectorUnit unit_ = VectorUnit::none;
    HarmonicMemo memo_;
    double rate_ = 0.0;
    bool released_ = false;
    std::size_t position_ = 0;
    std::size_t end_ = 0; // the voice's length; unbounded while the key is held
    // Samples [aheadBegin_, aheadEnd_) of the group the last block ended in, evaluated already.
    std::array<double, group> ahead_{};
    std::size_t aheadBegin_ = 0;
    std::size_t aheadEnd_ = 0;
};

} // namespace vorel
