#include "synth/LiveEngine.h"

#include "synth/SynthConstants.h"

#include <algorithm>
#include <cmath>

namespace vorel {
namespace {

constexpr double highestVelocity = 127.0;
constexpr double voicePeakLevel = 0.5; // no single note passes half of full scale
constexpr int pedalDownFrom = 64;      // sustain pedal values from here on hold the notes
constexpr double fadeSeconds = 0.005;  // a stolen voice, and all sound off, fade out over this

// MIDI status and controller numbers.
constexpr std::uint8_t noteOffStatus = 0x80;
constexpr std::uint8_t noteOnStatus = 0x90;
constexpr std::uint8_t controllerStatus = 0xB0;
constexpr std::uint8_t sustainController = 64;
constexpr std::uint8_t allSoundOffController = 120;
constexpr std::uint8_t allNotesOffController = 123;

// The largest magnitude a voice of the sound can reach, every level being at most 1.0: the
// oscillators times the sum of the wave's coefficients above the threshold. 0.0: never sounds.
double largestMagnitude(const SoundSettings& settings, const WaveData& wave) {
    double sum = 0.0;
    for (double coefficient : wave)
        if (coefficient > coefficientThreshold)
            sum += coefficient;
    return settings.value(Param::oscillatorCount) * sum;
}

} // namespace

std::optional<LiveEvent> liveEventFromMidi(std::uint32_t frame,
                                           std::span<const std::uint8_t> message) {
    if (message.size() < 3)
        return std::nullopt;
    const std::uint8_t status = message[0] & 0xF0; // every channel alike
    const auto first = static_cast<std::uint8_t>(message[1] & 0x7F);
    const auto second = static_cast<std::uint8_t>(message[2] & 0x7F);
    if (status == noteOnStatus && second != 0)
        return LiveEvent{frame, LiveEventKind::noteOn, first, second};
    if (status == noteOnStatus || status == noteOffStatus)
        return LiveEvent{frame, LiveEventKind::noteOff, first, 0};
    if (status != controllerStatus)
        return std::nullopt;
    if (first == sustainController)
        return LiveEvent{frame, LiveEventKind::sustain, 0, second};
    if (first == allSoundOffController)
        return LiveEvent{frame, LiveEventKind::allSoundOff, 0, 0};
    if (first == allNotesOffController)
        return LiveEvent{frame, LiveEventKind::allNotesOff, 0, 0};
    return std::nullopt;
}

// One sound as the notes started after it play it. Made and freed on the control thread; the
// audio thread counts the voices that play it and says when it is done with it.
struct LiveEngine::Snapshot {
    Snapshot(const SoundSettings& settings, const WaveData& wave)
        : sound(settings, wave), largest(largestMagnitude(settings, wave)) {}
    VoiceSound sound;
    double largest; // see largestMagnitude
    // Audio thread only.
    int voices = 0;
    bool replaced = false; // a newer sound was taken
    // Set by the audio thread as the last thing it does with the snapshot.
    std::atomic<bool> retired{false};
};

void LiveEngine::retireIfDone(Snapshot* sound) {
    if (sound->replaced && sound->voices == 0)
        sound->retired.store(true, std::memory_order_release);
}

LiveEngine::LiveEngine(double rate, std::size_t maxBlockFrames, Evaluation evaluation)
    : rate_(rate), maxBlockFrames_(std::max<std::size_t>(1, maxBlockFrames)),
      evaluation_(evaluation), vectorUnit_(bestVectorUnit()),
      fadeLength_(
          static_cast<std::size_t>(std::max<long long>(1, std::llround(fadeSeconds * rate)))),
      mix_(maxBlockFrames_), voiceBlock_(maxBlockFrames_) {}

LiveEngine::~LiveEngine() = default;

void LiveEngine::setSound(const SoundSettings& settings, const WaveData& wave) {
    freeRetiredSounds();
    snapshots_.push_back(std::make_unique<Snapshot>(settings, wave));
    Snapshot* untaken = pending_.exchange(snapshots_.back().get(), std::memory_order_acq_rel);
    // A sound the audio thread never took is no one's.
    if (untaken != nullptr)
        std::erase_if(snapshots_, [untaken](const auto& s) { return s.get() == untaken; });
}

void LiveEngine::freeRetiredSounds() {
    std::erase_if(snapshots_,
                  [](const auto& s) { return s->retired.load(std::memory_order_acquire); });
}

void LiveEngine::takeNewSound() {
    Snapshot* next = pending_.exchange(nullptr, std::memory_order_acq_rel);
    if (next == nullptr)
        return;
    if (current_ != nullptr) {
        current_->replaced = true;
        retireIfDone(current_);
    }
    current_ = next;
}

void LiveEngine::render(std::span<const LiveEvent> events, std::span<float> out) {
    takeNewSound();
    std::size_t next = 0;
    if (out.empty()) {
        mixLength_ = 0;
        for (const LiveEvent& event : events)
            apply(event);
    }
    const double volume = masterVolume_.load(std::memory_order_relaxed);
    std::uint64_t clipped = 0;
    for (std::size_t offset = 0; offset < out.size(); offset += maxBlockFrames_) {
        const std::size_t frames = std::min(maxBlockFrames_, out.size() - offset);
        const bool lastPiece = offset + frames == out.size();
        // The events of this piece, with their frames counted from its start.
        std::size_t end = next;
        while (end < events.size() && (lastPiece || events[end].frame < offset + frames))
            ++end;
        mixLength_ = frames;
        renderPiece(events.subspan(next, end - next), offset, frames);
        if (clipping_) {
            for (std::size_t i = 0; i < frames; ++i) {
                const double level = mix_[i] * volume;
                if (level > 1.0 || level < -1.0)
                    ++clipped;
                out[offset + i] = static_cast<float>(std::clamp(level, -1.0, 1.0));
            }
        } else {
            for (std::size_t i = 0; i < frames; ++i)
                out[offset + i] = static_cast<float>(mix_[i] * volume);
        }
        clock_ += frames;
        next = end;
    }
    int sounding = 0;
    for (const Slot& slot : slots_)
        sounding += (slot.note.sound != nullptr) + (slot.fading.sound != nullptr);
    soundingVoices_.store(sounding, std::memory_order_relaxed);
    clippedSamples_.fetch_add(clipped, std::memory_order_relaxed);
}

void LiveEngine::renderPiece(std::span<const LiveEvent> events, std::size_t offset,
                             std::size_t frames) {
    std::fill_n(mix_.begin(), frames, 0.0);
    std::size_t cursor = 0;
    for (const LiveEvent& event : events) {
        // An event out of order takes effect where the piece has got to.
        const std::size_t frame = std::clamp<std::size_t>(
            event.frame < offset ? 0 : event.frame - offset, cursor, frames);
        renderVoices(cursor, frame);
        cursor = frame;
        pieceFrame_ = frame;
        apply(event);
    }
    renderVoices(cursor, frames);
    pieceFrame_ = 0;
}

void LiveEngine::renderVoices(std::size_t from, std::size_t to) {
    if (from >= to)
        return;
    for (Slot& slot : slots_) {
        if (slot.fading.sound != nullptr)
            addVoice(slot.fading, from, to - from);
        if (slot.note.sound != nullptr)
            addVoice(slot.note, from, to - from);
    }
}

void LiveEngine::addVoice(Playing& playing, std::size_t at, std::size_t count) {
    const bool fading = playing.fadeLeft != 0;
    const std::size_t frames = fading ? std::min(count, playing.fadeLeft) : count;
    const std::span<double> block(voiceBlock_.data(), frames);
    const std::size_t given = playing.voice.render(block, scratch_);
    double* mix = mix_.data() + at;
    const double gain = playing.gain;
    if (fading) {
        // Fade sample j of F is scaled by (F - 1 - j) / F: the last one by 0.0.
        const auto length = static_cast<double>(fadeLength_);
        for (std::size_t i = 0; i < given; ++i)
            mix[i] += block[i] * gain * (static_cast<double>(playing.fadeLeft - 1 - i) / length);
        playing.fadeLeft -= given;
        if (playing.fadeLeft == 0 || given < frames)
            endVoice(playing);
        return;
    }
    for (std::size_t i = 0; i < given; ++i)
        mix[i] += block[i] * gain;
    if (given < frames)
        endVoice(playing);
}

void LiveEngine::apply(const LiveEvent& event) {
    switch (event.kind) {
    case LiveEventKind::noteOn:
        if (event.value == 0)
            noteOff(event.note);
        else
            noteOn(event.note, event.value);
        return;
    case LiveEventKind::noteOff:
        noteOff(event.note);
        return;
    case LiveEventKind::sustain:
        pedalDown_ = event.value >= pedalDownFrom;
        if (!pedalDown_)
            for (Slot& slot : slots_)
                if (slot.note.sound != nullptr && slot.note.sustained)
                    releaseVoice(slot.note);
        return;
    case LiveEventKind::allNotesOff:
        for (Slot& slot : slots_)
            if (slot.note.sound != nullptr && (slot.note.keyDown || slot.note.sustained))
                releaseVoice(slot.note);
        return;
    case LiveEventKind::allSoundOff:
        for (Slot& slot : slots_) {
            if (slot.fading.sound != nullptr)
                fadeOut(slot.fading);
            if (slot.note.sound != nullptr)
                fadeOut(slot.note);
        }
        return;
    }
}

void LiveEngine::noteOn(int note, int velocity) {
    if (current_ == nullptr || current_->largest == 0.0)
        return; // a wave with no sounding coefficient is silent
    // The voice is found first, so that a key pressed again with the pool full does not take
    // its own sounding voice: that one goes on with its release.
    Playing& playing = slotForNewNote().note;
    for (Slot& slot : slots_)
        if (slot.note.sound != nullptr && slot.note.note == note &&
            (slot.note.keyDown || slot.note.sustained))
            releaseVoice(slot.note);
    // The live voices take the harmonics' sines by rotation: the fast path's contract, faster.
    playing.voice.start(current_->sound, keyFrequency(note - midiKeyOffset), rate_, evaluation_,
                        vectorUnit_, HarmonicSines::rotation);
    playing.sound = current_;
    ++current_->voices;
    playing.gain = velocity / highestVelocity * voicePeakLevel / current_->largest;
    playing.note = note;
    playing.keyDown = true;
    playing.sustained = false;
    playing.startedAt = clock_ + pieceFrame_;
    playing.fadeLeft = 0;
}

void LiveEngine::noteOff(int note) {
    for (Slot& slot : slots_) {
        Playing& playing = slot.note;
        if (playing.sound == nullptr || playing.note != note || !playing.keyDown)
            continue;
        if (pedalDown_) {
            playing.keyDown = false;
            playing.sustained = true;
        } else {
            releaseVoice(playing);
        }
    }
}

void LiveEngine::releaseVoice(Playing& playing) {
    playing.keyDown = false;
    playing.sustained = false;
    playing.voice.release();
    playing.releasedAt = clock_ + pieceFrame_;
}

void LiveEngine::fadeOut(Playing& playing) {
    playing.keyDown = false;
    playing.sustained = false;
    if (playing.fadeLeft != 0)
        return; // fading already
    playing.fadeLeft = fadeLength_;
    playing.releasedAt = clock_ + pieceFrame_;
}

void LiveEngine::endVoice(Playing& playing) {
    Snapshot* sound = playing.sound;
    playing.sound = nullptr;
    playing.keyDown = false;
    playing.sustained = false;
    playing.fadeLeft = 0;
    --sound->voices;
    retireIfDone(sound);
}

LiveEngine::Slot& LiveEngine::slotForNewNote() {
    for (Slot& slot : slots_)
        if (slot.note.sound == nullptr)
            return slot;
    // The pool is full: the voice released longest (a fading voice counts from its fade), else
    // the oldest held one, fades out beside the new note.
    Slot* released = nullptr;
    Slot* oldest = nullptr;
    for (Slot& slot : slots_) {
        const Playing& playing = slot.note;
        if (playing.voice.released() || playing.fadeLeft != 0) {
            if (released == nullptr || playing.releasedAt < released->note.releasedAt)
                released = &slot;
        } else if (oldest == nullptr || playing.startedAt < oldest->note.startedAt) {
            oldest = &slot;
        }
    }
    Slot& slot = released != nullptr ? *released : *oldest;
    // A voice stolen before its predecessor's fade is over cuts that fade short.
    if (slot.fading.sound != nullptr)
        endVoice(slot.fading);
    slot.fading = slot.note;
    fadeOut(slot.fading);
    slot.note.sound = nullptr;
    return slot;
}

} // namespace vorel
