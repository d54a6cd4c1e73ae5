#pragma once

#include "audio/SpscQueue.h"
#include "synth/LiveEngine.h"
#include "synth/LiveTone.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace vorel {

// What the output plays in each block: the one buffer that plays (a preview, the rendering, a key
// tone), with the live engine's voices over it, in 32-bit float.
//
// Threads: render runs on the audio thread and never allocates, locks or waits; play, stop,
// bufferEnded and live().setSound run on the control thread (one at a time); pushEvent on the one
// MIDI thread that has no frames of its own.
class Mixer {
  public:
    // rate: the output's; drainFrames: how long a buffer counts as playing after its last
    // sample was handed over (the server's queue): the samples are heard by then.
    Mixer(double rate, std::size_t drainFrames);
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    double rate() const { return live_.rate(); }
    LiveEngine& live() { return live_; }
    // The wave editor's tone, played by the same events over the live engine's voices.
    LiveTone& tone() { return tone_; }

    // Control thread: plays `samples` (already at the output's rate) in place of the buffer that
    // plays, from the next block on. `id` names it for bufferEnded.
    void play(std::vector<float> samples, std::uint64_t id);
    // Control thread: silences the buffer that plays from the next block on.
    void stop();
    // Control thread: buffer `id` was played to its end and drained.
    bool bufferEnded(std::uint64_t id);

    // The MIDI thread without frames: an event for the start of the next block. False when the
    // queue is full and the event is dropped.
    bool pushEvent(const LiveEvent& event) { return midiQueue_.push(event); }
    // The control thread: the same for the keys played in the window.
    bool pushControlEvent(const LiveEvent& event) { return controlQueue_.push(event); }

    // Any thread: where the buffer that plays is, in frames at the output's rate (0 when none
    // plays), and the share of the last block's time its rendering took.
    std::size_t bufferPosition() const { return bufferPosition_.load(std::memory_order_relaxed); }
    double busy() const { return busy_.load(std::memory_order_relaxed); }

    // Audio thread: the next block. `events` (frames within the block, in order) go to the live
    // engine after those pushed since the last block.
    void render(std::span<const LiveEvent> events, std::span<float> out);

    static constexpr std::size_t maxEventsPerBlock = 1024;

  private:
    struct Track;
    void takePending();
    void takeEvents(std::span<const LiveEvent> events);
    void mixBuffer(std::span<float> out);
    void freeRetired();

    const std::size_t drainFrames_;
    LiveEngine live_;
    LiveTone tone_;
    SpscQueue<LiveEvent, 1024> midiQueue_;
    SpscQueue<LiveEvent, 1024> controlQueue_;
    std::atomic<std::size_t> bufferPosition_{0};
    std::atomic<double> busy_{0.0};

    // Audio thread.
    Track* current_ = nullptr;
    std::vector<LiveEvent> events_; // maxEventsPerBlock, reserved

    // Handed from the control thread to the audio thread; stopMarker_ says silence.
    std::atomic<Track*> pending_{nullptr};
    // Control thread: every track not freed yet.
    std::vector<std::unique_ptr<Track>> tracks_;
    Track* stopMarker_;
};

} // namespace vorel
