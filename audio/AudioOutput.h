#pragma once

#include "common/WaveData.h"
#include "synth/LiveEngine.h"
#include "synth/SoundSettings.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>

namespace vorel {

class AlsaMidiInput;
class Mixer;
class OutputStream;

enum class AudioBackend { none, jack, pulse };

// What the output is and can do now, for the window's Live menu.
struct AudioStatus {
    AudioBackend backend = AudioBackend::none; // none: no server answers
    double rate = 0.0;                         // samples per second
    std::size_t blockFrames = 0;               // frames per block as the server asks for them
    std::size_t queuedFrames = 0;              // the server's queue after the block
    bool jackMidiPort = false;                 // a JACK MIDI input port "midi_in"
    bool alsaMidiPort = false;                 // an ALSA sequencer port "midi_in"
    std::string outputMessage;                 // why there is no output; empty when there is
    std::string midiMessage;                   // why there is no ALSA sequencer port
};

// The one real-time output of the program: JACK when a server answers, PulseAudio otherwise
// (VOREL_AUDIO=jack or pulse picks one and only that one), opened on first use. It mixes the one
// buffer that plays with the live engine's voices, and takes MIDI from its ports. When the
// server goes away the output says so to its listeners and opens again by itself once a server
// answers.
//
// Threads: every function may be called from any thread but the audio thread; the listeners are
// called on the output's own thread.
class AudioOutput {
  public:
    static AudioOutput& shared();
    // Before the first use of shared(): the name of the JACK client and the sequencer client.
    static void setClientName(const std::string& name);
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Plays 16-bit samples at 44100 Hz (copied; resampled when the output runs at another rate)
    // in place of the buffer that plays. Returns the buffer's id, 0 when there is no output.
    std::uint64_t play(std::span<const std::int16_t> samples);
    // Silences buffer `id` if it plays.
    void stop(std::uint64_t id);

    enum class BufferState {
        playing,
        ended, // played to its end and heard, stopped, or replaced by another
        lost,  // the server went away while it played
    };
    BufferState state(std::uint64_t id);

    // The settings and wave of the live notes started from now on.
    void setLiveSound(const SoundSettings& settings, const WaveData& wave);
    // The wave editor's live tone: the keys play `wave` as drawn (synth/LiveTone.h).
    void setLiveTone(const WaveData& wave);

    AudioStatus status();

    // Live playing from the window: a key's event, taking effect at the start of the next block.
    void playLive(LiveEventKind kind, int note, int value);
    // The factor of the live voices (1.0 at start), kept when the output opens again.
    void setMasterVolume(double volume);
    struct Figures {
        int liveVoices = 0;
        double busy = 0.0;          // the share of a block's time its rendering took
        double bufferSeconds = 0.0; // where the buffer that plays is
    };
    Figures figures();

    // `changed` is called whenever a buffer ends or is lost, or the output opens or goes; it
    // must not call back into the output. Returns a handle for unsubscribe, after which it is
    // never called again.
    int subscribe(std::function<void()> changed);
    void unsubscribe(int handle);

  private:
    AudioOutput();
    // With mutex_ held.
    void tryOpen();
    void closeLost();
    bool checkBuffer();
    void run();
    void notify();

    std::mutex mutex_; // every member below; never taken on the audio thread
    std::string name_;
    std::string choice_; // VOREL_AUDIO
    // The mixer outlives the stream that calls it.
    std::unique_ptr<Mixer> mixer_;
    std::unique_ptr<OutputStream> stream_;
    std::unique_ptr<AlsaMidiInput> alsa_;
    AudioStatus status_;
    std::uint64_t lastId_ = 0;
    std::uint64_t playingId_ = 0; // 0: no buffer plays
    std::uint64_t lostId_ = 0;    // the buffer that played when the server went
    std::optional<std::pair<SoundSettings, WaveData>> liveSound_;
    std::optional<WaveData> liveTone_;
    double masterVolume_ = 1.0;
    std::chrono::steady_clock::time_point lastAttempt_;

    std::mutex listenersMutex_;
    std::map<int, std::function<void()>> listeners_;
    int nextHandle_ = 1;

    bool stopping_ = false; // with mutex_
    std::condition_variable wake_;
    std::thread thread_;
};

} // namespace vorel
