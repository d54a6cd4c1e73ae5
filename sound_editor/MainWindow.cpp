#include "sound_editor/MainWindow.h"

#include "common/WaveFile.h"
#include "platform/AboutBox.h"
#include "platform/PcmPlayer.h"
#include "platform/UserDialogs.h"
#include "sequencer/GridChange.h"
#include "sequencer/NoteEditing.h"
#include "sequencer/ui/CopyPhraseDialog.h"
#include "sequencer/ui/InsertNoteDialog.h"
#include "sound_editor/ClientArea.h"
#include "sound_editor/Commands.h"
#include "sound_editor/EditSteps.h"
#include "sound_editor/ScreenPainter.h"
#include "sound_editor/SoundPlayback.h"
#include "sound_editor_io/MidiFile.h"
#include "sound_editor_io/SequenceFile.h"
#include "sound_editor_io/SoundEditorFiles.h"
#include "sound_editor_io/SoundFile.h"
#include "synth/Synth.h"
#include "synth/ui/SettingsDialog.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QUndoStack>

#include <algorithm>

namespace vorel {
namespace command = sound::command;
namespace {

const QString programName = QStringLiteral("Vorel sound editor");

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
    {"Pitch", command::pitchSettings, 20, 95, 80, 30},
    {"AMP", command::ampSettings, 125, 95, 80, 30},
    {"LPF", command::lpfSettings, 230, 95, 80, 30},
    {"Compute->", command::computePreviews, 10, 500, 90, 30},
    {"110Hz", command::play110, 110, 500, 90, 30},
    {"440Hz", command::play440, 110, 540, 90, 30},
    {"220Hz", command::play220, 220, 500, 90, 30},
    {"880Hz", command::play880, 220, 540, 90, 30},
    {"1/32", command::thirtySecondLines, 570, 10, 40, 20},
    {"1/24", command::twentyFourthLines, 620, 10, 40, 20},
    {"1/16", command::sixteenthLines, 670, 10, 40, 20},
    {"1/12", command::twelfthLines, 720, 10, 40, 20},
    {"1/8", command::eighthLines, 770, 10, 40, 20},
    {"1/4", command::quarterLines, 820, 10, 40, 20},
    {"UP", command::tempoUp10, 500, 63, 60, 25},
    {"up", command::tempoUp1, 570, 63, 60, 25},
    {"down", command::tempoDown1, 640, 63, 60, 25},
    {"DOWN", command::tempoDown10, 710, 63, 60, 25},
    {"<<", command::pageBack10, 490, 540, 60, 20},
    {"<", command::pageBack1, 560, 540, 60, 20},
    {">", command::pageForward1, 660, 540, 60, 20},
    {">>", command::pageForward10, 730, 540, 60, 20},
    {"COPY", command::copyPhrase, 800, 540, 60, 20},
    {"Render->", command::render, 400, 570, 150, 50},
    {"Play", command::playRendering, 560, 570, 150, 50},
    {"Save(.WAV)", command::saveWav, 720, 570, 150, 50},
};

const QString loadTitle = QStringLiteral("Load");
const QString saveTitle = QStringLiteral("Save");
const QString soundFilter = QStringLiteral("Vorel sound file(*.vorelsf)");
const QString sequenceFilter = QStringLiteral("Vorel sequence file(*.vorelsqf)");
const QString waveFilter = QStringLiteral("Vorel wave file(*.vorelwf)");
const QString wavFilter = QStringLiteral("WAV file(*.WAV)");
const QString flacFilter = QStringLiteral("FLAC file(*.flac)");
const QString midiFilter = QStringLiteral("MIDI file(*.mid *.midi)");

// The shown name of a chosen file: its name without folder, up to the first '.'.
DisplayName nameOf(const QString& path) {
    return nameFromTitle(QFileInfo(path).fileName().toStdU16String());
}

constexpr int divisionArgument(Division division) {
    return static_cast<int>(division);
}

constexpr int pageArgument(SettingsPage page) {
    return static_cast<int>(page);
}

// The name of an undo step for the settings dialog of `page`.
QString settingsStepText(SettingsPage page) {
    switch (page) {
    case SettingsPage::pitch:
        return QStringLiteral("pitch settings");
    case SettingsPage::amp:
        return QStringLiteral("AMP settings");
    case SettingsPage::lpf:
        return QStringLiteral("LPF settings");
    }
    return {};
}

// "Undo insert note", or "Undo" alone when there is nothing to undo.
QString historyText(const QString& verb, const QString& step) {
    return step.isEmpty() ? verb : verb + QLatin1Char(' ') + step;
}

// Whether `bytes` pass the checks of a load of the file format `decode` reads.
template <typename Decode> Status checkedBy(Decode decode, std::span<const std::byte> bytes) {
    const auto decoded = decode(bytes);
    return decoded ? Status::success() : Status::failure(decoded.error());
}

} // namespace

