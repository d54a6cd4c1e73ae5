#include "support/JackProbe.h"

#include <jack/midiport.h>

#include <algorithm>

namespace vorel::test {

std::string JackProbe::open(const std::string& program) {
    close();
    sender_ = jack_client_open("vorel-test-sender", JackNoStartServer, nullptr);
    recorder_ = jack_client_open("vorel-test-recorder", JackNoStartServer, nullptr);
    if (sender_ == nullptr || recorder_ == nullptr)
        return "the test's JACK clients could not be opened";
    midiOut_ = jack_port_register(sender_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    audioIn_ = jack_port_register(recorder_, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(sender_, &JackProbe::send, this);
    jack_set_process_callback(recorder_, &JackProbe::record, this);
    if (jack_activate(sender_) != 0 || jack_activate(recorder_) != 0)
        return "the test's JACK clients could not be activated";
    if (jack_connect(sender_, jack_port_name(midiOut_), (program + ":midi_in").c_str()) != 0 ||
        jack_connect(recorder_, (program + ":out").c_str(), jack_port_name(audioIn_)) != 0)
        return "the ports of " + program + " could not be connected";
    return {};
}

void JackProbe::close() {
    for (jack_client_t** client : {&sender_, &recorder_}) {
        if (*client != nullptr)
            jack_client_close(*client);
        *client = nullptr;
    }
}

void JackProbe::freewheel(bool on) {
    if (sender_ == nullptr)
        return;
    jack_set_freewheel(sender_, on ? 1 : 0);
}

double JackProbe::rate() const {
    return jack_get_sample_rate(sender_);
}

void JackProbe::start(std::vector<TimedMidi> events, std::size_t frames, bool fromFirstSound) {
    armed_.store(false);
    // Both callbacks are idle until the take is armed: they read none of this before.
    events_ = std::move(events);
    recorded_.assign(frames, 0.0f);
    fromFirstSound_ = fromFirstSound;
    filled_ = 0;
    lastCycle_ = 0;
    cycles_.store(0);
    done_.store(false);
    gap_.store(false);
    armed_.store(true, std::memory_order_release);
}

int JackProbe::send(jack_nframes_t frames, void* arg) {
    auto* self = static_cast<JackProbe*>(arg);
    void* buffer = jack_port_get_buffer(self->midiOut_, frames);
    jack_midi_clear_buffer(buffer);
    if (!self->armed_.load(std::memory_order_acquire) || self->done_.load())
        return 0;
    const std::uint64_t cycle = self->cycles_.load(std::memory_order_relaxed);
    const std::uint64_t first = cycle * frames;
    for (const TimedMidi& event : self->events_)
        if (event.frame >= first && event.frame < first + frames)
            jack_midi_event_write(buffer, static_cast<jack_nframes_t>(event.frame - first),
                                  event.bytes.data(), event.bytes.size());
    self->cycles_.store(cycle + 1, std::memory_order_release);
    return 0;
}

int JackProbe::record(jack_nframes_t frames, void* arg) {
    auto* self = static_cast<JackProbe*>(arg);
    const std::uint64_t cycle = self->cycles_.load(std::memory_order_acquire);
    if (!self->armed_.load(std::memory_order_acquire) || cycle == 0 || self->done_.load())
        return 0;
    // The sender has run this cycle as its cycle `cycle`; the recorder saw the one before last.
    if (self->lastCycle_ != 0 && cycle != self->lastCycle_ + 1)
        self->gap_.store(true);
    self->lastCycle_ = cycle;
    const auto* in = static_cast<const float*>(jack_port_get_buffer(self->audioIn_, frames));
    if (self->filled_ == 0 && self->fromFirstSound_ &&
        std::all_of(in, in + frames, [](float s) { return s == 0.0f; }))
        return 0;
    const std::size_t count = std::min<std::size_t>(frames, self->recorded_.size() - self->filled_);
    std::copy_n(in, count, self->recorded_.begin() + static_cast<std::ptrdiff_t>(self->filled_));
    self->filled_ += count;
    if (self->filled_ == self->recorded_.size())
        self->done_.store(true, std::memory_order_release);
    return 0;
}

} // namespace vorel::test
