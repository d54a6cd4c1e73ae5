#include "platform/DocumentWindow.h"

#include "platform/PcmPlayer.h"
#include "platform/UserDialogs.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>

namespace vorel {

DocumentWindow::DocumentWindow(UserDialogs& dialogs, PcmPlayer* player, WindowNames names,
                               QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), files_(dialogs, this),
      longWork_(this, names.workTitle), work_(this, dialogs, files_, names.caption),
      names_(std::move(names)), ownPlayer_(player ? nullptr : std::make_unique<PcmPlayer>()),
      player_(player ? player : ownPlayer_.get()),
      client_(new ClientCanvas([this](QPainter& painter) { paintClient(painter); }, this)) {
    // The output's JACK and sequencer clients are named after the program; the live panel opens
    // the output.
    PcmPlayer::nameOutput(names_.program);
    live_ = new LivePanel(this, *player_);
    // The title shows whether there is unsaved work.
    setWindowTitle(names_.title + QStringLiteral("[*]"));
    setCentralWidget(client_);
    setAcceptDrops(true);
    // Said once: the player reports only its first failure. Queued, so the message box does not
    // open inside the play call.
    connect(
        player_, &PcmPlayer::deviceUnavailable, this,
        [this](const QString& reason) {
            dialogs_.showMessage(this, names_.soundCaption, names_.cannotPlay.arg(reason));
        },
        Qt::QueuedConnection);
    connect(player_, &PcmPlayer::soundStopped, this, [this](const QString& reason) {
        dialogs_.showMessage(this, names_.soundCaption,
                             QStringLiteral("The sound stopped: %1").arg(reason));
    });
}

void DocumentWindow::rememberFolders() {
    files_.rememberFoldersAs(names_.program);
    live_->rememberChoicesAs(names_.program);
}

DocumentWindow::~DocumentWindow() {
    player_->stop();
}

void DocumentWindow::addButton(const char* label, int number, const QRect& place,
                               Qt::FocusPolicy focus) {
    auto* button = new QPushButton(QString::fromLatin1(label), client_);
    button->setObjectName(QString::number(number));
    button->setGeometry(place);
    button->setFocusPolicy(focus);
    connect(button, &QPushButton::clicked, this, [this, number] { dispatch(number); });
}

QPushButton* DocumentWindow::button(int number) const {
    return client_->findChild<QPushButton*>(QString::number(number), Qt::FindDirectChildrenOnly);
}

QAction* DocumentWindow::addCommand(QMenu* menu, const QString& text, int number) {
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::number(number));
    connect(action, &QAction::triggered, this, [this, number] { dispatch(number); });
    return action;
}

void DocumentWindow::addShortcuts(std::initializer_list<QKeySequence> keys, int number) {
    for (const QKeySequence& key : keys) {
        auto* shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, this, [this, number] { dispatch(number); });
        // Where one key press matches two of the sequences, Qt calls it ambiguous and tells one
        // shortcut only, which then carries the command out.
        connect(shortcut, &QShortcut::activatedAmbiguously, this,
                [this, number] { dispatch(number); });
    }
}

bool DocumentWindow::dispatch(int number) {
    if (!hasCommand(number))
        return false;
    // Long work reads the window's state: nothing runs meanwhile.
    if (longWork_.busy())
        return true;
    if (runCommand(number))
        repaintClient();
    work_.changed();
    return true;
}

void DocumentWindow::repaintClient() {
    stateChanged();
    client_->update();
}

bool DocumentWindow::loadThroughDialog(Document* replaces, const FileDialogRequest& request,
                                       const std::function<void(const QString&)>& load) {
    if (replaces != nullptr && !work_.mayReplace(*replaces))
        return false;
    const std::optional<QString> path = files_.chooseToLoad(request);
    if (path)
        load(*path);
    return path.has_value();
}

bool DocumentWindow::accepted(const QString& path, const Status& loaded) {
    if (!loaded)
        files_.reportLoadFailure(path, loaded.error());
    return loaded.ok();
}

void DocumentWindow::tellChanges(const QString& caption,
                                 const std::vector<std::string>& sentences) {
    QStringList lines;
    for (const std::string& sentence : sentences)
        lines << QString::fromStdString(sentence);
    if (!lines.isEmpty())
        dialogs_.showMessage(this, caption, lines.join(QLatin1Char('\n')));
}

void DocumentWindow::setOpenableKinds(std::vector<OpenableKind> kinds, std::string refusal) {
    openable_ = std::move(kinds);
    refusal_ = std::move(refusal);
}

void DocumentWindow::openFile(const QString& path) {
    // Input is thrown away while long work runs; so is a file dropped meanwhile.
    if (longWork_.busy())
        return;
    const QString suffix = QFileInfo(path).suffix();
    for (const OpenableKind& kind : openable_) {
        if (suffix.compare(kind.suffix, Qt::CaseInsensitive) == 0) {
            if (kind.replaces != nullptr && !work_.mayReplace(*kind.replaces))
                return;
            files_.used(path);
            kind.load(path);
            repaintClient();
            return;
        }
    }
    files_.reportLoadFailure(path, refusal_);
}

void DocumentWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (FileCommands::acceptsDrop(event->mimeData()))
        event->acceptProposedAction();
}

void DocumentWindow::dropEvent(QDropEvent* event) {
    event->acceptProposedAction();
    files_.openDropped(event->mimeData(), [this](const QString& path) { openFile(path); });
}

void DocumentWindow::keepWorkIn(const std::string& folder) {
    work_.keepCopiesIn(folder, names_.program.toStdString(), recoveredView());
    work_.offerLeftWork();
    repaintClient();
}

void DocumentWindow::closeEvent(QCloseEvent* event) {
    // Long work reads the window's state: it stops first, then the window closes.
    if (longWork_.holdBackClose(event))
        return;
    if (!work_.mayClose()) {
        event->ignore();
        return;
    }
    player_->stop();
    event->accept();
}

void DocumentWindow::closeUrgently() {
    work_.closeUrgently();
    longWork_.cancel();
    close();
}

} // namespace vorel