const Command<MainWindow> MainWindow::commands[] = {
    {command::pageBack10, &MainWindow::stepPage, -10, Repaint::always},
    {command::pageBack1, &MainWindow::stepPage, -1, Repaint::always},
    {command::pageForward1, &MainWindow::stepPage, 1, Repaint::always},
    {command::pageForward10, &MainWindow::stepPage, 10, Repaint::always},
    {command::quarterLines, &MainWindow::toggleDivision, divisionArgument(Division::quarter),
     Repaint::always},
    {command::eighthLines, &MainWindow::toggleDivision, divisionArgument(Division::eighth),
     Repaint::always},
    {command::twelfthLines, &MainWindow::toggleDivision, divisionArgument(Division::twelfth),
     Repaint::always},
    {command::sixteenthLines, &MainWindow::toggleDivision, divisionArgument(Division::sixteenth),
     Repaint::always},
    {command::twentyFourthLines, &MainWindow::toggleDivision,
     divisionArgument(Division::twentyFourth), Repaint::always},
    {command::thirtySecondLines, &MainWindow::toggleDivision,
     divisionArgument(Division::thirtySecond), Repaint::always},
    {command::tempoUp10, &MainWindow::stepTempo, 10, Repaint::always},
    {command::tempoUp1, &MainWindow::stepTempo, 1, Repaint::always},
    {command::tempoDown1, &MainWindow::stepTempo, -1, Repaint::always},
    {command::tempoDown10, &MainWindow::stepTempo, -10, Repaint::always},
    {command::pitchSettings, &MainWindow::openSettings, pageArgument(SettingsPage::pitch),
     Repaint::always},
    {command::ampSettings, &MainWindow::openSettings, pageArgument(SettingsPage::amp),
     Repaint::always},
    {command::lpfSettings, &MainWindow::openSettings, pageArgument(SettingsPage::lpf),
     Repaint::always},
    {command::copyPhrase, &MainWindow::copyPhrase, 0, Repaint::always},
    {command::undo, &MainWindow::stepHistory, -1, Repaint::always},
    {command::redo, &MainWindow::stepHistory, 1, Repaint::always},
    {command::loadWave, &MainWindow::loadWave, 0, Repaint::unlessCancelled},
    {command::loadSound, &MainWindow::loadSound, 0, Repaint::unlessCancelled},
    {command::saveSound, &MainWindow::saveSound, 0, Repaint::unlessCancelled},
    {command::loadSequence, &MainWindow::loadSequence, 0, Repaint::unlessCancelled},
    {command::saveSequence, &MainWindow::saveSequence, 0, Repaint::unlessCancelled},
    {command::about, &MainWindow::showAbout, 0, Repaint::never},
    {command::computePreviews, &MainWindow::computePreviews, 0, Repaint::never},
    {command::play110, &MainWindow::playPreview, 0, Repaint::never},
    {command::play220, &MainWindow::playPreview, 1, Repaint::never},
    {command::play440, &MainWindow::playPreview, 2, Repaint::never},
    {command::play880, &MainWindow::playPreview, 3, Repaint::never},
    {command::render, &MainWindow::renderSequence, 0, Repaint::never},
    {command::playRendering, &MainWindow::playRendering, 0, Repaint::never},
    {command::saveWav, &MainWindow::saveWav, 0, Repaint::never},
    {command::importMidi, &MainWindow::importMidi, 0, Repaint::unlessCancelled},
    {command::exportMidi, &MainWindow::exportMidi, 0, Repaint::never},
};

