#pragma once

#include "common/Result.h"
#include "platform/UserDialogs.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>

class QMimeData;
class QWidget;

namespace vorel {

// The path as the engine's file functions take it: in the file system's own encoding.
std::string enginePath(const QString& path);

// What the load and save commands of a window share: file dialogs that start at the path chosen
// last in any of them, and one way of reporting a failure, in a message box captioned "ERROR":
//
//     Loading "PATH" failed:        Saving "PATH" failed:
//     REASON                        REASON
//
// A save whose file could not be closed may have lost data on its way to the disk; its message
// starts with "Error CloseHandle" on a line of its own.
class FileCommands {
  public:
    FileCommands(UserDialogs& dialogs, QWidget* window) : dialogs_(dialogs), window_(window) {}

    // From now on the folder of every file used is kept in the program's settings (`program` is
    // their name, such as "vorel-sound-editor"), and the first dialog of a later run starts
    // there; before any file was ever used, in the installed examples' folder. The programs call
    // this once; without it nothing outlives the window.
    void rememberFoldersAs(const QString& program);

    // The chosen path, or nothing when the user cancels. `request.initialPath` is ignored: an
    // open dialog starts at the path chosen last; a save dialog suggests its name with the
    // suffix of its own kind (`request.defaultSuffix`), so that the last file used, of whatever
    // kind, is never offered to be replaced by another kind of data.
    std::optional<QString> chooseToLoad(const FileDialogRequest& request);
    std::optional<QString> chooseToSave(const FileDialogRequest& request);
    const QString& lastPath() const { return lastPath_; }
    // A file opened without a dialog (named on the command line, dropped on the window) counts
    // as the last one used.
    void used(const QString& path);

    // Files dropped on the window: `open` is called with every file of the computer's own file
    // system, in order; anything else (an address of another machine, a piece of text) is
    // refused with a message that names it. acceptsDrop says whether a drag may end here.
    static bool acceptsDrop(const QMimeData* data);
    void openDropped(const QMimeData* data, const std::function<void(const QString&)>& open);

    void reportLoadFailure(const QString& path, const std::string& reason);
    void reportSaveFailure(const QString& path, const Status& failure);

  private:
    std::optional<QString> remember(std::optional<QString> path);
    QString startingPoint() const;

    UserDialogs& dialogs_;
    QWidget* window_;
    QString lastPath_;
    QString program_; // the settings' name; empty: folders are not remembered across runs
};

// `path` with the suffix of a file kind of the programs (".vorelwf", ".WAV", ".flac", …) replaced
// by `suffix`, or with `suffix` added when it has none of them.
QString withSuffix(const QString& path, const QString& suffix);

// Where the examples are installed beside the programs (PREFIX/share/vorel/examples), or an empty
// string when the program runs from its build folder.
QString installedExamplesFolder();

} // namespace vorel
