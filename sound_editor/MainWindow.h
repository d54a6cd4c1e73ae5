#pragma once

#include "sound_editor/EditorState.h"
#include "sound_editor/LongWork.h"

#include <QMainWindow>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

class QPushButton;

namespace vorel {

class ClientArea;
class PcmPlayer;
class Synth;
class UserDialogs;
struct FileDialogRequest;
enum class SettingsPage;

// The 0.2-second tone of key 0..72 that a left click on the grid plays.
using KeyTones = std::function<std::span<const std::int16_t>(int key)>;

// The sound editor's window: the menu, the 26 buttons and the client area. Buttons, menu items
// and shortcuts all go through dispatch(), which carries out the command and repaints where the
// command changed what is shown.
class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    // The client area's size in pixels; every button and drawing has fixed client coordinates.
    static constexpr int clientWidth = 950;
    static constexpr int clientHeight = 700;

    MainWindow(Synth& synth, PcmPlayer& player, UserDialogs& dialogs, KeyTones keyTones,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // Carries out command `id`; false for an id that is no command (nothing happens).
    bool dispatch(int id);

    EditorState& state() { return state_; }
    const EditorState& state() const { return state_; }
    ClientArea* clientArea() const { return client_; }
    QPushButton* button(int id) const;
    // The path chosen last in any of the window's file dialogs; the next one starts there.
    const QString& lastPath() const { return lastPath_; }
    bool busy() const { return longWork_.busy(); }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    enum class Repaint { always, unlessCancelled, never };
    struct Command {
        int id;
        bool (MainWindow::*run)(int id); // false when a file dialog was cancelled
        Repaint repaint;
    };
    static const Command commands[];

    void createMenu();
    void createButtons();
    void repaintClient();
    void leftPressed(QPoint position);
    void rightPressed(QPoint position);

    bool stepPage(int id);
    bool toggleDivision(int id);
    bool stepTempo(int id);
    bool openSettings(int id);
    bool loadWave(int id);
    bool loadSound(int id);
    bool saveSound(int id);
    bool loadSequence(int id);
    bool saveSequence(int id);
    bool showAbout(int id);
    bool computePreviews(int id);
    bool playPreview(int id);
    bool renderSequence(int id);
    bool playRendering(int id);
    bool saveWav(int id);
    bool copyPhrase(int id);

    std::optional<QString> chooseFile(bool save, const QString& title, const QString& filter,
                                      const QString& suffix);
    void reportFailure(const QString& action, const QString& path, const std::string& reason);

    Synth& synth_;
    PcmPlayer& player_;
    UserDialogs& dialogs_;
    KeyTones keyTones_;
    EditorState state_;
    ClientArea* client_;
    LongWork longWork_;
    QString lastPath_;
    bool closeAfterWork_ = false;
};

} // namespace vorel
