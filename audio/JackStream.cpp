#include "audio/Mixer.h"
#include "audio/OutputStream.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace vorel {

namespace {

// libjack reports a missing server on stderr; the output says so in its status instead, and
// retries quietly.
void quiet(const char*) {}

class JackStream final : public OutputStream {
  public:
    ~JackStream() override {
        if (client_ != nullptr)
            jack_client_close(client_);
    }

    bool open(const std::string& name, std::string& why) {
        jack_status_t status{};
        client_ = jack_client_open(name.c_str(), JackNoStartServer, &status);
        if (client_ == nullptr) {
            why = "no JACK server answers";
            return false;
        }
        out_ = jack_port_register(client_, "out", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        midi_ = jack_port_register(client_, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        rate_ = jack_get_sample_rate(client_);
        blockFrames_.store(jack_get_buffer_size(client_), std::memory_order_relaxed);
        jack_set_process_callback(client_, &JackStream::process, this);
        jack_set_buffer_size_callback(client_, &JackStream::bufferSize, this);
        jack_on_info_shutdown(client_, &JackStream::shutdown, this);
        if (out_ == nullptr || jack_activate(client_) != 0) {
            why = "the JACK client could not be activated";
            return false;
        }
        connectToPlayback();
        return true;
    }

    double rate() const override { return rate_; }
    std::size_t blockFrames() const override {
        return blockFrames_.load(std::memory_order_relaxed);
    }
    std::size_t queuedFrames() const override { return 0; }
    bool hasMidiPort() const override { return midi_ != nullptr; }

  private:
    void connectToPlayback() {
        const char** ports = jack_get_ports(client_, nullptr, JACK_DEFAULT_AUDIO_TYPE,
                                            JackPortIsPhysical | JackPortIsInput);
        if (ports == nullptr)
            return;
        for (const char** port = ports; *port != nullptr; ++port)
            jack_connect(client_, jack_port_name(out_), *port);
        jack_free(ports);
    }

    // The JACK MIDI events of the cycle as live events at their frames.
    std::span<const LiveEvent> readMidi(jack_nframes_t frames) {
        std::size_t count = 0;
        if (midi_ == nullptr)
            return {};
        void* buffer = jack_port_get_buffer(midi_, frames);
        const jack_nframes_t events = jack_midi_get_event_count(buffer);
        for (jack_nframes_t i = 0; i < events && count < events_.size(); ++i) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, buffer, i) != 0)
                continue;
            if (const auto live = liveEventFromMidi(event.time, {event.buffer, event.size}))
                events_[count++] = *live;
        }
        return std::span(events_).first(count);
    }

    static int process(jack_nframes_t frames, void* arg) {
        auto* self = static_cast<JackStream*>(arg);
        auto* out = static_cast<float*>(jack_port_get_buffer(self->out_, frames));
        const std::span<const LiveEvent> events = self->readMidi(frames);
        Mixer* mixer = self->mixer_.load(std::memory_order_acquire);
        if (mixer == nullptr)
            std::fill_n(out, frames, 0.0f);
        else
            mixer->render(events, std::span(out, frames));
        return 0;
    }
    static int bufferSize(jack_nframes_t frames, void* arg) {
        static_cast<JackStream*>(arg)->blockFrames_.store(frames, std::memory_order_relaxed);
        return 0;
    }
    static void shutdown(jack_status_t, const char*, void* arg) {
        static_cast<JackStream*>(arg)->lost_.store(true, std::memory_order_release);
    }

    jack_client_t* client_ = nullptr;
    jack_port_t* out_ = nullptr;
    jack_port_t* midi_ = nullptr;
    double rate_ = 0.0;
    std::atomic<std::size_t> blockFrames_{0};
    std::array<LiveEvent, Mixer::maxEventsPerBlock> events_{};
};

} // namespace

std::unique_ptr<OutputStream> openJackStream(const std::string& name, std::string& why) {
    jack_set_error_function(&quiet);
    jack_set_info_function(&quiet);
    auto stream = std::make_unique<JackStream>();
    if (!stream->open(name, why))
        return nullptr;
    return stream;
}

} // namespace vorel
