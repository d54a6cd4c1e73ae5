#pragma once

#include "platform/LiveControl.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <span>

namespace vorel {

// The windows' side of the program's one audio output (audio/AudioOutput.h). Plays signed 16-bit
// mono samples at 44100 Hz, mixed with the live voices. The caller keeps the samples alive while
// they play, so that isPlayingFrom can tell; the output plays a copy. One sound at a time, in the
// whole program: a new play stops the one that plays. Signals arrive on the thread that owns the
// player (the GUI thread).
class PcmPlayer : public QObject, public LiveControl {
    Q_OBJECT
  public:
    explicit PcmPlayer(QObject* parent = nullptr);
    // Before the output is first used: the name of its JACK client and sequencer client.
    static void nameOutput(const QString& program);
    ~PcmPlayer() override; // silences at once

    // Starts playing and returns at once. An empty span plays nothing and returns true.
    // Returns false when no output device could be opened.
    bool play(std::span<const std::int16_t> samples);
    void stop();
    bool isPlaying() const;
    // True while the sound that plays reads from inside `buffer`.
    bool isPlayingFrom(std::span<const std::int16_t> buffer) const;

    // Live playing through the same output: the keys of the computer keyboard, and "Stop
    // sound", which also stops the buffer that plays.
    void playKey(int note, int velocity) override;
    void allNotesOff() override;
    void stopSound() override;
    void setMasterVolume(double volume) override;
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
    // The output's news, on the player's thread: ends the sound when it has played to its end,
    // was replaced, or was lost.
    void outputChanged();

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace vorel
