#pragma once

#include <QString>

namespace vorel {

// What a window plays live and what it shows of it: the keys of the computer keyboard, the Live
// menu's commands and the status line's figures. The window calls it on its own thread.
class LiveControl {
  public:
    virtual ~LiveControl() = default;

    // A key goes down (`velocity` 1..127) or up (velocity 0): MIDI note `note`.
    virtual void playKey(int note, int velocity) = 0;
    // Every live note goes on with its release.
    virtual void allNotesOff() = 0;
    // Every sound of the program stops at once: the buffer that plays and every live voice.
    virtual void stopSound() = 0;
    // The factor of the whole live mix, 0..1.
    virtual void setMasterVolume(double volume) = 0;

    struct State {
        QString output;     // the output in use: "JACK, 48000 Hz, 256 frames a block"
        QString midiPorts;  // the MIDI ports and whether each is there, one a line
        int liveVoices = 0; // voices that sound now
        double busy = 0.0;  // the share of each block's time the engine takes, 0..1
        bool bufferPlays = false;
        double bufferSeconds = 0.0; // where the buffer that plays is, in seconds
    };
    virtual State state() const = 0;
};

} // namespace vorel
