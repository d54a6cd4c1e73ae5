#pragma once

#include "common/WaveData.h"
#include "synth/LiveEngine.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>

namespace vorel {

// The wave editor's live tone: the wave as the window draws it, played at each key's pitch.
// A key's tone at sample n of its own (n = 0 at the key's press) is
//
//     s(n) = 0.5 / A * sum over h of c_h * sin(6.283185308 * h * f * n / rate),
//
// over the harmonics h with h * f within the ceiling (20000 Hz from 44100 on), A the sum of
// |c_h| over those harmonics (no sound where A is 0), faded in over its first
// round(0.005 * rate) samples and out as long after its release. After a new wave, the next
// block crossfades from the old wave to the new one across its length. Tones of several keys add
// up; the sum is clipped to -1.0 .. 1.0.
//
// Threads: render runs on the audio thread and never allocates, locks or waits; setWave runs on
// one control thread.
class LiveTone {
  public:
    static constexpr int toneCount = 16; // keys sounding at once; a 17th takes the oldest's place

    explicit LiveTone(double rate);

    // Control thread: the wave of every tone from the next block on.
    void setWave(const WaveData& wave);
    // Audio thread: the next block; the events (in frame order) take effect at their frames.
    // Adds nothing while no wave was set.
    void render(std::span<const LiveEvent> events, std::span<float> out);

    std::size_t fadeLength() const { return fadeLength_; }
    int soundingTones() const { return sounding_.load(std::memory_order_relaxed); }

  private:
    struct Tone {
        int note = -1; // -1: silent
        double frequency = 0.0;
        std::uint64_t n = 0;          // samples since the key's press
        std::uint64_t releasedAt = 0; // n at the release; 0 while held
        bool released = false;
    };
    struct Shape {
        WaveData wave{};
        // The harmonics whose coefficient is not 0, lowest first: the others add nothing.
        std::array<std::uint8_t, harmonicCount> sounding{};
        std::size_t soundingCount = 0;
        bool set = false;
    };

    void apply(const LiveEvent& event);
    // The tone's sample at its n with `wave`, before the fades.
    double sample(const Tone& tone, const Shape& shape) const;
    double gain(const Tone& tone) const;
    void takeNewWave();

    const double rate_;
    const double ceiling_;
    const std::size_t fadeLength_;

    // Audio thread.
    std::array<Tone, toneCount> tones_;
    Shape current_;
    Shape previous_; // the wave the block crossfades from
    bool crossfade_ = false;
    std::atomic<int> sounding_{0};

    // A triple buffer from the control thread: it writes slots_[back_] and swaps it with the
    // shared middle one (with the fresh bit); the audio thread swaps its front one for a fresh
    // middle one.
    static constexpr unsigned fresh = 4;
    std::array<Shape, 3> slots_;
    unsigned back_ = 0;  // control thread
    unsigned front_ = 1; // audio thread
    std::atomic<unsigned> middle_{2};
};

} // namespace vorel
