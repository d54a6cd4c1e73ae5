#include "audio/AlsaMidiInput.h"

#include <alsa/asoundlib.h>
#include <poll.h>

#include <array>
#include <cstdint>
#include <vector>

namespace vorel {

namespace {

// The thread looks whether it is to stop this often while no event comes.
constexpr int pollMs = 100;

// A sequencer event as the MIDI message it stands for; empty for the others.
std::optional<LiveEvent> liveEvent(const snd_seq_event_t& event) {
    std::array<std::uint8_t, 3> message{};
    switch (event.type) {
    case SND_SEQ_EVENT_NOTEON:
        message = {0x90, event.data.note.note, event.data.note.velocity};
        break;
    case SND_SEQ_EVENT_NOTEOFF:
        message = {0x80, event.data.note.note, 0};
        break;
    case SND_SEQ_EVENT_CONTROLLER:
        message = {0xB0, static_cast<std::uint8_t>(event.data.control.param),
                   static_cast<std::uint8_t>(event.data.control.value)};
        break;
    default:
        return std::nullopt;
    }
    return liveEventFromMidi(0, message);
}

// alsa-lib reports a missing sequencer on stderr; the output says so in its status instead.
void quiet(const char*, int, const char*, int, const char*, ...) {}

} // namespace

struct AlsaMidiInput::Sequencer {
    ~Sequencer() {
        if (handle != nullptr)
            snd_seq_close(handle);
    }
    snd_seq_t* handle = nullptr;
};

std::unique_ptr<AlsaMidiInput> AlsaMidiInput::open(const std::string& name, Deliver deliver,
                                                   std::string& why) {
    snd_lib_error_set_handler(&quiet);
    auto sequencer = std::make_unique<Sequencer>();
    if (snd_seq_open(&sequencer->handle, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) {
        sequencer->handle = nullptr;
        why = "no ALSA sequencer on this machine";
        return nullptr;
    }
    snd_seq_set_client_name(sequencer->handle, name.c_str());
    if (snd_seq_create_simple_port(
            sequencer->handle, "midi_in", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
            SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION) < 0) {
        why = "the ALSA sequencer port could not be made";
        return nullptr;
    }
    return std::unique_ptr<AlsaMidiInput>(
        new AlsaMidiInput(std::move(sequencer), std::move(deliver)));
}

AlsaMidiInput::AlsaMidiInput(std::unique_ptr<Sequencer> sequencer, Deliver deliver)
    : sequencer_(std::move(sequencer)), deliver_(std::move(deliver)), thread_([this] { run(); }) {}

AlsaMidiInput::~AlsaMidiInput() {
    stopping_.store(true);
    thread_.join();
}

void AlsaMidiInput::run() {
    snd_seq_t* seq = sequencer_->handle;
    std::vector<pollfd> fds(static_cast<std::size_t>(snd_seq_poll_descriptors_count(seq, POLLIN)));
    snd_seq_poll_descriptors(seq, fds.data(), static_cast<unsigned>(fds.size()), POLLIN);
    while (!stopping_.load()) {
        if (poll(fds.data(), fds.size(), pollMs) <= 0)
            continue;
        snd_seq_event_t* event = nullptr;
        while (snd_seq_event_input(seq, &event) >= 0 && event != nullptr) {
            if (const auto live = liveEvent(*event))
                deliver_(*live);
        }
    }
}

} // namespace vorel