MainWindow::MainWindow(Synth& synth, PcmPlayer& player, UserDialogs& dialogs, KeyTones keyTones,
                       QWidget* parent)
    : QMainWindow(parent), synth_(synth), player_(player), dialogs_(dialogs), files_(dialogs, this),
      keyTones_(std::move(keyTones)), client_(new ClientArea(state_, this)),
      longWork_(this, programName), undo_(new QUndoStack(this)),
      work_(this, dialogs, files_, programName) {
    // The title shows whether there is unsaved work.
    setWindowTitle(programName + QStringLiteral("[*]"));
    setCentralWidget(client_);
    setAcceptDrops(true);
    createMenu();
    createButtons();
    trackDocuments();
    resize(clientWidth, clientHeight + menuBar()->sizeHint().height());

    connect(client_, &ClientArea::leftPressed, this, &MainWindow::leftPressed);
    connect(client_, &ClientArea::rightPressed, this, &MainWindow::rightPressed);
    // Said once: the player reports only its first failure. Queued, so the message box does not
    // open inside the play call.
    connect(
        &player_, &PcmPlayer::deviceUnavailable, this,
        [this](const QString& reason) {
            dialogs_.showMessage(this, programName,
                                 QStringLiteral("No sound can be played: %1").arg(reason));
        },
        Qt::QueuedConnection);
    connect(&player_, &PcmPlayer::soundStopped, this, [this](const QString& reason) {
        dialogs_.showMessage(this, programName,
                             QStringLiteral("The sound stopped: %1").arg(reason));
    });
}

MainWindow::~MainWindow() = default;

void MainWindow::createMenu() {
    auto addCommand = [this](QMenu* menu, const QString& text, int id) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QString::number(id));
        connect(action, &QAction::triggered, this, [this, id] { dispatch(id); });
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    addCommand(file, QStringLiteral("Load wave data"), command::loadWave);
    addCommand(file, QStringLiteral("Load sound data"), command::loadSound);
    addCommand(file, QStringLiteral("Save sound data"), command::saveSound);
    file->addSeparator();
    addCommand(file, QStringLiteral("Load sequence data"), command::loadSequence);
    addCommand(file, QStringLiteral("Save sequence data"), command::saveSequence);
    addCommand(file, QStringLiteral("Import MIDI..."), command::importMidi);
    addCommand(file, QStringLiteral("Export MIDI..."), command::exportMidi);
    file->addSeparator();
    createEditMenu();
    QMenu* version = menuBar()->addMenu(QStringLiteral("Version"));
    addCommand(version, QStringLiteral("Version"), command::about);

    // Alt with "?" or "/" opens the about box.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::ALT | Qt::Key_Question), QKeySequence(Qt::ALT | Qt::Key_Slash)}) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, [this] { dispatch(command::about); });
    }
}

