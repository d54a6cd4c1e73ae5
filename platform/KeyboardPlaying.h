#pragma once

#include <QObject>

#include <functional>
#include <map>
#include <optional>

class QKeyEvent;
class QWidget;

namespace vorel {

// The computer keyboard as two rows of a piano, by key position (the same keys on any layout):
// Z S X D C V G B H N J M play C to B from `lowestNote`, Q 2 W 3 E R 5 T 6 Y 7 U the octave above;
// "-" and "=" move both rows by an octave. Keys play while the window is active and no dialog is
// open (a dialog takes the keys for itself); auto-repeat is ignored, keys held with Ctrl, Alt or
// Meta are left to the shortcuts, and every held key is released when the window loses focus.
// Escape asks for every sound to stop.
class KeyboardPlaying : public QObject {
    Q_OBJECT
  public:
    // `play` gets a MIDI note and a velocity, 0 for a release.
    using Play = std::function<void(int note, int velocity)>;
    static constexpr int startNote = 48; // C3
    static constexpr int velocity = 100;

    KeyboardPlaying(QWidget* window, Play play);
    ~KeyboardPlaying() override;

    int lowestNote() const { return lowestNote_; }
    // Moves both rows to start at `note` (a C from 0 to 96), releasing nothing.
    void setLowestNote(int note);
    void octaveDown() { setLowestNote(lowestNote_ - 12); }
    void octaveUp() { setLowestNote(lowestNote_ + 12); }
    void releaseAll();

    // Semitones above the lower row's C that a key plays (0..23), from its native scan code
    // (X11 key codes) or, where the platform gives none, from the key of a US layout.
    static std::optional<int> pianoKeyOf(quint32 nativeScanCode, int key);

  signals:
    void lowestNoteChanged(int note);
    void stopRequested();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool keyEvent(QKeyEvent* event, bool down);
    bool handlesKeysOf(QObject* watched) const;

    QWidget* window_;
    Play play_;
    int lowestNote_ = startNote;
    std::map<int, int> held_; // piano key (semitones from the lower row's C) -> note it plays
};

} // namespace vorel
