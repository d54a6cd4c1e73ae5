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

// The answers to "Save changes to the sequence "demo"?".
enum class SaveAnswer { save, discard, cancel };

// The answers to the offer of work a program left unsaved when it ended: recover it, throw it
// away, or (the dialog closed without an answer) keep it for the next start.
enum class RecoveryAnswer { recover, discard, later };

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
    // A question with Save (the default), Discard and Cancel (also Escape).
    virtual SaveAnswer askToSave(QWidget* parent, const QString& caption,
                                 const QString& question) = 0;
    // "Recover unsaved work": what was left, with Recover (the default) and Discard.
    virtual RecoveryAnswer offerRecovery(QWidget* parent, const QString& text) = 0;
};

// The real thing: QFileDialog and QMessageBox.
class SystemDialogs final : public UserDialogs {
  public:
    std::optional<QString> openFile(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QString> saveFile(QWidget* parent, const FileDialogRequest& request) override;
    void showMessage(QWidget* parent, const QString& caption, const QString& text) override;
    SaveAnswer askToSave(QWidget* parent, const QString& caption, const QString& question) override;
    RecoveryAnswer offerRecovery(QWidget* parent, const QString& text) override;
};

} // namespace vorel