// "Undo insert note" (Ctrl+Z) and "Redo insert note" (Ctrl+Shift+Z, Ctrl+Y), named after the step
// they take and greyed when there is none.
void MainWindow::createEditMenu() {
    QMenu* edit = menuBar()->addMenu(QStringLiteral("Edit"));
    const struct {
        QString verb;
        int id;
        QList<QKeySequence> keys;
        void (QUndoStack::*textChanged)(const QString&);
        void (QUndoStack::*availabilityChanged)(bool);
    } items[] = {
        {QStringLiteral("Undo"),
         command::undo,
         {QKeySequence(Qt::CTRL | Qt::Key_Z)},
         &QUndoStack::undoTextChanged,
         &QUndoStack::canUndoChanged},
        {QStringLiteral("Redo"),
         command::redo,
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
         &QUndoStack::redoTextChanged,
         &QUndoStack::canRedoChanged},
    };
    for (const auto& item : items) {
        QAction* action = edit->addAction(item.verb);
        action->setObjectName(QString::number(item.id));
        action->setShortcuts(item.keys);
        action->setEnabled(false);
        const int id = item.id;
        connect(action, &QAction::triggered, this, [this, id] { dispatch(id); });
        connect(undo_, item.textChanged, action, [action, verb = item.verb](const QString& step) {
            action->setText(historyText(verb, step));
        });
        connect(undo_, item.availabilityChanged, action, &QAction::setEnabled);
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
    const Command<MainWindow>* command = findCommand<MainWindow>(commands, id);
    if (command == nullptr)
        return false;
    // Nothing runs while long work is going on: it reads the state.
    if (longWork_.busy())
        return true;
    if (runCommand(*this, *command))
        repaintClient();
    work_.changed();
    return true;
}

void MainWindow::repaintClient() {
    live_.follow();
    client_->repaint();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Long work reads the window's state: it stops first, then the window closes.
    if (longWork_.holdBackClose(event))
        return;
    if (!work_.mayClose()) {
        event->ignore();
        return;
    }
    player_.stop();
    event->accept();
}

void MainWindow::closeUrgently() {
    work_.closeUrgently();
    longWork_.cancel();
    close();
}

// Grid clicks ------------------------------------------------------------------------------------

void MainWindow::leftPressed(QPoint position) {
    const std::optional<GridSpot> spot = gridSpotAt(position);
    if (longWork_.busy() || !spot)
        return;
    // Every sample of the tone, not only up to its last non-zero one.
    if (keyTones_)
        player_.play(keyTones_(spot->key));
}

void MainWindow::rightPressed(QPoint position) {
    const std::optional<GridSpot> spot = gridSpotAt(position);
    if (longWork_.busy() || !spot)
        return;
    const int tick = state_.view.currentPage * ticksPerPage + spot->tickInPage;
    const int key = spot->key;
    const std::optional<NoteEdit> edit =
        InsertNoteDialog::ask(this, state_.sequence, state_.view, tick, key);
    if (!edit)
        return;
    const bool hadNote = state_.sequence.cell(tick, key).noteLength != 0;
    GridChange change = GridChange::record(state_.sequence, noteEditArea(tick, key), [&] {
        applyNoteEdit(state_.sequence, state_.view, tick, key, *edit);
    });
    const bool hasNote = state_.sequence.cell(tick, key).noteLength != 0;
    pushGridStep(!hasNote  ? QStringLiteral("delete note")
                 : hadNote ? QStringLiteral("replace note")
                           : QStringLiteral("insert note"),
                 std::move(change));
    work_.changed();
    repaintClient();
}

void MainWindow::pushGridStep(const QString& text, GridChange change) {
    if (!change.empty())
        undo_->push(new GridStep(text, state_.sequence, std::move(change)));
}

// Sequencer commands -----------------------------------------------------------------------------

bool MainWindow::stepPage(int delta) {
    state_.view.stepPage(delta);
    return true;
}

bool MainWindow::toggleDivision(int division) {
    state_.view.toggleDivision(static_cast<Division>(division));
    return true;
}

bool MainWindow::stepTempo(int delta) {
    vorel::stepTempo(state_.sequence, delta);
    return true;
}

bool MainWindow::copyPhrase(int) {
    if (const std::optional<PhrasePages> pages = CopyPhraseDialog::ask(this))
        pushGridStep(QStringLiteral("copy phrase"),
                     GridChange::record(state_.sequence, copyPhraseArea(pages->to), [&] {
                         vorel::copyPhrase(state_.sequence, pages->from, pages->to);
                     }));
    return true;
}

bool MainWindow::stepHistory(int direction) {
    if (direction < 0)
        undo_->undo();
    else
        undo_->redo();
    return true;
}

bool MainWindow::openSettings(int page) {
    const auto settingsPage = static_cast<SettingsPage>(page);
    if (const auto choices = SettingsDialog::ask(this, settingsPage, state_.settings)) {
        const SettingsStep::Indexes before = state_.settings.indexes();
        state_.settings.store(*choices);
        if (state_.settings.indexes() != before)
            undo_->push(new SettingsStep(settingsStepText(settingsPage), state_.settings, before));
    }
    return true;
}

bool MainWindow::showAbout(int) {
    AboutBox box(this, {100, programName, QStringLiteral("Version 0.1, built with Qt 6")},
                 QApplication::windowIcon(), dialogFont(9));
    box.exec();
    return true;
}

// Files ------------------------------------------------------------------------------------------

bool MainWindow::loadWave(int) {
    const std::optional<QString> path =
        files_.chooseToLoad({loadTitle, waveFilter, QStringLiteral("vorelwf"), {}});
    if (path)
        loadWaveFrom(*path);
    return path.has_value();
}

void MainWindow::loadWaveFrom(const QString& path) {
    const Result<WaveData> wave = loadWaveFile(enginePath(path));
    if (!wave) {
        files_.reportLoadFailure(path, wave.error());
        return;
    }
    state_.wave = wave.value();
    state_.waveName = nameOf(path);
    work_.loaded(*waveDocument_, path);
}

bool MainWindow::loadSound(int) {
    if (!work_.mayReplace(*soundDocument_))
        return false;
    const std::optional<QString> path =
        files_.chooseToLoad({loadTitle, soundFilter, QStringLiteral("vorelsf"), {}});
    if (path)
        loadSoundFrom(*path);
    return path.has_value();
}

void MainWindow::loadSoundFrom(const QString& path) {
    const Result<SoundSettings> settings = loadSoundFile(enginePath(path));
    if (!settings) {
        files_.reportLoadFailure(path, settings.error());
        return;
    }
    state_.settings = settings.value();
    state_.settingsName = nameOf(path);
    undo_->clear();
    work_.loaded(*soundDocument_, path);
}

bool MainWindow::saveSound(int) {
    return work_.saveWithDialog(*soundDocument_) != UnsavedWork::Saved::cancelled;
}

Status MainWindow::saveSoundTo(const QString& path) {
    const Status saved = saveSoundFile(enginePath(path), state_.settings);
    if (saved)
        state_.settingsName = nameOf(path);
    return saved;
}

bool MainWindow::loadSequence(int) {
    if (!work_.mayReplace(*sequenceDocument_))
        return false;
    const std::optional<QString> path =
        files_.chooseToLoad({loadTitle, sequenceFilter, QStringLiteral("vorelsqf"), {}});
    if (path)
        loadSequenceFrom(*path);
    return path.has_value();
}

void MainWindow::loadSequenceFrom(const QString& path) {
    if (const Status loaded = loadSequenceFile(enginePath(path), state_.sequence); !loaded) {
        files_.reportLoadFailure(path, loaded.error());
        return;
    }
    state_.sequence.sequenceName = nameOf(path);
    undo_->clear();
    work_.loaded(*sequenceDocument_, path);
}

void MainWindow::importMidiFrom(const QString& path) {
    const Result<MidiImport> imported = readMidiFile(enginePath(path));
    if (!imported) {
        files_.reportLoadFailure(path, imported.error());
        return;
    }
    applyMidiImport(state_.sequence, imported.value());
    state_.sequence.sequenceName = nameOf(path);
    undo_->clear();
    work_.imported(*sequenceDocument_, path);
    QStringList changes;
    for (const std::string& sentence : imported.value().report.sentences())
        changes << QString::fromStdString(sentence);
    if (!changes.isEmpty())
        dialogs_.showMessage(this, programName, changes.join(QLatin1Char('\n')));
}

void MainWindow::openFile(const QString& path) {
    // Input is thrown away while long work runs; so is a file dropped meanwhile.
    if (longWork_.busy())
        return;
    struct Kind {
        const char* suffix;
        void (MainWindow::*load)(const QString&);
        Document* MainWindow::*replaces; // none for a wave: the sound editor does not edit it
    };
    static constexpr Kind kinds[] = {
        {"vorelwf", &MainWindow::loadWaveFrom, nullptr},
        {"vorelsf", &MainWindow::loadSoundFrom, &MainWindow::soundDocument_},
        {"vorelsqf", &MainWindow::loadSequenceFrom, &MainWindow::sequenceDocument_},
        {"mid", &MainWindow::importMidiFrom, &MainWindow::sequenceDocument_},
        {"midi", &MainWindow::importMidiFrom, &MainWindow::sequenceDocument_}};
    const QString suffix = QFileInfo(path).suffix();
    for (const Kind& kind : kinds) {
        if (suffix.compare(QLatin1String(kind.suffix), Qt::CaseInsensitive) == 0) {
            if (kind.replaces != nullptr && !work_.mayReplace(*(this->*kind.replaces)))
                return;
            files_.used(path);
            (this->*kind.load)(path);
            repaintClient();
            return;
        }
    }
    files_.reportLoadFailure(path, "it is not a wave, sound, sequence or MIDI file (.vorelwf, "
                                   ".vorelsf, .vorelsqf, .mid)");
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (FileCommands::acceptsDrop(event->mimeData()))
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    event->acceptProposedAction();
    files_.openDropped(event->mimeData(), [this](const QString& path) { openFile(path); });
}

bool MainWindow::saveSequence(int) {
    return work_.saveWithDialog(*sequenceDocument_) != UnsavedWork::Saved::cancelled;
}

Status MainWindow::saveSequenceTo(const QString& path) {
    const Status saved = saveSequenceFile(enginePath(path), state_.sequence);
    if (saved)
        state_.sequence.sequenceName = nameOf(path);
    return saved;
}

bool MainWindow::saveWav(int) {
    // FLAC is offered beside WAV; the name chosen says which: the same samples either way.
    const std::optional<QString> path =
        files_.chooseToSave({QStringLiteral("Save WAV data"),
                             wavFilter + QStringLiteral(";;") + flacFilter,
                             QStringLiteral("WAV"),
                             {}});
    if (!path)
        return false;
    const bool flac =
        QFileInfo(*path).suffix().compare(QStringLiteral("flac"), Qt::CaseInsensitive) == 0;
    const Status saved = flac ? saveFlacFile(enginePath(*path), synth_.renderBuffer())
                              : saveWavFile(enginePath(*path), synth_.renderBuffer());
    if (!saved)
        files_.reportSaveFailure(*path, saved);
    return true;
}

bool MainWindow::importMidi(int) {
    if (!work_.mayReplace(*sequenceDocument_))
        return false;
    const std::optional<QString> path =
        files_.chooseToLoad({QStringLiteral("Import MIDI"), midiFilter, QStringLiteral("mid"), {}});
    if (path)
        importMidiFrom(*path);
    return path.has_value();
}

// The sequence as a Standard MIDI File at the window's tempo, named like the sequence.
bool MainWindow::exportMidi(int) {
    const std::optional<QString> path =
        files_.chooseToSave({QStringLiteral("Export MIDI"), midiFilter, QStringLiteral("mid"), {}});
    if (!path)
        return false;
    if (const Status saved = saveMidiFile(enginePath(*path), state_.sequence); !saved)
        files_.reportSaveFailure(*path, saved);
    return true;
}

// Unsaved work -----------------------------------------------------------------------------------

void MainWindow::trackDocuments() {
    sequenceDocument_ = &work_.add(
        {DocumentKind::sequence,
         QStringLiteral("sequence"),
         {saveTitle, sequenceFilter, QStringLiteral("vorelsqf"), {}},
         [this] { return encodeSequenceFile(state_.sequence); },
         [this](const QString& path) { return saveSequenceTo(path); },
         [](std::span<const std::byte> bytes) { return checkedBy(decodeSequenceFile, bytes); },
         [this](std::span<const std::byte> bytes, const QString& name) {
             loadNotes(state_.sequence, decodeSequenceFile(bytes).value());
             state_.sequence.sequenceName = nameFromTitle(name.toStdU16String());
             undo_->clear();
         }});
    soundDocument_ = &work_.add(
        {DocumentKind::sound,
         QStringLiteral("sound settings"),
         {saveTitle, soundFilter, QStringLiteral("vorelsf"), {}},
         [this] { return encodeSoundFile(state_.settings); },
         [this](const QString& path) { return saveSoundTo(path); },
         [](std::span<const std::byte> bytes) { return checkedBy(decodeSoundFile, bytes); },
         [this](std::span<const std::byte> bytes, const QString& name) {
             state_.settings = decodeSoundFile(bytes).value();
             state_.settingsName = nameFromTitle(name.toStdU16String());
             undo_->clear();
         }});
    // The wave is only read here, never modified; it is tracked so that a recovery brings it back
    // with the notes and the settings that were made for it. It has no save.
    waveDocument_ = &work_.add(
        {DocumentKind::wave,
         QStringLiteral("wave"),
         {},
         [this] { return encodeWaveFile(state_.wave); },
         {},
         [](std::span<const std::byte> bytes) { return checkedBy(decodeWaveFile, bytes); },
         [this](std::span<const std::byte> bytes, const QString& name) {
             state_.wave = decodeWaveFile(bytes).value();
             state_.waveName = nameFromTitle(name.toStdU16String());
         }});
}

void MainWindow::keepWorkIn(const std::string& folder) {
    // The tempo is no part of a sequence file, and the page on screen is where the user was.
    auto describe = [this](RecoveryIndex& index) {
        index.tempo = state_.sequence.tempo;
        index.page = state_.view.currentPage;
    };
    auto restore = [this](const RecoveryIndex& index) {
        if (index.tempo)
            state_.sequence.tempo = std::clamp(*index.tempo, minTempo, maxTempo);
        if (index.page)
            state_.view.currentPage = std::clamp(*index.page, 0, pageCount - 1);
    };
    work_.keepCopiesIn(folder, "vorel-sound-editor", {describe, restore});
    work_.offerLeftWork();
    repaintClient();
}

// Sound ------------------------------------------------------------------------------------------

bool MainWindow::computePreviews(int) {
    stopBeforeComputingPreviews(player_, synth_);
    longWork_.run(QStringLiteral("Computing the test notes..."), [this](const Progress& progress) {
        return synth_.computePreviews(state_.settings, state_.wave, progress);
    });
    return true;
}

bool MainWindow::playPreview(int index) {
    vorel::playPreview(player_, synth_, index);
    return true;
}

bool MainWindow::renderSequence(int) {
    stopBeforeRendering(player_, synth_);
    longWork_.run(QStringLiteral("Rendering the sequence..."), [this](const Progress& progress) {
        return synth_.renderSequence(state_.sequence, state_.settings, state_.wave, progress);
    });
    return true;
}

bool MainWindow::playRendering(int) {
    playRender(player_, synth_);
    return true;
}

} // namespace vorel
