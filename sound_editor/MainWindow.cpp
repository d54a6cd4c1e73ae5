#include "sound_editor/MainWindow.h"

#include "common/WaveFile.h"
#include "platform/PcmPlayer.h"
#include "platform/UserDialogs.h"
#include "sequencer/ui/CopyPhraseDialog.h"
#include "sequencer/ui/InsertNoteDialog.h"
#include "sound_editor/AboutBox.h"
#include "sound_editor/ClientArea.h"
#include "sound_editor/ScreenPainter.h"
#include "sound_editor/SoundPlayback.h"
#include "sound_editor_io/SoundEditorFiles.h"
#include "synth/Synth.h"
#include "synth/ui/SettingsDialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>

namespace vorel {
namespace {

// Command ids of the menu.
constexpr int loadWaveId = 101;
constexpr int loadSoundId = 102;
constexpr int saveSoundId = 103;
constexpr int versionId = 104;
constexpr int loadSequenceId = 32779;
constexpr int saveSequenceId = 32778;

struct ButtonPlace {
    const char* label;
    int id;
    int x;
    int y;
    int width;
    int height;
};

// The push buttons in creation order, at client coordinates.
constexpr ButtonPlace buttonPlaces[] = {
    {"Pitch", 95, 20, 95, 80, 30},     {"AMP", 96, 125, 95, 80, 30},
    {"LPF", 97, 230, 95, 80, 30},      {"Compute->", 1025, 10, 500, 90, 30},
    {"110Hz", 1032, 110, 500, 90, 30}, {"440Hz", 1034, 110, 540, 90, 30},
    {"220Hz", 1033, 220, 500, 90, 30}, {"880Hz", 1035, 220, 540, 90, 30},
    {"1/32", 90, 570, 10, 40, 20},     {"1/24", 89, 620, 10, 40, 20},
    {"1/16", 88, 670, 10, 40, 20},     {"1/12", 87, 720, 10, 40, 20},
    {"1/8", 86, 770, 10, 40, 20},      {"1/4", 85, 820, 10, 40, 20},
    {"UP", 91, 500, 63, 60, 25},       {"up", 92, 570, 63, 60, 25},
    {"down", 93, 640, 63, 60, 25},     {"DOWN", 94, 710, 63, 60, 25},
    {"<<", 81, 490, 540, 60, 20},      {"<", 82, 560, 540, 60, 20},
    {">", 83, 660, 540, 60, 20},       {">>", 84, 730, 540, 60, 20},
    {"COPY", 1039, 800, 540, 60, 20},  {"Render->", 1036, 400, 570, 150, 50},
    {"Play", 1037, 560, 570, 150, 50}, {"Save(.WAV)", 1038, 720, 570, 150, 50},
};

const QString errorCaption = QStringLiteral("ERROR");
const QString soundFilter = QStringLiteral("Vorel sound file(*.vorelsf)");
const QString sequenceFilter = QStringLiteral("Vorel sequence file(*.vorelsqf)");
const QString waveFilter = QStringLiteral("Vorel wave file(*.vorelwf)");
const QString wavFilter = QStringLiteral("WAV file(*.WAV)");

std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// The shown name of a chosen file: its name without folder, up to the first '.'.
DisplayName nameOf(const QString& path) {
    return nameFromTitle(QFileInfo(path).fileName().toStdU16String());
}

} // namespace

const MainWindow::Command MainWindow::commands[] = {
    {81, &MainWindow::stepPage, Repaint::always},
    {82, &MainWindow::stepPage, Repaint::always},
    {83, &MainWindow::stepPage, Repaint::always},
    {84, &MainWindow::stepPage, Repaint::always},
    {85, &MainWindow::toggleDivision, Repaint::always},
    {86, &MainWindow::toggleDivision, Repaint::always},
    {87, &MainWindow::toggleDivision, Repaint::always},
    {88, &MainWindow::toggleDivision, Repaint::always},
    {89, &MainWindow::toggleDivision, Repaint::always},
    {90, &MainWindow::toggleDivision, Repaint::always},
    {91, &MainWindow::stepTempo, Repaint::always},
    {92, &MainWindow::stepTempo, Repaint::always},
    {93, &MainWindow::stepTempo, Repaint::always},
    {94, &MainWindow::stepTempo, Repaint::always},
    {95, &MainWindow::openSettings, Repaint::always},
    {96, &MainWindow::openSettings, Repaint::always},
    {97, &MainWindow::openSettings, Repaint::always},
    {loadWaveId, &MainWindow::loadWave, Repaint::unlessCancelled},
    {loadSoundId, &MainWindow::loadSound, Repaint::unlessCancelled},
    {saveSoundId, &MainWindow::saveSound, Repaint::unlessCancelled},
    {loadSequenceId, &MainWindow::loadSequence, Repaint::unlessCancelled},
    {saveSequenceId, &MainWindow::saveSequence, Repaint::unlessCancelled},
    {versionId, &MainWindow::showAbout, Repaint::never},
    {1025, &MainWindow::computePreviews, Repaint::never},
    {1032, &MainWindow::playPreview, Repaint::never},
    {1033, &MainWindow::playPreview, Repaint::never},
    {1034, &MainWindow::playPreview, Repaint::never},
    {1035, &MainWindow::playPreview, Repaint::never},
    {1036, &MainWindow::renderSequence, Repaint::never},
    {1037, &MainWindow::playRendering, Repaint::never},
    {1038, &MainWindow::saveWav, Repaint::never},
    {1039, &MainWindow::copyPhrase, Repaint::always},
};

MainWindow::MainWindow(Synth& synth, PcmPlayer& player, UserDialogs& dialogs, KeyTones keyTones,
                       QWidget* parent)
    : QMainWindow(parent), synth_(synth), player_(player), dialogs_(dialogs),
      keyTones_(std::move(keyTones)), client_(new ClientArea(state_, this)), longWork_(this) {
    setWindowTitle(QStringLiteral("Vorel sound editor"));
    setCentralWidget(client_);
    createMenu();
    createButtons();
    resize(clientWidth, clientHeight + menuBar()->sizeHint().height());

    connect(client_, &ClientArea::leftPressed, this, &MainWindow::leftPressed);
    connect(client_, &ClientArea::rightPressed, this, &MainWindow::rightPressed);
    // Said once: the player reports only its first failure. Queued, so the message box does not
    // open inside the play call.
    connect(
        &player_, &PcmPlayer::deviceUnavailable, this,
        [this](const QString& reason) {
            dialogs_.showMessage(this, QStringLiteral("Vorel sound editor"),
                                 QStringLiteral("No sound can be played: %1").arg(reason));
        },
        Qt::QueuedConnection);
}

MainWindow::~MainWindow() = default;

void MainWindow::createMenu() {
    auto addCommand = [this](QMenu* menu, const QString& text, int id) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QString::number(id));
        connect(action, &QAction::triggered, this, [this, id] { dispatch(id); });
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    addCommand(file, QStringLiteral("Load wave data"), loadWaveId);
    addCommand(file, QStringLiteral("Load sound data"), loadSoundId);
    addCommand(file, QStringLiteral("Save sound data"), saveSoundId);
    file->addSeparator();
    addCommand(file, QStringLiteral("Load sequence data"), loadSequenceId);
    addCommand(file, QStringLiteral("Save sequence data"), saveSequenceId);
    file->addSeparator();
    QMenu* version = menuBar()->addMenu(QStringLiteral("Version"));
    addCommand(version, QStringLiteral("Version"), versionId);

