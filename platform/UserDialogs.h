#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace vorel {

// What a file command asks of a file dialog.
struct FileDialogRequest {
    QString title;         // "Load", "Save", "Save WAV data"
    QString filter;        // "Vorel wave file(*.vorelwf)"
    QString defaultSuffix; // "vorelwf", added to a name typed without one
    QString initialPath;   // the path chosen last
};

// The seam between the programs and the system's file dialogs and message boxes, so tests can
// supply paths and read messages without a modal dialog.
class UserDialogs {
  public:
    virtual ~UserDialogs() = default;
    // The chosen path, or nothing when the user cancels. Open dialogs accept existing files only;
    // save dialogs ask before replacing a file.
    virtual std::optional<QString> openFile(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual std::optional<QString> saveFile(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual void showMessage(QWidget* parent, const QString& caption, const QString& text) = 0;
};

// The real thing: QFileDialog and QMessageBox.
class SystemDialogs final : public UserDialogs {
  public:
    std::optional<QString> openFile(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QString> saveFile(QWidget* parent, const FileDialogRequest& request) override;
    void showMessage(QWidget* parent, const QString& caption, const QString& text) override;
};

} // namespace vorel
