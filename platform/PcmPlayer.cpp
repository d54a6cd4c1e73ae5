#include "platform/PcmPlayer.h"

#include "common/Pcm.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>

#include <algorithm>
#include <cstring>
#include <functional>

namespace vorel {

namespace {

constexpr qint64 bytesPerSample = 2;

// How much sound the server keeps queued ahead of what is heard: enough that a busy window
// thread does not starve the output (0.3 s), small enough to start at once.
constexpr qint64 queueBytes = sampleRate * bytesPerSample * 3 / 10;

// The sink says it has run dry as soon as the last bytes have been handed to the server, not
// when they have been heard, and stopping it then would drop whatever is still queued. So the
// samples are followed by silence as long as the queue plus this margin for the output's own
// delay (0.2 s): once the silence has been handed over too, every real sample has been heard.
constexpr qint64 outputDelayBytes = sampleRate * bytesPerSample / 5;

// Reads the caller's samples where they lie, a piece at a time as the sink asks for them, then
// the trailing silence. Never writes, never copies the whole span.
class SpanReader final : public QIODevice {
  public:
    explicit SpanReader(std::span<const std::int16_t> samples)
        : bytes_(reinterpret_cast<const char*>(samples.data())),
          sampleBytes_(static_cast<qint64>(samples.size_bytes())) {}

    void setTrailingSilence(qint64 bytes) { silenceBytes_ = bytes; }
    // Everything, silence included, has been read.
    bool exhausted() const { return position_ >= totalBytes(); }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override {
        return totalBytes() - position_ + QIODevice::bytesAvailable();
    }
    bool atEnd() const override { return exhausted() && QIODevice::bytesAvailable() == 0; }

  protected:
    qint64 readData(char* data, qint64 maxSize) override {
        qint64 done = 0;
        if (position_ < sampleBytes_) {
            done = std::min(maxSize, sampleBytes_ - position_);
            std::memcpy(data, bytes_ + position_, static_cast<std::size_t>(done));
            position_ += done;
        }
        if (done < maxSize && position_ >= sampleBytes_) {
            const qint64 silence = std::min(maxSize - done, totalBytes() - position_);
            std::memset(data + done, 0, static_cast<std::size_t>(silence));
            position_ += silence;
            done += silence;
        }
        return done;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    qint64 totalBytes() const { return sampleBytes_ + silenceBytes_; }

    const char* bytes_;
    qint64 sampleBytes_;
    qint64 silenceBytes_ = 0;
    qint64 position_ = 0; // bytes read so far
};

QAudioFormat pcmFormat() {
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

// Whether two spans share a sample. std::less gives a total order even for pointers into
// different arrays.
bool overlaps(std::span<const std::int16_t> a, std::span<const std::int16_t> b) {
    if (a.empty() || b.empty())
        return false;
    const std::less<const std::int16_t*> before;
    return before(a.data(), b.data() + b.size()) && before(b.data(), a.data() + a.size());
}

// Why a sink stopped on its own, for the user; empty when it was not a failure. A sound server
// that dies (or is restarted) takes its streams with it, and Qt stops the sink with a fatal
// error; a failed write is an I/O error.
QString lossReason(QAudio::Error error) {
    switch (error) {
    case QAudio::FatalError:
        return PcmPlayer::tr("the sound server went away.");
    case QAudio::IOError:
        return PcmPlayer::tr("the audio output failed.");
    default:
        return {};
    }
}

} // namespace

struct PcmPlayer::Impl {
    // Declared before the sink, so that the sink, which reads from it, goes first.
    std::unique_ptr<SpanReader> reader;
    std::unique_ptr<QAudioSink> sink;      // the sound that plays; null when quiet
    std::span<const std::int16_t> samples; // what it plays
    // Counts the sounds started and stopped, so that news from a sink that is gone is ignored.
    quint64 generation = 0;
    bool reportedUnavailable = false;
    bool lossReported = false; // soundStopped was emitted and no sound has started since

    // Silences the sink at once and lets it go. False when nothing played.
    bool release() {
        ++generation;
        if (!sink)
            return false;
        sink->disconnect();
        sink->reset(); // drops what the server still holds
        sink->stop();
        sink.reset();
        reader.reset();
        samples = {};
        return true;
    }
};

PcmPlayer::PcmPlayer(QObject* parent) : QObject(parent), impl_(std::make_unique<Impl>()) {}

// No signal on the way out: whoever listens may be going away too.
PcmPlayer::~PcmPlayer() {
    impl_->release();
}

bool PcmPlayer::unavailable(const QString& reason) {
    if (!impl_->reportedUnavailable && !impl_->lossReported) {
        impl_->reportedUnavailable = true;
        emit deviceUnavailable(reason);
    }
    return false;
}

void PcmPlayer::sinkStateChanged(quint64 generation) {
    if (generation != impl_->generation || !impl_->sink)
        return;
    const QAudio::State now = impl_->sink->state();
    // Idle with something left to read is a brief underrun; the sink goes on.
    if (now != QAudio::StoppedState && !(now == QAudio::IdleState && impl_->reader->exhausted()))
        return;
    const QString lost = lossReason(impl_->sink->error());
    stop();
    if (!lost.isEmpty()) {
        impl_->lossReported = true;
        emit soundStopped(lost);
    }
}

bool PcmPlayer::play(std::span<const std::int16_t> samples) {
    stop();
    if (samples.empty())
        return true;

    // Looked up for every sound, so that a sound server that came back after a loss is used.
    // Qt 6.4 reconnects to the server by itself once, three seconds after losing it; until then,
    // and for good when no server answers then, the output cannot be opened.
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return unavailable(tr("No audio output device is available."));
    const QAudioFormat format = pcmFormat();
    if (!device.isFormatSupported(format))
        return unavailable(
            tr("The audio output device \"%1\" cannot play 16-bit mono sound at 44100 Hz.")
                .arg(device.description()));

    auto reader = std::make_unique<SpanReader>(samples);
    reader->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    auto sink = std::make_unique<QAudioSink>(device, format);
    sink->setBufferSize(queueBytes);
    const quint64 generation = ++impl_->generation;
    // The sink may report from the sound server's thread; the end is handled on ours, after
    // the report has been delivered.
    connect(sink.get(), &QAudioSink::stateChanged, this, [this, generation](QAudio::State state) {
        if (state == QAudio::ActiveState)
            return;
        QMetaObject::invokeMethod(
            this, [this, generation] { sinkStateChanged(generation); }, Qt::QueuedConnection);
    });
    sink->start(reader.get());
    if (sink->state() == QAudio::StoppedState || sink->error() != QAudio::NoError) {
        ++impl_->generation;
        sink.reset();
        return unavailable(
            tr("The audio output device \"%1\" could not be opened.").arg(device.description()));
    }
    // The sink has opened its stream but not read yet; the queue size it got is known now.
    reader->setTrailingSilence(std::max<qint64>(sink->bufferSize(), queueBytes) + outputDelayBytes);

    impl_->reader = std::move(reader);
    impl_->sink = std::move(sink);
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
    return impl_->sink != nullptr;
}

LiveControl::State PcmPlayer::state() const {
    State state;
    state.output = QStringLiteral("the system's sound output, 44100 Hz");
    state.midiPorts = QStringLiteral("none");
    state.bufferPlays = isPlaying();
    return state;
}

bool PcmPlayer::isPlayingFrom(std::span<const std::int16_t> buffer) const {
    return isPlaying() && overlaps(impl_->samples, buffer);
}

} // namespace vorel
