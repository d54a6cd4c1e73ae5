#pragma once

#include "platform/ClientCanvas.h"
#include "platform/CommandTable.h"
#include "platform/FileCommands.h"
#include "platform/LivePanel.h"
#include "platform/LongWork.h"
#include "platform/UnsavedWork.h"

#include <QKeySequence>
#include <QMainWindow>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

class QMenu;
class QPushButton;

namespace vorel {

class PcmPlayer;
class UserDialogs;

// How a program's window names itself.
struct WindowNames {
    QString title;        // the window's title, without the unsaved-work marker
    QString caption;      // captions the unsaved-work questions and the program's messages
    QString workTitle;    // titles the progress dialog of long work
    QString program;      // names the remembered folders and the recovery copies ("vorel")
    QString soundCaption; // captions the messages about the sound output
    QString cannotPlay;   // says that no sound can be played, %1 the reason
};

// A push button of the client area at client coordinates, naming its command.
template <typename Id> struct ButtonPlace {
    const char* label;
    Id id;
    int x;
    int y;
    int width;
    int height;
};

// A kind of file the window opens when it is named on the command line or dropped on it.
struct OpenableKind {
    QString suffix;     // without the dot, any case
    Document* replaces; // asked about before it is replaced; null when nothing unsaved is
    std::function<void(const QString& path)> load;
};

// What a window of a Vorel program does with its documents, commands, buttons, drops, the
// command line, closing and urgent closing. A program's window adds its model, its painter and
// its table of commands: buttons, menu items and shortcuts all go through dispatch(), which
// carries the command out and repaints the client area where the command changed what is shown.
class DocumentWindow : public QMainWindow {
    Q_OBJECT
  public:
    // `player` plays the window's sounds; null: the window has a player of its own. The
    // dialogs seam and the player outlive the window.
    DocumentWindow(UserDialogs& dialogs, PcmPlayer* player, WindowNames names,
                   QWidget* parent = nullptr);
    ~DocumentWindow() override; // silences the player

    // Carries out the command numbered `number`; false for a number that is no command (nothing
    // happens). Nothing runs while long work is going on.
    bool dispatch(int number);

    ClientCanvas* client() const { return client_; }
    QPushButton* button(int number) const;
    PcmPlayer& player() { return *player_; }
    // The path chosen last in any of the window's file dialogs; the next one starts there.
    const QString& lastPath() const { return files_.lastPath(); }
    bool busy() const { return longWork_.busy(); }
    UnsavedWork& unsavedWork() { return work_; }
    LivePanel& live() { return *live_; }

    // Opens a file named on the command line or dropped on the window, its kind taken from its
    // suffix, with the checks and messages of the menu's loads; other files are refused.
    void openFile(const QString& path);
    // Keeps the folder of the files used and the live menu's choices in the program's settings,
    // for the next run.
    void rememberFolders();
    // Keeps copies of the unsaved work in `folder`, and first offers the copies an earlier run
    // left there when it ended without saving.
    void keepWorkIn(const std::string& folder);
    // A close that cannot wait for the user (SIGTERM, the session ending): long work stops, the
    // unsaved work is copied for recovery at once, and the window closes without a question.
    void closeUrgently();

  protected:
    // The program's table of commands.
    virtual bool hasCommand(int number) const = 0;
    // Carries out the command; true when the client area is to repaint.
    virtual bool runCommand(int number) = 0;
    // The client area as the program draws it.
    virtual void paintClient(QPainter& painter) const = 0;
    // After anything that may have changed what the window shows and plays.
    virtual void stateChanged() {}
    // What the program adds to its recovery copies beside the documents.
    virtual UnsavedWork::ViewState recoveredView() { return {}; }

    // The client area shows the window's state again.
    void repaintClient();
    template <typename Id>
    void addButtons(std::span<const ButtonPlace<Id>> places, Qt::FocusPolicy focus) {
        for (const ButtonPlace<Id>& place : places)
            addButton(place.label, commandNumber(place.id),
                      QRect(place.x, place.y, place.width, place.height), focus);
    }
    QAction* addCommand(QMenu* menu, const QString& text, int number);
    void addShortcuts(std::initializer_list<QKeySequence> keys, int number);
    // A load command: asks first when `replaces` holds unsaved work (null: nothing is replaced),
    // then `load`s the file chosen in the dialog of `request`. False when the user cancelled.
    bool loadThroughDialog(Document* replaces, const FileDialogRequest& request,
                           const std::function<void(const QString& path)>& load);
    // What a load of the file at `path` gave, or nothing when the file was refused: the refusal
    // is reported and nothing changes.
    template <typename T> std::optional<T> accepted(const QString& path, Result<T> loaded) {
        if (!loaded) {
            files_.reportLoadFailure(path, loaded.error());
            return std::nullopt;
        }
        return std::move(loaded).value();
    }
    bool accepted(const QString& path, const Status& loaded);
    // Says what an import changed or left out, one sentence a line; nothing when all came over.
    void tellChanges(const QString& caption, const std::vector<std::string>& sentences);
    // The kinds openFile opens, and what it says of a file of any other kind.
    void setOpenableKinds(std::vector<OpenableKind> kinds, std::string refusal);

    UserDialogs& dialogs_;
    FileCommands files_;
    LongWork longWork_;
    UnsavedWork work_;

    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void addButton(const char* label, int number, const QRect& place, Qt::FocusPolicy focus);

    WindowNames names_;
    std::unique_ptr<PcmPlayer> ownPlayer_;
    PcmPlayer* player_;
    ClientCanvas* client_;
    LivePanel* live_ = nullptr;
    std::vector<OpenableKind> openable_;
    std::string refusal_;
};

} // namespace vorel
