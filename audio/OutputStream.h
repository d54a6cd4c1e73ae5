#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

namespace vorel {

class Mixer;

// One open stream to one sound server, calling the mixer attached to it on the server's audio
// thread (silence until one is). Made, attached and destroyed on the control thread; destroying
// it stops the calls before it returns.
class OutputStream {
  public:
    virtual ~OutputStream() = default;
    virtual double rate() const = 0;
    // The frames of one block as the server asks for them (JACK's period; PulseAudio's request).
    virtual std::size_t blockFrames() const = 0;
    // The frames the server queues between the mixer and what is heard.
    virtual std::size_t queuedFrames() const = 0;
    // A JACK MIDI input port is read in the audio callback.
    virtual bool hasMidiPort() const = 0;
    // Any thread: the server went away or failed the stream; the stream plays no more.
    bool lost() const { return lost_.load(std::memory_order_acquire); }

    void attach(Mixer* mixer) { mixer_.store(mixer, std::memory_order_release); }

  protected:
    std::atomic<Mixer*> mixer_{nullptr};
    std::atomic<bool> lost_{false};
};

// A JACK client named `name` (never starting a server): an audio output port "out", connected to
// the physical playback ports, and a MIDI input port "midi_in". Null, with `why`, when no server
// answers.
std::unique_ptr<OutputStream> openJackStream(const std::string& name, std::string& why);

// A PulseAudio playback stream of 32-bit float mono at 44100 Hz with a short queue, on a
// threaded main loop. Null, with `why`, when no server answers.
std::unique_ptr<OutputStream> openPulseStream(const std::string& name, std::string& why);

} // namespace vorel
