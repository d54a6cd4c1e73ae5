#pragma once

#include <jack/jack.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vorel::test {

// A MIDI message of three bytes at a frame counted from the first cycle of a take.
struct TimedMidi {
    std::uint32_t frame;
    std::array<std::uint8_t, 3> bytes;
};

// The test's two JACK clients around a program: one sends MIDI into the program's "midi_in" at
// known frames, one records the program's "out". The graph runs the sender, the program and the
// recorder in that order within each cycle, so a cycle's events are heard in that cycle's block.
class JackProbe {
  public:
    JackProbe() = default;
    JackProbe(const JackProbe&) = delete;
    JackProbe& operator=(const JackProbe&) = delete;
    ~JackProbe() { close(); }

    // Opens both clients on the server of JACK_DEFAULT_SERVER and connects them to the ports of
    // client `program`. Empty on success, otherwise why not.
    std::string open(const std::string& program);
    void close();
    // While on, the server runs every cycle, as fast as its clients go, and drops none.
    void freewheel(bool on);
    double rate() const;

    // A take: the events sent from the next cycle on, and `frames` recorded from that cycle on
    // (fromFirstSound: from the first cycle that holds a sample other than 0).
    void start(std::vector<TimedMidi> events, std::size_t frames, bool fromFirstSound = false);
    bool done() const { return done_.load(std::memory_order_acquire); }
    // After done(): what was recorded, and whether every cycle of the take was.
    const std::vector<float>& recorded() const { return recorded_; }
    bool everyCycle() const { return !gap_.load(std::memory_order_acquire); }

  private:
    static int send(jack_nframes_t frames, void* arg);
    static int record(jack_nframes_t frames, void* arg);

    jack_client_t* sender_ = nullptr;
    jack_client_t* recorder_ = nullptr;
    jack_port_t* midiOut_ = nullptr;
    jack_port_t* audioIn_ = nullptr;

    std::vector<TimedMidi> events_;
    std::vector<float> recorded_;
    bool fromFirstSound_ = false;
    std::size_t filled_ = 0;               // recorder thread
    std::uint64_t lastCycle_ = 0;          // recorder thread
    std::atomic<bool> armed_{false};       // the sender starts the take at its next cycle
    std::atomic<std::uint64_t> cycles_{0}; // the sender's cycles of the take so far
    std::atomic<bool> done_{false};
    std::atomic<bool> gap_{false};
};

} // namespace vorel::test
