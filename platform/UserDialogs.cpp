#include "platform/UserDialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

namespace vorel {
namespace {

std::optional<QString> runFileDialog(QWidget* parent, const FileDialogRequest& request,
                                     QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, request.title, request.initialPath, request.filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    // Where the dialog offers several file types, a name typed without a suffix gets the suffix
    // of the type chosen ("FLAC file(*.flac)": "flac").
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &request](const QString& filter) {
            static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
            const QRegularExpressionMatch match = pattern.match(filter);
            dialog.setDefaultSuffix(match.hasMatch() ? match.captured(1) : request.defaultSuffix);
        });
    if (!request.initialPath.isEmpty())
        dialog.selectFile(request.initialPath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace

std::optional<QString> SystemDialogs::openFile(QWidget* parent, const FileDialogRequest& request) {
    return runFileDialog(parent, request, QFileDialog::AcceptOpen);
}

std::optional<QString> SystemDialogs::saveFile(QWidget* parent, const FileDialogRequest& request) {
    return runFileDialog(parent, request, QFileDialog::AcceptSave);
}

void SystemDialogs::showMessage(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox::warning(parent, caption, text);
}

SaveAnswer SystemDialogs::askToSave(QWidget* parent, const QString& caption,
                                    const QString& question) {
    const QMessageBox::StandardButton answer = QMessageBox::warning(
        parent, caption, question, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
        QMessageBox::Save);
    if (answer == QMessageBox::Save)
        return SaveAnswer::save;
    return answer == QMessageBox::Discard ? SaveAnswer::discard : SaveAnswer::cancel;
}

RecoveryAnswer SystemDialogs::offerRecovery(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Recover unsaved work"), text,
                    QMessageBox::NoButton, parent);
    QPushButton* recover = box.addButton(QStringLiteral("Recover"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QStringLiteral("Discard"), QMessageBox::DestructiveRole);
    box.setDefaultButton(recover);
    box.exec();
    if (box.clickedButton() == recover)
        return RecoveryAnswer::recover;
    return box.clickedButton() == discard ? RecoveryAnswer::discard : RecoveryAnswer::later;
}

} // namespace vorel
