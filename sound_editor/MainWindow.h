#pragma once

#include "platform/DocumentWindow.h"
#include "sound_editor/Commands.h"
#include "sound_editor/EditorState.h"
#include "sound_editor/LivePlaying.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>

class QUndoStack;

namespace vorel {
class GridChange;
struct LibraryInstrument;
struct LibrarySong;
class PcmPlayer;
class Synth;
enum class SettingsPage;
} // namespace vorel

namespace vorel::sound {

// The 0.2-second tone of key 0..72 that a left click on the grid plays.
using KeyTones = std::function<std::span<const std::int16_t>(int key)>;

// The sound editor's window: the menu, the 26 buttons and the client area, painted from the
// editor's state.
class MainWindow : public DocumentWindow {
    Q_OBJECT
  public:
    // The client area's size in pixels; every button and drawing has fixed client coordinates.
    static constexpr int clientWidth = 950;
    static constexpr int clientHeight = 700;

    MainWindow(Synth& synth, PcmPlayer& player, UserDialogs& dialogs, KeyTones keyTones,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    using DocumentWindow::dispatch;
    bool dispatch(Command command) { return dispatch(commandNumber(command)); }

    // Loads the library's instrument `name` with its song, as "Load with song" does; a name the
    // library does not hold is reported.
    void loadInstrument(const QString& name);

    EditorState& state() { return state_; }
    const EditorState& state() const { return state_; }

  protected:
    bool hasCommand(int number) const override;
    bool runCommand(int number) override;
    void paintClient(QPainter& painter) const override;
    UnsavedWork::ViewState recoveredView() override;
    // The live notes play the wave and the settings as they are now.
    void stateChanged() override;

  private:
    using Row = CommandRow<MainWindow, Command>;
    static const Row commands[];

    void createMenu();
    void createEditMenu();
    void trackDocuments();
    void leftPressed(QPoint position);
    void rightPressed(QPoint position);
    void pushGridStep(const QString& text, GridChange change);

    // The commands; each returns false when its file dialog was cancelled.
    bool stepPage(int delta);
    bool toggleDivision(Division division);
    bool stepTempo(int delta);
    bool openSettings(SettingsPage page);
    bool copyPhrase();
    bool undo();
    bool redo();
    bool showAbout();
    bool loadWave();
    bool loadSound();
    bool saveSound();
    bool loadSequence();
    bool saveSequence();
    bool saveWav();
    bool importMidi();
    bool exportMidi();
    bool openLibrary();
    // The instrument's wave and sound, and the song's notes and tempo when there is one; asks
    // first when unsaved work would be replaced. False when the user kept it.
    bool loadInstrument(const LibraryInstrument& instrument, const LibrarySong* song);
    // The live notes play the instrument until the window hands its own sound over again.
    void audition(const LibraryInstrument& instrument);
    // The loads once a path is known; a refused file is reported and changes nothing.
    void loadWaveFrom(const QString& path);
    void loadSoundFrom(const QString& path);
    void loadSequenceFrom(const QString& path);
    // A MIDI file becomes the sequence, unsaved.
    void importMidiFrom(const QString& path);
    Status saveSoundTo(const QString& path);
    Status saveSequenceTo(const QString& path);
    bool computePreviews();
    bool playPreview(int index);
    bool renderSequence();
    bool playRendering();

    Synth& synth_;
    KeyTones keyTones_;
    EditorState state_;
    LivePlaying liveSound_{state_}; // reads state_, so comes after it
    QUndoStack* undo_;
    Document* sequenceDocument_ = nullptr;
    Document* soundDocument_ = nullptr;
    Document* waveDocument_ = nullptr;
};

} // namespace vorel::sound