    // Alt with "?" or "/" opens the about box.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::ALT | Qt::Key_Question), QKeySequence(Qt::ALT | Qt::Key_Slash)}) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, [this] { dispatch(versionId); });
    }
}

void MainWindow::createButtons() {
    for (const ButtonPlace& place : buttonPlaces) {
        auto* button = new QPushButton(QString::fromLatin1(place.label), client_);
        button->setObjectName(QString::number(place.id));
        button->setGeometry(place.x, place.y, place.width, place.height);
        const int id = place.id;
        connect(button, &QPushButton::clicked, this, [this, id] { dispatch(id); });
    }
}

QPushButton* MainWindow::button(int id) const {
    return client_->findChild<QPushButton*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

bool MainWindow::dispatch(int id) {
    for (const Command& command : commands) {
        if (command.id != id)
            continue;
        // Nothing runs while long work is going on: it reads the state.
        if (longWork_.busy())
            return true;
        const bool proceeded = (this->*command.run)(id);
        if (command.repaint == Repaint::always ||
            (command.repaint == Repaint::unlessCancelled && proceeded))
            repaintClient();
        return true;
    }
    return false;
}

void MainWindow::repaintClient() {
    client_->repaint();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (longWork_.busy()) {
        // The work reads the window's state: stop it first, then close.
        closeAfterWork_ = true;
        longWork_.cancel();
        event->ignore();
        return;
    }
    player_.stop();
    event->accept();
}

// Grid clicks ------------------------------------------------------------------------------------

void MainWindow::leftPressed(QPoint position) {
    const int dx = position.x() - grid::left;
    const int dy = position.y() - grid::top;
    if (longWork_.busy() || dx < 0 || dx >= grid::width || dy < 0 || dy >= grid::height)
        return;
    // Every sample of the tone, not only up to its last non-zero one.
    if (keyTones_)
        player_.play(keyTones_(keyCount - 1 - dy / grid::keyHeight));
}

void MainWindow::rightPressed(QPoint position) {
    const int dx = position.x() - grid::left;
    const int dy = position.y() - grid::top;
    if (longWork_.busy() || dx < 0 || dx >= grid::width || dy < 0 || dy >= grid::height)
        return;
    InsertNoteDialog dialog(state_.sequence, state_.view, dx / grid::tickWidth,
                            keyCount - 1 - dy / grid::keyHeight, this);
    dialog.exec();
    if (dialog.gridChanged())
        repaintClient();
}

// Sequencer commands -----------------------------------------------------------------------------

bool MainWindow::stepPage(int id) {
    constexpr int deltas[] = {-10, -1, 1, 10}; // "<<", "<", ">", ">>" (81..84)
    state_.view.stepPage(deltas[id - 81]);
    return true;
}

bool MainWindow::toggleDivision(int id) {
    // 85 "1/4", 86 "1/8", 87 "1/12", 88 "1/16", 89 "1/24", 90 "1/32"
    state_.view.toggleDivision(static_cast<Division>(id - 85));
    return true;
}

bool MainWindow::stepTempo(int id) {
    constexpr int deltas[] = {10, 1, -1, -10}; // "UP", "up", "down", "DOWN" (91..94)
    vorel::stepTempo(state_.sequence, deltas[id - 91]);
    return true;
}

bool MainWindow::copyPhrase(int) {
    CopyPhraseDialog dialog(state_.sequence, this);
    dialog.exec();
    return true;
}

bool MainWindow::openSettings(int id) {
    // 95 "Pitch", 96 "AMP", 97 "LPF" open dialogs 129, 130, 131.
    SettingsDialog dialog(static_cast<SettingsPage>(id - 95 + 129), state_.settings, this);
    dialog.exec();
    return true;
}

bool MainWindow::showAbout(int) {
    AboutBox box(this);
    box.exec();
    return true;
}

// Files ------------------------------------------------------------------------------------------

std::optional<QString> MainWindow::chooseFile(bool save, const QString& title,
                                              const QString& filter, const QString& suffix) {
    const FileDialogRequest request{title, filter, suffix, lastPath_};
    std::optional<QString> path =
        save ? dialogs_.saveFile(this, request) : dialogs_.openFile(this, request);
    if (path)
        lastPath_ = *path;
    return path;
}

void MainWindow::reportFailure(const QString& action, const QString& path,
                               const std::string& reason) {
    dialogs_.showMessage(
        this, errorCaption,
        QStringLiteral("%1 \"%2\" failed:\n%3")
            .arg(action, QDir::toNativeSeparators(path), QString::fromStdString(reason)));
}

bool MainWindow::loadWave(int) {
    const auto path =
        chooseFile(false, QStringLiteral("Load"), waveFilter, QStringLiteral("vorelwf"));
    if (!path)
        return false;
    Result<WaveData> wave = loadWaveFile(localPath(*path));
    if (!wave) {
        reportFailure(QStringLiteral("Loading"), *path, wave.error());
        return true;
    }
    state_.wave = wave.value();
    state_.waveName = nameOf(*path);
    return true;
}

bool MainWindow::loadSound(int) {
    const auto path =
        chooseFile(false, QStringLiteral("Load"), soundFilter, QStringLiteral("vorelsf"));
    if (!path)
        return false;
    Result<SoundSettings> settings = loadSoundFile(localPath(*path));
    if (!settings) {
        reportFailure(QStringLiteral("Loading"), *path, settings.error());
        return true;
    }
    state_.settings = settings.value();
    state_.settingsName = nameOf(*path);
    return true;
}

bool MainWindow::saveSound(int) {
    const auto path =
        chooseFile(true, QStringLiteral("Save"), soundFilter, QStringLiteral("vorelsf"));
    if (!path)
        return false;
    if (const Status saved = saveSoundFile(localPath(*path), state_.settings); !saved) {
        reportFailure(QStringLiteral("Saving"), *path, saved.error());
        return true;
    }
    state_.settingsName = nameOf(*path);
    return true;
}

bool MainWindow::loadSequence(int) {
    const auto path =
        chooseFile(false, QStringLiteral("Load"), sequenceFilter, QStringLiteral("vorelsqf"));
    if (!path)
        return false;
    if (const Status loaded = loadSequenceFile(localPath(*path), state_.sequence); !loaded) {
        reportFailure(QStringLiteral("Loading"), *path, loaded.error());
        return true;
    }
    state_.sequence.sequenceName = nameOf(*path);
    return true;
}

bool MainWindow::saveSequence(int) {
    const auto path =
        chooseFile(true, QStringLiteral("Save"), sequenceFilter, QStringLiteral("vorelsqf"));
    if (!path)
        return false;
    if (const Status saved = saveSequenceFile(localPath(*path), state_.sequence); !saved) {
        reportFailure(QStringLiteral("Saving"), *path, saved.error());
        return true;
    }
    state_.sequence.sequenceName = nameOf(*path);
    return true;
}

bool MainWindow::saveWav(int) {
    const auto path =
        chooseFile(true, QStringLiteral("Save WAV data"), wavFilter, QStringLiteral("WAV"));
    if (!path)
        return false;
    if (const Status saved = saveWavFile(localPath(*path), synth_.renderBuffer()); !saved)
        reportFailure(QStringLiteral("Saving"), *path, saved.error());
    return true;
}

// Sound ------------------------------------------------------------------------------------------

bool MainWindow::computePreviews(int) {
    stopBeforeComputingPreviews(player_, synth_);
    longWork_.run(QStringLiteral("Computing the test notes..."), [this](const Progress& progress) {
        return synth_.computePreviews(state_.settings, state_.wave, progress);
    });
    if (closeAfterWork_)
        close();
    return true;
}

bool MainWindow::playPreview(int id) {
    // 1032 "110Hz", 1033 "220Hz", 1034 "440Hz", 1035 "880Hz"
    vorel::playPreview(player_, synth_, id - 1032);
    return true;
}

bool MainWindow::renderSequence(int) {
    stopBeforeRendering(player_, synth_);
    longWork_.run(QStringLiteral("Rendering the sequence..."), [this](const Progress& progress) {
        return synth_.renderSequence(state_.sequence, state_.settings, state_.wave, progress);
    });
    if (closeAfterWork_)
        close();
    return true;
}

bool MainWindow::playRendering(int) {
    playRender(player_, synth_);
    return true;
}

} // namespace vorel
