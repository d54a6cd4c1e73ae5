#include "audio/AudioOutput.h"

#include "audio/AlsaMidiInput.h"
#include "audio/Mixer.h"
#include "audio/OutputStream.h"
#include "audio/Resampler.h"

#include <cstdlib>

namespace vorel {

namespace {

// How often the output's thread looks at the stream: the delay of the word that a buffer ended.
constexpr auto lookEvery = std::chrono::milliseconds(5);
// How often a lost or missing server is asked for again.
constexpr auto retryEvery = std::chrono::milliseconds(250);

std::string& clientName() {
    static std::string name = "vorel";
    return name;
}

} // namespace

AudioOutput& AudioOutput::shared() {
    static AudioOutput output;
    return output;
}

void AudioOutput::setClientName(const std::string& name) {
    clientName() = name;
}

AudioOutput::AudioOutput() : name_(clientName()) {
    if (const char* choice = std::getenv("VOREL_AUDIO"))
        choice_ = choice;
    std::lock_guard lock(mutex_);
    // Without a sequencer no MIDI comes but the JACK port's; the events reach the mixer of the
    // moment.
    alsa_ = AlsaMidiInput::open(
        name_,
        [this](const LiveEvent& event) {
            std::lock_guard inner(mutex_);
            if (mixer_ != nullptr)
                mixer_->pushEvent(event);
        },
        status_.midiMessage);
    status_.alsaMidiPort = alsa_ != nullptr;
    tryOpen();
    thread_ = std::thread([this] { run(); });
}

AudioOutput::~AudioOutput() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
    alsa_.reset();
    stream_.reset();
    mixer_.reset();
}

void AudioOutput::tryOpen() {
    lastAttempt_ = std::chrono::steady_clock::now();
    std::string jackWhy;
    std::string pulseWhy;
    AudioBackend backend = AudioBackend::none;
    if (choice_ != "pulse" && (stream_ = openJackStream(name_, jackWhy)))
        backend = AudioBackend::jack;
    else if (choice_ != "jack" && (stream_ = openPulseStream(name_, pulseWhy)))
        backend = AudioBackend::pulse;
    if (!stream_) {
        status_.backend = AudioBackend::none;
        status_.outputMessage = choice_ == "jack"    ? jackWhy
                                : choice_ == "pulse" ? pulseWhy
                                                     : jackWhy + "; " + pulseWhy;
        return;
    }
    mixer_ = std::make_unique<Mixer>(stream_->rate(), stream_->queuedFrames());
    if (liveSound_)
        mixer_->live().setSound(liveSound_->first, liveSound_->second);
    mixer_->live().setMasterVolume(masterVolume_);
    if (liveTone_)
        mixer_->tone().setWave(*liveTone_);
    stream_->attach(mixer_.get());
    status_.backend = backend;
    status_.rate = stream_->rate();
    status_.blockFrames = stream_->blockFrames();
    status_.queuedFrames = stream_->queuedFrames();
    status_.jackMidiPort = stream_->hasMidiPort();
    status_.outputMessage.clear();
}

void AudioOutput::closeLost() {
    stream_.reset();
    mixer_.reset();
    // A server on its way out may still take a client before it goes, and lose it at once: the
    // buffer that played when the sound first went stays the lost one until another plays.
    if (playingId_ != 0)
        lostId_ = playingId_;
    playingId_ = 0;
    // The server that just went is asked again only after a while, not while it shuts down.
    lastAttempt_ = std::chrono::steady_clock::now();
    status_ = AudioStatus{
        AudioBackend::none, 0.0, 0, 0, false, status_.alsaMidiPort, "the sound server went away",
        status_.midiMessage};
}

bool AudioOutput::checkBuffer() {
    if (playingId_ == 0 || mixer_ == nullptr || !mixer_->bufferEnded(playingId_))
        return false;
    playingId_ = 0;
    return true;
}

void AudioOutput::run() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        wake_.wait_for(lock, lookEvery);
        bool changed = checkBuffer();
        if (stream_ != nullptr && stream_->lost()) {
            closeLost();
            changed = true;
        } else if (stream_ == nullptr &&
                   std::chrono::steady_clock::now() - lastAttempt_ >= retryEvery) {
            tryOpen();
            changed = stream_ != nullptr;
        }
        if (changed) {
            lock.unlock();
            notify();
            lock.lock();
        }
    }
}

void AudioOutput::notify() {
    std::lock_guard lock(listenersMutex_);
    for (const auto& [handle, changed] : listeners_)
        changed();
}

std::uint64_t AudioOutput::play(std::span<const std::int16_t> samples) {
    std::lock_guard lock(mutex_);
    if (stream_ == nullptr || stream_->lost())
        return 0;
    playingId_ = ++lastId_;
    lostId_ = 0;
    mixer_->play(bufferAtRate(samples, mixer_->rate()), playingId_);
    return playingId_;
}

void AudioOutput::stop(std::uint64_t id) {
    std::lock_guard lock(mutex_);
    if (id == 0 || id != playingId_)
        return;
    playingId_ = 0;
    if (mixer_ != nullptr)
        mixer_->stop();
}

AudioOutput::BufferState AudioOutput::state(std::uint64_t id) {
    std::lock_guard lock(mutex_);
    if (id != 0 && id == lostId_)
        return BufferState::lost;
    if (id != 0 && id == playingId_ && !checkBuffer())
        return BufferState::playing;
    return BufferState::ended;
}

void AudioOutput::setLiveSound(const SoundSettings& settings, const WaveData& wave) {
    std::lock_guard lock(mutex_);
    liveSound_.emplace(settings, wave);
    if (mixer_ != nullptr)
        mixer_->live().setSound(settings, wave);
}

void AudioOutput::playLive(LiveEventKind kind, int note, int value) {
    std::lock_guard lock(mutex_);
    if (mixer_ != nullptr)
        mixer_->pushControlEvent(
            LiveEvent{0, kind, static_cast<std::uint8_t>(note), static_cast<std::uint8_t>(value)});
}

void AudioOutput::setMasterVolume(double volume) {
    std::lock_guard lock(mutex_);
    masterVolume_ = volume;
    if (mixer_ != nullptr)
        mixer_->live().setMasterVolume(volume);
}

AudioOutput::Figures AudioOutput::figures() {
    std::lock_guard lock(mutex_);
    if (mixer_ == nullptr)
        return {};
    return {mixer_->live().soundingVoices() + mixer_->tone().soundingTones(), mixer_->busy(),
            static_cast<double>(mixer_->bufferPosition()) / mixer_->rate()};
}

void AudioOutput::setLiveTone(const WaveData& wave) {
    std::lock_guard lock(mutex_);
    liveTone_ = wave;
    if (mixer_ != nullptr)
        mixer_->tone().setWave(wave);
}

AudioStatus AudioOutput::status() {
    std::lock_guard lock(mutex_);
    return status_;
}

int AudioOutput::subscribe(std::function<void()> changed) {
    std::lock_guard lock(listenersMutex_);
    listeners_.emplace(nextHandle_, std::move(changed));
    return nextHandle_++;
}

void AudioOutput::unsubscribe(int handle) {
    std::lock_guard lock(listenersMutex_);
    listeners_.erase(handle);
}

} // namespace vorel
