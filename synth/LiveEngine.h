#pragma once

#include "common/Evaluation.h"
#include "common/WaveData.h"
#include "synth/SoundSettings.h"
#include "synth/StreamingVoice.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace vorel {

enum class LiveEventKind : std::uint8_t {
    noteOn,      // note, value = velocity 1..127 (0 is a note-off)
    noteOff,     // note
    sustain,     // value = the pedal's controller value: 64 and above hold released notes
    allNotesOff, // every note goes on with its release
    allSoundOff, // every voice fades out at once
};

// Something that happens to the live engine at a frame of the block being rendered.
struct LiveEvent {
    std::uint32_t frame = 0; // within the block; frames past its end take effect at its end
    LiveEventKind kind = LiveEventKind::noteOn;
    std::uint8_t note = 0;  // MIDI note number: 33 + k is key k of the grid
    std::uint8_t value = 0; // velocity or controller value, 0..127
};

// A MIDI channel message (status byte first) on any channel as an event at `frame`; nothing for
// the messages the engine does not play (pitch bend and the modulation wheel among them).
std::optional<LiveEvent> liveEventFromMidi(std::uint32_t frame,
                                           std::span<const std::uint8_t> message);

// The polyphonic synthesizer as keys are played: a fixed pool of voices, each a streaming voice
// of the settings and the wave it started with, rendered block by block into a mix.
//
// Threads: render and the functions marked so run on the audio thread and never allocate, lock,
// touch a file or call the system; setSound and setMasterVolume run on one control thread. A sound
// is handed over as an immutable snapshot, made and freed on the control thread.
class LiveEngine {
  public:
    static constexpr int voiceCount = 128;

    // rate: samples per second; maxBlockFrames: the longest block render is given.
    LiveEngine(double rate, std::size_t maxBlockFrames, Evaluation evaluation = Evaluation::fast);
    ~LiveEngine();
    LiveEngine(const LiveEngine&) = delete;
    LiveEngine& operator=(const LiveEngine&) = delete;

    // Control thread: the settings and wave of the notes started from the next block on.
    void setSound(const SoundSettings& settings, const WaveData& wave);
    // Control thread: the factor of the whole mix (1.0 at start).
    void setMasterVolume(double volume) { masterVolume_.store(volume, std::memory_order_relaxed); }
    // Before rendering starts: the fast evaluation's vector unit (the widest this machine has
    // unless chosen here).
    void setVectorUnit(VectorUnit unit) { vectorUnit_ = unit; }
    // Before rendering starts: whether render clips the output to -1.0 .. 1.0 (it does unless
    // told here; a host that takes float samples wants them as they are).
    void setClipping(bool clipping) { clipping_ = clipping; }

    // Audio thread: the next block. The events, in frame order, take effect at their frames. out
    // gets the mix times the master volume, clipped to -1.0 .. 1.0 unless clipping is off.
    void render(std::span<const LiveEvent> events, std::span<float> out);

    // Audio thread: the mix of the last block before the volume and the clipping (the last
    // piece of at most maxBlockFrames when the block was longer).
    std::span<const double> mix() const { return std::span<const double>(mix_).first(mixLength_); }

    // Any thread: the voices that sounded at the end of the last block, and the output samples
    // clipped since the start (with clipping off, none).
    int soundingVoices() const { return soundingVoices_.load(std::memory_order_relaxed); }
    std::uint64_t clippedSamples() const { return clippedSamples_.load(std::memory_order_relaxed); }

    double rate() const { return rate_; }
    // Samples of the fade of a stolen voice and of all sound off: round(0.005 * rate).
    std::size_t fadeLength() const { return fadeLength_; }

  private:
    struct Snapshot;
    // One sounding note; a slot of the pool holds the note it plays and a stolen note fading out.
    struct Playing {
        StreamingVoice voice;
        Snapshot* sound = nullptr; // nullptr: nothing plays
        double gain = 0.0;
        int note = 0;
        bool keyDown = false;         // the key is down
        bool sustained = false;       // the key is up, the pedal holds the note
        std::uint64_t startedAt = 0;  // engine frame of the note-on
        std::uint64_t releasedAt = 0; // engine frame of the release, while released
        std::size_t fadeLeft = 0;     // samples of its fade still to play; 0: not fading
    };
    struct Slot {
        Playing note;
        Playing fading;
    };

    void takeNewSound();
    // Frames [offset, offset + frames) of the block, with the events that fall in them.
    void renderPiece(std::span<const LiveEvent> events, std::size_t offset, std::size_t frames);
    void renderVoices(std::size_t from, std::size_t to);
    // Adds the voice's samples [0, count) times its gain (and fade) into the mix from `at` on; ends
    // it where it is over.
    void addVoice(Playing& playing, std::size_t at, std::size_t count);
    void apply(const LiveEvent& event);
    void noteOn(int note, int velocity);
    void noteOff(int note);
    void releaseVoice(Playing& playing);
    void fadeOut(Playing& playing);
    void endVoice(Playing& playing);
    Slot& slotForNewNote();
    // Audio thread: says the sound is done with once a newer one is taken and no voice plays it.
    static void retireIfDone(Snapshot* sound);
    // Control thread: frees the snapshots the audio thread has finished with.
    void freeRetiredSounds();

    const double rate_;
    const std::size_t maxBlockFrames_;
    const Evaluation evaluation_;
    VectorUnit vectorUnit_;
    bool clipping_ = true;
    const std::size_t fadeLength_;
    std::atomic<double> masterVolume_{1.0};

    // Audio thread.
    std::array<Slot, voiceCount> slots_;
    StreamingScratch scratch_;
    std::vector<double> mix_;        // maxBlockFrames_
    std::vector<double> voiceBlock_; // maxBlockFrames_
    std::size_t mixLength_ = 0;
    Snapshot* current_ = nullptr;
    bool pedalDown_ = false;
    std::uint64_t clock_ = 0;    // engine frames rendered before the current piece
    std::size_t pieceFrame_ = 0; // the frame within the current piece
    std::atomic<int> soundingVoices_{0};
    std::atomic<std::uint64_t> clippedSamples_{0};

    // Handed from the control thread to the audio thread.
    std::atomic<Snapshot*> pending_{nullptr};
    // Control thread: every snapshot not freed yet.
    std::vector<std::unique_ptr<Snapshot>> snapshots_;
};

} // namespace vorel
