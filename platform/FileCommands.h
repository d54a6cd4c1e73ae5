#pragma once

#include "common/Result.h"
#include "platform/UserDialogs.h"

#include <QString>

#include <optional>
#include <string>

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

    // The chosen path, or nothing when the user cancels. `request.initialPath` is ignored: the
    // dialog starts at the path chosen last.
    std::optional<QString> chooseToLoad(const FileDialogRequest& request);
    std::optional<QString> chooseToSave(const FileDialogRequest& request);
    const QString& lastPath() const { return lastPath_; }

    void reportLoadFailure(const QString& path, const std::string& reason);
    void reportSaveFailure(const QString& path, const Status& failure);

  private:
    std::optional<QString> remember(std::optional<QString> path);

    UserDialogs& dialogs_;
    QWidget* window_;
    QString lastPath_;
};

} // namespace vorel
