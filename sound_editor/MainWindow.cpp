#include "sound_editor/MainWindow.h"

#include "common/WaveFile.h"
#include "platform/AboutBox.h"
#include "platform/LibraryDialog.h"
#include "platform/PcmPlayer.h"
#include "platform/UserDialogs.h"
#include "sequencer/GridChange.h"
#include "sequencer/NoteEditing.h"
#include "sequencer/ui/CopyPhraseDialog.h"
#include "sequencer/ui/InsertNoteDialog.h"
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
#include <QFileInfo>
#include <QMenuBar>
#include <QUndoStack>

#include <algorithm>

namespace vorel::sound {
namespace {

const QString programName = QStringLiteral("Vorel sound editor");

// The push buttons in creation order, at client coordinates.
constexpr ButtonPlace<Command> buttonPlaces[] = {
    {"Pitch", Command::pitchSettings, 20, 95, 80, 30},
    {"AMP", Command::ampSettings, 125, 95, 80, 30},
    {"LPF", Command::lpfSettings, 230, 95, 80, 30},
    {"Compute->", Command::computePreviews, 10, 500, 90, 30},
    {"110Hz", Command::play110, 110, 500, 90, 30},
    {"440Hz", Command::play440, 110, 540, 90, 30},
    {"220Hz", Command::play220, 220, 500, 90, 30},
    {"880Hz", Command::play880, 220, 540, 90, 30},
    {"1/32", Command::thirtySecondLines, 570, 10, 40, 20},
    {"1/24", Command::twentyFourthLines, 620, 10, 40, 20},
    {"1/16", Command::sixteenthLines, 670, 10, 40, 20},
    {"1/12", Command::twelfthLines, 720, 10, 40, 20},
    {"1/8", Command::eighthLines, 770, 10, 40, 20},
    {"1/4", Command::quarterLines, 820, 10, 40, 20},
    {"UP", Command::tempoUp10, 500, 63, 60, 25},
    {"up", Command::tempoUp1, 570, 63, 60, 25},
    {"down", Command::tempoDown1, 640, 63, 60, 25},
    {"DOWN", Command::tempoDown10, 710, 63, 60, 25},
    {"<<", Command::pageBack10, 490, 540, 60, 20},
    {"<", Command::pageBack1, 560, 540, 60, 20},
    {">", Command::pageForward1, 660, 540, 60, 20},
    {">>", Command::pageForward10, 730, 540, 60, 20},
    {"COPY", Command::copyPhrase, 800, 540, 60, 20},
    {"Render->", Command::render, 400, 570, 150, 50},
    {"Play", Command::playRendering, 560, 570, 150, 50},
    {"Save(.WAV)", Command::saveWav, 720, 570, 150, 50},
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

const MainWindow::Row MainWindow::commands[] = {
    {Command::pageBack10, callMember<&MainWindow::stepPage, -10>, Repaint::always},
    {Command::pageBack1, callMember<&MainWindow::stepPage, -1>, Repaint::always},
    {Command::pageForward1, callMember<&MainWindow::stepPage, 1>, Repaint::always},
    {Command::pageForward10, callMember<&MainWindow::stepPage, 10>, Repaint::always},
    {Command::quarterLines, callMember<&MainWindow::toggleDivision, Division::quarter>,
     Repaint::always},
    {Command::eighthLines, callMember<&MainWindow::toggleDivision, Division::eighth>,
     Repaint::always},
    {Command::twelfthLines, callMember<&MainWindow::toggleDivision, Division::twelfth>,
     Repaint::always},
    {Command::sixteenthLines, callMember<&MainWindow::toggleDivision, Division::sixteenth>,
     Repaint::always},
    {Command::twentyFourthLines, callMember<&MainWindow::toggleDivision, Division::twentyFourth>,
     Repaint::always},
    {Command::thirtySecondLines, callMember<&MainWindow::toggleDivision, Division::thirtySecond>,
     Repaint::always},
    {Command::tempoUp10, callMember<&MainWindow::stepTempo, 10>, Repaint::always},
    {Command::tempoUp1, callMember<&MainWindow::stepTempo, 1>, Repaint::always},
    {Command::tempoDown1, callMember<&MainWindow::stepTempo, -1>, Repaint::always},
    {Command::tempoDown10, callMember<&MainWindow::stepTempo, -10>, Repaint::always},
    {Command::pitchSettings, callMember<&MainWindow::openSettings, SettingsPage::pitch>,
     Repaint::always},
    {Command::ampSettings, callMember<&MainWindow::openSettings, SettingsPage::amp>,
     Repaint::always},
    {Command::lpfSettings, callMember<&MainWindow::openSettings, SettingsPage::lpf>,
     Repaint::always},
    {Command::copyPhrase, callMember<&MainWindow::copyPhrase>, Repaint::always},
    {Command::undo, callMember<&MainWindow::undo>, Repaint::always},
    {Command::redo, callMember<&MainWindow::redo>, Repaint::always},
    {Command::loadWave, callMember<&MainWindow::loadWave>, Repaint::unlessCancelled},
    {Command::loadSound, callMember<&MainWindow::loadSound>, Repaint::unlessCancelled},
    {Command::saveSound, callMember<&MainWindow::saveSound>, Repaint::unlessCancelled},
    {Command::loadSequence, callMember<&MainWindow::loadSequence>, Repaint::unlessCancelled},
    {Command::saveSequence, callMember<&MainWindow::saveSequence>, Repaint::unlessCancelled},
    {Command::about, callMember<&MainWindow::showAbout>, Repaint::never},
    {Command::computePreviews, callMember<&MainWindow::computePreviews>, Repaint::never},
    {Command::play110, callMember<&MainWindow::playPreview, 0>, Repaint::never},
    {Command::play220, callMember<&MainWindow::playPreview, 1>, Repaint::never},
    {Command::play440, callMember<&MainWindow::playPreview, 2>, Repaint::never},
    {Command::play880, callMember<&MainWindow::playPreview, 3>, Repaint::never},
    {Command::render, callMember<&MainWindow::renderSequence>, Repaint::never},
    {Command::playRendering, callMember<&MainWindow::playRendering>, Repaint::never},
    {Command::saveWav, callMember<&MainWindow::saveWav>, Repaint::never},
    {Command::importMidi, callMember<&MainWindow::importMidi>, Repaint::unlessCancelled},
    {Command::exportMidi, callMember<&MainWindow::exportMidi>, Repaint::never},
    {Command::library, callMember<&MainWindow::openLibrary>, Repaint::unlessCancelled},
};

MainWindow::MainWindow(Synth& synth, PcmPlayer& player, UserDialogs& dialogs, KeyTones keyTones,
                       QWidget* parent)
    : DocumentWindow(dialogs, &player,
                     {programName, programName, programName, QStringLiteral("vorel-sound-editor"),
                      programName, QStringLiteral("No sound can be played: %1")},
                     parent),
      synth_(synth), keyTones_(std::move(keyTones)), undo_(new QUndoStack(this)) {
    client()->setFont(screenFont());
    createMenu();
    addButtons(std::span<const ButtonPlace<Command>>(buttonPlaces), Qt::StrongFocus);
    trackDocuments();
    setOpenableKinds(
        {{QStringLiteral("vorelwf"), nullptr, [this](const QString& path) { loadWaveFrom(path); }},
         {QStringLiteral("vorelsf"), soundDocument_,
          [this](const QString& path) { loadSoundFrom(path); }},
         {QStringLiteral("vorelsqf"), sequenceDocument_,
          [this](const QString& path) { loadSequenceFrom(path); }},
         {QStringLiteral("mid"), sequenceDocument_,
          [this](const QString& path) { importMidiFrom(path); }},
         {QStringLiteral("midi"), sequenceDocument_,
          [this](const QString& path) { importMidiFrom(path); }}},
        "it is not a wave, sound, sequence or MIDI file (.vorelwf, .vorelsf, "
        ".vorelsqf, .mid)");
    resize(clientWidth,
           clientHeight + menuBar()->sizeHint().height() + LivePanel::statusLineHeight);
    connect(client(), &ClientCanvas::leftPressed, this, &MainWindow::leftPressed);
    connect(client(), &ClientCanvas::rightPressed, this, &MainWindow::rightPressed);
}

MainWindow::~MainWindow() = default;

void MainWindow::createMenu() {
    auto add = [this](QMenu* menu, const QString& text, Command command) {
        addCommand(menu, text, commandNumber(command));
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    add(file, QStringLiteral("Load wave data"), Command::loadWave);
    add(file, QStringLiteral("Load sound data"), Command::loadSound);
    add(file, QStringLiteral("Save sound data"), Command::saveSound);
    file->addSeparator();
    add(file, QStringLiteral("Load sequence data"), Command::loadSequence);
    add(file, QStringLiteral("Save sequence data"), Command::saveSequence);
    add(file, QStringLiteral("Import MIDI..."), Command::importMidi);
    add(file, QStringLiteral("Export MIDI..."), Command::exportMidi);
    file->addSeparator();
    add(file, QStringLiteral("Library..."), Command::library);
    createEditMenu();
    live().addMenu(nullptr);
    QMenu* version = menuBar()->addMenu(QStringLiteral("Version"));
    add(version, QStringLiteral("Version"), Command::about);
    // Alt with "?" or "/" opens the about box.
    addShortcuts({QKeySequence(Qt::ALT | Qt::Key_Question), QKeySequence(Qt::ALT | Qt::Key_Slash)},
                 commandNumber(Command::about));
}

// "Undo insert note" (Ctrl+Z) and "Redo insert note" (Ctrl+Shift+Z, Ctrl+Y), named after the step
// they take and greyed when there is none.
void MainWindow::createEditMenu() {
    QMenu* edit = menuBar()->addMenu(QStringLiteral("Edit"));
    const struct {
        QString verb;
        Command command;
        QList<QKeySequence> keys;
        void (QUndoStack::*textChanged)(const QString&);
        void (QUndoStack::*availabilityChanged)(bool);
    } items[] = {
        {QStringLiteral("Undo"),
         Command::undo,
         {QKeySequence(Qt::CTRL | Qt::Key_Z)},
         &QUndoStack::undoTextChanged,
         &QUndoStack::canUndoChanged},
        {QStringLiteral("Redo"),
         Command::redo,
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
         &QUndoStack::redoTextChanged,
         &QUndoStack::canRedoChanged},
    };
    for (const auto& item : items) {
        QAction* action = addCommand(edit, item.verb, commandNumber(item.command));
        action->setShortcuts(item.keys);
        action->setEnabled(false);
        connect(undo_, item.textChanged, action, [action, verb = item.verb](const QString& step) {
            action->setText(historyText(verb, step));
        });
        connect(undo_, item.availabilityChanged, action, &QAction::setEnabled);
    }
}

bool MainWindow::hasCommand(int number) const {
    return findRow(std::span<const Row>(commands), number) != nullptr;
}

bool MainWindow::runCommand(int number) {
    return runRow(*this, *findRow(std::span<const Row>(commands), number));
}

void MainWindow::stateChanged() {
    liveSound_.follow();
    const bool silent = std::all_of(state_.wave.begin(), state_.wave.end(),
                                    [](double coefficient) { return coefficient == 0.0; });
    live().setHint(silent ? QStringLiteral("Nothing can sound until a wave is loaded: File > Load "
                                           "wave data, or an instrument from File > Library...")
                          : QString());
}

void MainWindow::paintClient(QPainter& painter) const {
    paintScreen(painter, state_);
}

// Grid clicks ------------------------------------------------------------------------------------

void MainWindow::leftPressed(QPoint position) {
    const std::optional<GridSpot> spot = gridSpotAt(position);
    if (longWork_.busy() || !spot)
        return;
    // Every sample of the tone, not only up to its last non-zero one.
    if (keyTones_) {
        live().setPlaying(QStringLiteral("the key tone"));
        player().play(keyTones_(spot->key));
    }
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

bool MainWindow::toggleDivision(Division division) {
    state_.view.toggleDivision(division);
    return true;
}

bool MainWindow::stepTempo(int delta) {
    vorel::stepTempo(state_.sequence, delta);
    return true;
}

bool MainWindow::copyPhrase() {
    if (const std::optional<PhrasePages> pages = CopyPhraseDialog::ask(this))
        pushGridStep(QStringLiteral("copy phrase"),
                     GridChange::record(state_.sequence, copyPhraseArea(pages->to), [&] {
                         vorel::copyPhrase(state_.sequence, pages->from, pages->to);
                     }));
    return true;
}

bool MainWindow::undo() {
    undo_->undo();
    return true;
}

bool MainWindow::redo() {
    undo_->redo();
    return true;
}

bool MainWindow::openSettings(SettingsPage page) {
    if (const auto choices = SettingsDialog::ask(this, page, state_.settings)) {
        const SettingsStep::Indexes before = state_.settings.indexes();
        state_.settings.store(*choices);
        if (state_.settings.indexes() != before)
            undo_->push(new SettingsStep(settingsStepText(page), state_.settings, before));
    }
    return true;
}

bool MainWindow::showAbout() {
    AboutBox box(this, {100, programName, QStringLiteral("Version 0.1, built with Qt 6")},
                 QApplication::windowIcon(), dialogFont(9));
    box.exec();
    return true;
}

// Files ------------------------------------------------------------------------------------------

bool MainWindow::loadWave() {
    return loadThroughDialog(nullptr, {loadTitle, waveFilter, QStringLiteral("vorelwf"), {}},
                             [this](const QString& path) { loadWaveFrom(path); });
}

void MainWindow::loadWaveFrom(const QString& path) {
    if (const std::optional<WaveData> wave = accepted(path, loadWaveFile(enginePath(path)))) {
        state_.wave = *wave;
        state_.waveName = nameOf(path);
        work_.loaded(*waveDocument_, path);
    }
}

bool MainWindow::loadSound() {
    return loadThroughDialog(soundDocument_,
                             {loadTitle, soundFilter, QStringLiteral("vorelsf"), {}},
                             [this](const QString& path) { loadSoundFrom(path); });
}

void MainWindow::loadSoundFrom(const QString& path) {
    if (const auto settings = accepted(path, loadSoundFile(enginePath(path)))) {
        state_.settings = *settings;
        state_.settingsName = nameOf(path);
        undo_->clear();
        work_.loaded(*soundDocument_, path);
    }
}

bool MainWindow::saveSound() {
    return work_.saveWithDialog(*soundDocument_) != UnsavedWork::Saved::cancelled;
}

Status MainWindow::saveSoundTo(const QString& path) {
    const Status saved = saveSoundFile(enginePath(path), state_.settings);
    if (saved)
        state_.settingsName = nameOf(path);
    return saved;
}

bool MainWindow::loadSequence() {
    return loadThroughDialog(sequenceDocument_,
                             {loadTitle, sequenceFilter, QStringLiteral("vorelsqf"), {}},
                             [this](const QString& path) { loadSequenceFrom(path); });
}

void MainWindow::loadSequenceFrom(const QString& path) {
    if (accepted(path, loadSequenceFile(enginePath(path), state_.sequence))) {
        state_.sequence.sequenceName = nameOf(path);
        undo_->clear();
        work_.loaded(*sequenceDocument_, path);
    }
}

void MainWindow::importMidiFrom(const QString& path) {
    if (const std::optional<MidiImport> imported = accepted(path, readMidiFile(enginePath(path)))) {
        applyMidiImport(state_.sequence, *imported);
        state_.sequence.sequenceName = nameOf(path);
        undo_->clear();
        work_.imported(*sequenceDocument_, path);
        tellChanges(programName, imported->report.sentences());
    }
}

bool MainWindow::saveSequence() {
    return work_.saveWithDialog(*sequenceDocument_) != UnsavedWork::Saved::cancelled;
}

Status MainWindow::saveSequenceTo(const QString& path) {
    const Status saved = saveSequenceFile(enginePath(path), state_.sequence);
    if (saved)
        state_.sequence.sequenceName = nameOf(path);
    return saved;
}

bool MainWindow::saveWav() {
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

bool MainWindow::importMidi() {
    return loadThroughDialog(sequenceDocument_,
                             {QStringLiteral("Import MIDI"), midiFilter, QStringLiteral("mid"), {}},
                             [this](const QString& path) { importMidiFrom(path); });
}

// The sequence as a Standard MIDI File at the window's tempo, named like the sequence.
bool MainWindow::exportMidi() {
    const std::optional<QString> path =
        files_.chooseToSave({QStringLiteral("Export MIDI"), midiFilter, QStringLiteral("mid"), {}});
    if (!path)
        return false;
    if (const Status saved = saveMidiFile(enginePath(*path), state_.sequence); !saved)
        files_.reportSaveFailure(*path, saved);
    return true;
}

// The library ------------------------------------------------------------------------------------

bool MainWindow::openLibrary() {
    LibraryDialog dialog(loadProgramLibrary(), LibraryDialog::Shows::instruments, this);
    dialog.setLowestNote(live().keyboard().lowestNote());
    connect(&dialog, &LibraryDialog::auditionRequested, this, [this, &dialog] {
        if (const LibraryInstrument* instrument = dialog.selectedInstrument())
            audition(*instrument);
    });
    connect(&dialog, &LibraryDialog::notePlayed, this,
            [this](int note, int velocity) { player().playKey(note, velocity); });
    const bool chosen = dialog.exec() == QDialog::Accepted && dialog.selectedInstrument();
    // The live notes play the window's sound again.
    liveSound_.follow();
    if (!chosen)
        return false;
    const bool withSong = dialog.chosenAction() == LibraryDialog::Action::loadWithSong;
    return loadInstrument(*dialog.selectedInstrument(), withSong ? dialog.selectedSong() : nullptr);
}

void MainWindow::loadInstrument(const QString& name) {
    const Library library = loadProgramLibrary();
    if (const LibraryInstrument* instrument = library.instrument(name.toStdString()))
        loadInstrument(*instrument, library.songFor(instrument->name));
    else
        dialogs_.showMessage(
            this, programName,
            QStringLiteral("The library has no instrument named \"%1\".").arg(name));
    repaintClient();
}

bool MainWindow::loadInstrument(const LibraryInstrument& instrument, const LibrarySong* song) {
    if (!work_.mayReplace(*soundDocument_) ||
        (song != nullptr && !work_.mayReplace(*sequenceDocument_)))
        return false;
    loadWaveFrom(QString::fromStdString(instrument.wavePath));
    loadSoundFrom(QString::fromStdString(instrument.soundPath));
    if (song != nullptr) {
        loadSequenceFrom(QString::fromStdString(song->sequencePath));
        state_.sequence.tempo = song->tempo;
    }
    return true;
}

void MainWindow::audition(const LibraryInstrument& instrument) {
    const Result<WaveData> wave = loadWaveFile(instrument.wavePath);
    const Result<SoundSettings> settings = loadSoundFile(instrument.soundPath);
    if (wave && settings)
        liveSound_.audition(settings.value(), wave.value());
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

UnsavedWork::ViewState MainWindow::recoveredView() {
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
    return {describe, restore};
}

// Sound ------------------------------------------------------------------------------------------

bool MainWindow::computePreviews() {
    stopBeforeComputingPreviews(player(), synth_);
    longWork_.run(QStringLiteral("Computing the test notes..."), [this](const Progress& progress) {
        return synth_.computePreviews(state_.settings, state_.wave, progress);
    });
    return true;
}

bool MainWindow::playPreview(int index) {
    static const char* const names[] = {"110Hz", "220Hz", "440Hz", "880Hz"};
    live().setPlaying(QStringLiteral("the %1 test note").arg(QLatin1String(names[index])));
    sound::playPreview(player(), synth_, index);
    return true;
}

bool MainWindow::renderSequence() {
    stopBeforeRendering(player(), synth_);
    longWork_.run(QStringLiteral("Rendering the sequence..."), [this](const Progress& progress) {
        return synth_.renderSequence(state_.sequence, state_.settings, state_.wave, progress);
    });
    return true;
}

bool MainWindow::playRendering() {
    live().setPlaying(QStringLiteral("the rendered sequence"));
    playRender(player(), synth_);
    return true;
}

} // namespace vorel::sound
