#include "platform/FileCommands.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QSettings>
#include <QUrl>

namespace vorel {
namespace {

const QString errorCaption = QStringLiteral("ERROR");
const QString lastFolderKey = QStringLiteral("files/lastFolder");

// The suffixes of the files the programs read and write.
const QStringList knownSuffixes{QStringLiteral("vorelwf"),  QStringLiteral("vorelsf"),
                                QStringLiteral("vorelsqf"), QStringLiteral("wav"),
                                QStringLiteral("flac"),     QStringLiteral("mid")};

QString failureText(const QString& action, const QString& path, const std::string& reason) {
    return QStringLiteral("%1 \"%2\" failed:\n%3")
        .arg(action, QDir::toNativeSeparators(path), QString::fromStdString(reason));
}

} // namespace

std::string enginePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString withSuffix(const QString& path, const QString& suffix) {
    QString stem = path;
    const QString last = QFileInfo(path).suffix();
    if (!last.isEmpty() && knownSuffixes.contains(last, Qt::CaseInsensitive))
        stem.chop(last.size() + 1);
    return stem + QLatin1Char('.') + suffix;
}

QString installedExamplesFolder() {
    const QString folder = QDir(QCoreApplication::applicationDirPath())
                               .filePath(QStringLiteral("../share/vorel/examples"));
    return QFileInfo(folder).isDir() ? QDir::cleanPath(folder) : QString();
}

void FileCommands::rememberFoldersAs(const QString& program) {
    program_ = program;
}

QString FileCommands::startingPoint() const {
    if (!lastPath_.isEmpty() || program_.isEmpty())
        return lastPath_;
    const QString folder =
        QSettings(QStringLiteral("vorel"), program_).value(lastFolderKey).toString();
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return folder;
    return installedExamplesFolder();
}

std::optional<QString> FileCommands::chooseToLoad(const FileDialogRequest& request) {
    FileDialogRequest asked = request;
    asked.initialPath = startingPoint();
    return remember(dialogs_.openFile(window_, asked));
}

std::optional<QString> FileCommands::chooseToSave(const FileDialogRequest& request) {
    FileDialogRequest asked = request;
    asked.initialPath =
        lastPath_.isEmpty() ? startingPoint() : withSuffix(lastPath_, request.defaultSuffix);
    return remember(dialogs_.saveFile(window_, asked));
}

std::optional<QString> FileCommands::remember(std::optional<QString> path) {
    if (path)
        used(*path);
    return path;
}

void FileCommands::used(const QString& path) {
    lastPath_ = path;
    if (!program_.isEmpty())
        QSettings(QStringLiteral("vorel"), program_)
            .setValue(lastFolderKey, QFileInfo(path).absolutePath());
}

bool FileCommands::acceptsDrop(const QMimeData* data) {
    return data->hasUrls() || data->hasText();
}

void FileCommands::openDropped(const QMimeData* data,
                               const std::function<void(const QString&)>& open) {
    if (!data->hasUrls()) {
        // A short piece of the text is enough to name it.
        constexpr int shownCharacters = 60;
        reportLoadFailure(data->text().left(shownCharacters).simplified(),
                          "only files can be opened");
        return;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            open(url.toLocalFile());
        else
            reportLoadFailure(url.toDisplayString(), "only files on this computer can be opened");
    }
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
