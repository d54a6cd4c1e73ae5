#pragma once

#include "synth/LiveEngine.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace vorel {

// An ALSA sequencer client named after the program with one writable port, "midi_in", that any
// patchbay can connect. Its events are handed, on a thread of its own, to `deliver`.
class AlsaMidiInput {
  public:
    using Deliver = std::function<void(const LiveEvent&)>;
    // Null, with `why`, when there is no sequencer (no /dev/snd/seq).
    static std::unique_ptr<AlsaMidiInput> open(const std::string& name, Deliver deliver,
                                               std::string& why);
    ~AlsaMidiInput();
    AlsaMidiInput(const AlsaMidiInput&) = delete;
    AlsaMidiInput& operator=(const AlsaMidiInput&) = delete;

  private:
    struct Sequencer;
    AlsaMidiInput(std::unique_ptr<Sequencer> sequencer, Deliver deliver);
    void run();

    std::unique_ptr<Sequencer> sequencer_;
    Deliver deliver_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace vorel
