#include "platform/PcmPlayer.h"

#include "audio/AudioOutput.h"

#include <QMetaObject>

#include <functional>

namespace vorel {

namespace {

// Whether two spans share a sample. std::less gives a total order even for pointers into
// different arrays.
bool overlaps(std::span<const std::int16_t> a, std::span<const std::int16_t> b) {
    if (a.empty() || b.empty())
        return false;
    const std::less<const std::int16_t*> before;
    return before(a.data(), b.data() + b.size()) && before(b.data(), a.data() + a.size());
}

} // namespace

struct PcmPlayer::Impl {
    std::uint64_t id = 0;                  // the output's buffer that plays; 0 when quiet
    std::span<const std::int16_t> samples; // what it plays
    int subscription = 0;                  // 0: not listening to the output yet
    bool reportedUnavailable = false;
    bool lossReported = false; // soundStopped was emitted and no sound has started since

    // Silences the sound at once and lets it go. False when nothing played.
    bool release() {
        if (id == 0)
            return false;
        AudioOutput::shared().stop(id);
        id = 0;
        samples = {};
        return true;
    }
};

void PcmPlayer::nameOutput(const QString& program) {
    AudioOutput::setClientName(program.toStdString());
}

PcmPlayer::PcmPlayer(QObject* parent) : QObject(parent), impl_(std::make_unique<Impl>()) {}

// No signal on the way out: whoever listens may be going away too.
PcmPlayer::~PcmPlayer() {
    impl_->release();
    if (impl_->subscription != 0)
        AudioOutput::shared().unsubscribe(impl_->subscription);
}

bool PcmPlayer::unavailable(const QString& reason) {
    if (!impl_->reportedUnavailable && !impl_->lossReported) {
        impl_->reportedUnavailable = true;
        emit deviceUnavailable(reason);
    }
    return false;
}

void PcmPlayer::outputChanged() {
    if (impl_->id == 0)
        return;
    const AudioOutput::BufferState state = AudioOutput::shared().state(impl_->id);
    if (state == AudioOutput::BufferState::playing)
        return;
    impl_->id = 0;
    impl_->samples = {};
    emit finished();
    if (state == AudioOutput::BufferState::lost) {
        impl_->lossReported = true;
        emit soundStopped(tr("the sound server went away."));
    }
}

bool PcmPlayer::play(std::span<const std::int16_t> samples) {
    stop();
    if (samples.empty())
        return true;

    // The output is opened on first use, and opens again by itself when its server comes back.
    AudioOutput& output = AudioOutput::shared();
    if (impl_->subscription == 0)
        // The output's thread tells; the news is looked at on ours. A player destroyed before the
        // call arrives takes it away with it.
        impl_->subscription = output.subscribe([this] {
            QMetaObject::invokeMethod(
                this, [this] { outputChanged(); }, Qt::QueuedConnection);
        });
    const std::uint64_t id = output.play(samples);
    if (id == 0)
        return unavailable(tr("No audio output device is available."));
    impl_->id = id;
    impl_->samples = samples;
    impl_->lossReported = false;
    emit started();
    return true;
}

void PcmPlayer::stop() {
    if (impl_->release())
        emit finished();
}

bool PcmPlayer::isPlaying() const {
    return impl_->id != 0;
}

void PcmPlayer::playKey(int note, int velocity) {
    AudioOutput::shared().playLive(velocity > 0 ? LiveEventKind::noteOn : LiveEventKind::noteOff,
                                   note, velocity);
}

void PcmPlayer::allNotesOff() {
    AudioOutput::shared().playLive(LiveEventKind::allNotesOff, 0, 0);
}

void PcmPlayer::stopSound() {
    stop();
    AudioOutput::shared().playLive(LiveEventKind::allSoundOff, 0, 0);
}

void PcmPlayer::setMasterVolume(double volume) {
    AudioOutput::shared().setMasterVolume(volume);
}

namespace {

QString outputText(const AudioStatus& status) {
    if (status.backend == AudioBackend::none)
        return QStringLiteral("none (%1)").arg(QString::fromStdString(status.outputMessage));
    return QStringLiteral("%1, %2 Hz, %3 frames a block")
        .arg(status.backend == AudioBackend::jack ? QStringLiteral("JACK")
                                                  : QStringLiteral("PulseAudio"))
        .arg(status.rate)
        .arg(status.blockFrames);
}

QString midiText(const AudioStatus& status) {
    const QString jack =
        status.jackMidiPort ? QStringLiteral("JACK port midi_in") : QStringLiteral("no JACK port");
    const QString alsa = status.alsaMidiPort ? QStringLiteral("ALSA sequencer port midi_in")
                                             : QStringLiteral("no ALSA sequencer port (%1)")
                                                   .arg(QString::fromStdString(status.midiMessage));
    return jack + QStringLiteral(", ") + alsa;
}

} // namespace

LiveControl::State PcmPlayer::state() const {
    AudioOutput& output = AudioOutput::shared();
    const AudioStatus status = output.status();
    const AudioOutput::Figures figures = output.figures();
    State state;
    state.output = outputText(status);
    state.midiPorts = midiText(status);
    state.liveVoices = figures.liveVoices;
    state.busy = figures.busy;
    state.bufferPlays = isPlaying();
    state.bufferSeconds = figures.bufferSeconds;
    return state;
}

bool PcmPlayer::isPlayingFrom(std::span<const std::int16_t> buffer) const {
    return isPlaying() && overlaps(impl_->samples, buffer);
}

} // namespace vorel
