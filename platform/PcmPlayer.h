#pragma once

#include "platform/LiveControl.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <span>

namespace vorel {

// The one piece of code that talks to the audio device. Plays signed 16-bit mono samples at
// 44100 Hz straight from where they lie: the caller keeps the samples alive and unchanged while
// they play (stop() first before rewriting them). One sound at a time: a new play stops the one
// that plays. Signals arrive on the thread that owns the player (the GUI thread).
class PcmPlayer : public QObject, public LiveControl {
    Q_OBJECT
  public:
    explicit PcmPlayer(QObject* parent = nullptr);
    ~PcmPlayer() override; // silences at once

    // Starts playing and returns at once. An empty span plays nothing and returns true.
    // Returns false when no output device could be opened.
    bool play(std::span<const std::int16_t> samples);
    void stop();
    bool isPlaying() const;
    // True while the sound that plays reads from inside `buffer`.
    bool isPlayingFrom(std::span<const std::int16_t> buffer) const;

    // Live playing: this output plays no live voices; "Stop sound" stops the sound that plays.
    void playKey(int, int) override {}
    void allNotesOff() override {}
    void stopSound() override { stop(); }
    void setMasterVolume(double) override {}
    State state() const override;

  signals:
    void started();
    void finished(); // played to its end, or stopped
    // No output device could be opened. Emitted for the first failure only, so a window can
    // say once what is wrong; later failures are silent.
    void deviceUnavailable(const QString& reason);
    // The sound that played broke off: the sound server went away or failed the output. Comes
    // after finished(), once per sound lost. Until a sound plays again, failures to open the
    // output are silent: the user has just been told why nothing is heard.
    void soundStopped(const QString& reason);

  private:
    // Says once that no sound can be played, for `reason`; returns false.
    bool unavailable(const QString& reason);
    // The sink of sound `generation` left its active state: ends the sound when it has played to
    // its end or was lost.
    void sinkStateChanged(quint64 generation);

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace vorel
