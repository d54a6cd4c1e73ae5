#include "platform/FileCommands.h"

#include <QDir>
#include <QFile>

namespace vorel {
namespace {

const QString errorCaption = QStringLiteral("ERROR");

QString failureText(const QString& action, const QString& path, const std::string& reason) {
    return QStringLiteral("%1 \"%2\" failed:\n%3")
        .arg(action, QDir::toNativeSeparators(path), QString::fromStdString(reason));
}

} // namespace

std::string enginePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

std::optional<QString> FileCommands::chooseToLoad(const FileDialogRequest& request) {
    FileDialogRequest asked = request;
    asked.initialPath = lastPath_;
    return remember(dialogs_.openFile(window_, asked));
}

std::optional<QString> FileCommands::chooseToSave(const FileDialogRequest& request) {
    FileDialogRequest asked = request;
    asked.initialPath = lastPath_;
    return remember(dialogs_.saveFile(window_, asked));
}

std::optional<QString> FileCommands::remember(std::optional<QString> path) {
    if (path)
        lastPath_ = *path;
    return path;
}

void FileCommands::reportLoadFailure(const QString& path, const std::string& reason) {
    dialogs_.showMessage(window_, errorCaption,
                         failureText(QStringLiteral("Loading"), path, reason));
}

void FileCommands::reportSaveFailure(const QString& path, const Status& failure) {
    QString text = failureText(QStringLiteral("Saving"), path, failure.error());
    if (failure.kind() == Status::Kind::closeFailed)
        text.prepend(QStringLiteral("Error CloseHandle\n"));
    dialogs_.showMessage(window_, errorCaption, text);
}

} // namespace vorel
