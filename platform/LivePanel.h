#pragma once

#include "platform/KeyboardPlaying.h"
#include "platform/LiveControl.h"

#include <QObject>
#include <QString>

class QAction;
class QActionGroup;
class QLabel;
class QMainWindow;
class QMenu;
class QTimer;

namespace vorel {

// A window's live playing: the computer keyboard, the "Live" menu (the output in use, the MIDI
// ports, the keyboard's octave, the master volume, "All notes off", "Stop sound" on Escape) and
// the status line saying what sounds and how busy the engine is.
class LivePanel : public QObject {
    Q_OBJECT
  public:
    static constexpr double volumes[] = {1.0, 0.7, 0.5, 0.35, 0.25};
    // The status line's height in pixels: fixed, so the client area's place in the window is
    // known from the window's height.
    static constexpr int statusLineHeight = 22;

    LivePanel(QMainWindow* window, LiveControl& live);

    // Adds the "Live" menu to the window's menu bar, before `before` (null: at the end).
    void addMenu(QAction* before);
    // The buffer that plays from now on, as the status line names it ("the rendered sequence").
    void setPlaying(const QString& what) { playing_ = what; }
    // What the status line says first while nothing the window holds can sound (empty: nothing).
    void setHint(const QString& hint);
    // From now on the octave and the volume are kept in the program's settings (`program` is
    // their name), as they were left in the last run.
    void rememberChoicesAs(const QString& program);
    // Every sound of the program stops at once.
    void stopSound();

    KeyboardPlaying& keyboard() { return keyboard_; }
    double volume() const { return volume_; }
    void setVolume(double volume);
    // The status line's text as it is now.
    QString statusText() const;

  private:
    void refreshMenu();
    void refreshStatus();
    void keep(const char* key, const QVariant& value) const;

    QMainWindow* window_;
    LiveControl& live_;
    KeyboardPlaying keyboard_;
    QMenu* menu_ = nullptr;
    QAction* output_ = nullptr;
    QAction* midi_ = nullptr;
    QAction* octave_ = nullptr;
    QActionGroup* volumeChoices_ = nullptr;
    QLabel* status_;
    QTimer* statusTimer_;
    QString playing_;
    QString hint_;
    QString program_; // the settings' name; empty: nothing outlives the window
    double volume_ = 1.0;
};

} // namespace vorel
