#pragma once

#include "platform/CommandTable.h"
#include "platform/FileCommands.h"
#include "platform/LongWork.h"
#include "platform/UnsavedWork.h"
#include "sound_editor/EditorState.h"
#include "sound_editor/LivePlaying.h"

#include <QMainWindow>

#include <cstdint>
#include <functional>
#include <span>
#include <string>

class QPushButton;
class QUndoStack;

namespace vorel {

class ClientArea;
class GridChange;
class PcmPlayer;
class Synth;
class UserDialogs;

// The 0.2-second tone of key 0..72 that a left click on the grid plays.
using KeyTones = std::function<std::span<const std::int16_t>(int key)>;

// The sound editor's window: the menu, the 26 buttons and the client area. Buttons, menu items
// and shortcuts all go through dispatch(), which looks the command up in one table, carries it
// out and repaints where the command changed what is shown.
class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    // The client area's size in pixels; every button and drawing has fixed client coordinates.
    static constexpr int clientWidth = 950;
    static constexpr int clientHeight = 700;

    MainWindow(Synth& synth, PcmPlayer& player, UserDialogs& dialogs, KeyTones keyTones,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // Carries out command `id` (sound_editor/Commands.h); false for an id that is no command
    // (nothing happens).
    bool dispatch(int id);

    EditorState& state() { return state_; }
    const EditorState& state() const { return state_; }
    ClientArea* clientArea() const { return client_; }
    QPushButton* button(int id) const;
    // The path chosen last in any of the window's file dialogs; the next one starts there.
    const QString& lastPath() const { return files_.lastPath(); }
    bool busy() const { return longWork_.busy(); }

    // Opens a file named on the command line or dropped on the window, the kind taken from its
    // suffix (.vorelwf, .vorelsf, .vorelsqf), with the checks and messages of the menu's loads.
    void openFile(const QString& path);
    // Keeps the folder of the files used in the program's settings, for the next run's dialogs.
    void rememberFolders() { files_.rememberFoldersAs(QStringLiteral("vorel-sound-editor")); }
    // Keeps copies of the unsaved work in `folder`, and first offers the copies an earlier run
    // left there when it ended without saving.
    void keepWorkIn(const std::string& folder);
    // A close that cannot wait for the user (SIGTERM, the session ending): long work stops, the
    // unsaved work is copied for recovery at once, and the window closes without a question.
    void closeUrgently();
    UnsavedWork& unsavedWork() { return work_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    static const Command<MainWindow> commands[];

    void createMenu();
    void createEditMenu();
    void createButtons();
    void trackDocuments();
    void repaintClient();
    void leftPressed(QPoint position);
    void rightPressed(QPoint position);
    void pushGridStep(const QString& text, GridChange change);

    // The commands; each returns false when its file dialog was cancelled.
    bool stepPage(int delta);
    bool toggleDivision(int division);
    bool stepTempo(int delta);
    bool openSettings(int page);
    bool copyPhrase(int);
    bool stepHistory(int direction);
    bool showAbout(int);
    bool loadWave(int);
    bool loadSound(int);
    bool saveSound(int);
    bool loadSequence(int);
    bool saveSequence(int);
    bool saveWav(int);
    bool importMidi(int);
    bool exportMidi(int);
    // The loads once a path is known; a refused file is reported and changes nothing.
    void loadWaveFrom(const QString& path);
    void loadSoundFrom(const QString& path);
    void loadSequenceFrom(const QString& path);
    // A MIDI file becomes the sequence, unsaved.
    void importMidiFrom(const QString& path);
    Status saveSoundTo(const QString& path);
    Status saveSequenceTo(const QString& path);
    bool computePreviews(int);
    bool playPreview(int index);
    bool renderSequence(int);
    bool playRendering(int);

    Synth& synth_;
    PcmPlayer& player_;
    UserDialogs& dialogs_;
    FileCommands files_;
    KeyTones keyTones_;
    EditorState state_;
    LivePlaying live_{state_}; // reads state_, so comes after it
    ClientArea* client_;
    LongWork longWork_;
    QUndoStack* undo_;
    UnsavedWork work_;
    Document* sequenceDocument_ = nullptr;
    Document* soundDocument_ = nullptr;
    Document* waveDocument_ = nullptr;
};

} // namespace vorel
