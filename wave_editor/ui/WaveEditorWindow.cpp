#include "wave_editor/ui/WaveEditorWindow.h"

#include "audio/AudioOutput.h"
#include "common/Library.h"
#include "common/WaveFile.h"
#include "platform/AboutBox.h"
#include "platform/LibraryDialog.h"
#include "platform/PcmPlayer.h"
#include "platform/UserDialogs.h"
#include "wave_editor/SingleCycle.h"
#include "wave_editor/ui/ScreenPainter.h"
#include "wave_editor/ui/WaveDialogs.h"

#include <QMenuBar>

#include <algorithm>

// The icon lives in a static library, whose resources are registered by hand.
static void registerWaveEditorResources() {
    Q_INIT_RESOURCE(wave_editor);
}

namespace vorel::wave {
namespace {

constexpr int clientWidth = 930;
constexpr int clientHeight = 650;

const QString waveFilter = QStringLiteral("Vorel wave file(*.vorelwf)");
const QString cycleFilter = QStringLiteral("WAV file(*.wav)");
const QString soundFileFilter = QStringLiteral("Sound file(*.wav *.aif *.aiff *.flac)");

// In creation order (which is also the tab order).
constexpr ButtonPlace<Command> buttonPlaces[] = {
    {"Input", Command::input, 775, 10, 50, 24},
    {"<<", Command::cursorBack10, 650, 45, 50, 24},
    {"<", Command::cursorBack1, 710, 45, 50, 24},
    {">", Command::cursorForward1, 770, 45, 50, 24},
    {">>", Command::cursorForward10, 830, 45, 50, 24},
    {"+UP", Command::raise, 650, 90, 50, 30},
    {"*UP", Command::scaleUp, 710, 90, 50, 30},
    {"/DWN", Command::scaleDown, 770, 90, 50, 30},
    {"-DWN", Command::lower, 830, 90, 50, 30},
    {"0", Command::setZero, 650, 135, 50, 30},
    {"1/n^x", Command::powerLaw, 710, 135, 50, 30},
    {"1", Command::setOne, 770, 135, 50, 30},
    {"*-1", Command::invert, 830, 135, 50, 30},
    {"Reset", Command::reset, 650, 180, 50, 30},
    {"Select", Command::selectSeries, 710, 180, 50, 30},
    {"Deslct", Command::deselectSeries, 770, 180, 50, 30},
    {"Randm", Command::randomize, 830, 180, 50, 30},
    {"Select all", Command::selectAll, 669, 430, 90, 30},
    {"Deselect all", Command::deselectAll, 769, 430, 90, 30},
    {"<-", Command::historyBack, 669, 475, 90, 30},
    {"->", Command::historyForward, 769, 475, 90, 30},
    {"Memory", Command::storeSelection, 669, 520, 90, 30},
    {"Load", Command::recallSelection, 769, 520, 90, 30},
    {"Compute", Command::compute, 10, 450, 90, 30},
    {"110Hz", Command::play110, 120, 450, 90, 30},
    {"440Hz", Command::play440, 230, 450, 90, 30},
    {"880Hz", Command::play880, 340, 450, 90, 30},
    {"sin<-->cos", Command::toggleCosine, 520, 425, 90, 30},
};

} // namespace

const WaveEditorWindow::Row WaveEditorWindow::commands[] = {
    {Command::about, callMember<&WaveEditorWindow::showAbout>, Repaint::never},
    {Command::exit, callMember<&WaveEditorWindow::exit>, Repaint::never},
    {Command::loadFile, callMember<&WaveEditorWindow::loadWave>, Repaint::unlessCancelled},
    {Command::saveFile, callMember<&WaveEditorWindow::saveWave>, Repaint::never},
    {Command::importCycle, callMember<&WaveEditorWindow::importCycle>, Repaint::unlessCancelled},
    {Command::exportCycle, callMember<&WaveEditorWindow::exportCycle>, Repaint::never},
    {Command::library, callMember<&WaveEditorWindow::openLibrary>, Repaint::unlessCancelled},
    {Command::compute, callMember<&WaveEditorWindow::computePreviews>, Repaint::never},
    {Command::play110, callMember<&WaveEditorWindow::playPreview, 0>, Repaint::never},
    {Command::play440, callMember<&WaveEditorWindow::playPreview, 1>, Repaint::never},
    {Command::play880, callMember<&WaveEditorWindow::playPreview, 2>, Repaint::never},
    // Nothing shown changes.
    {Command::storeSelection, onModel<&WaveEditorModel::storeSelection>, Repaint::never},
    {Command::cursorBack10, onModel<&WaveEditorModel::moveCursor, -10>, Repaint::always},
    {Command::cursorBack1, onModel<&WaveEditorModel::moveCursor, -1>, Repaint::always},
    {Command::cursorForward1, onModel<&WaveEditorModel::moveCursor, 1>, Repaint::always},
    {Command::cursorForward10, onModel<&WaveEditorModel::moveCursor, 10>, Repaint::always},
    {Command::raise, onModel<&WaveEditorModel::raise>, Repaint::always},
    {Command::lower, onModel<&WaveEditorModel::lower>, Repaint::always},
    {Command::scaleUp, onModel<&WaveEditorModel::scaleUp>, Repaint::always},
    {Command::scaleDown, onModel<&WaveEditorModel::scaleDown>, Repaint::always},
    {Command::setZero, onModel<&WaveEditorModel::setZero>, Repaint::always},
    {Command::setOne, onModel<&WaveEditorModel::setOne>, Repaint::always},
    {Command::invert, onModel<&WaveEditorModel::invert>, Repaint::always},
    {Command::randomize, onModel<&WaveEditorModel::randomize>, Repaint::always},
    {Command::reset, onModel<&WaveEditorModel::reset>, Repaint::always},
    {Command::powerLaw, callMember<&WaveEditorWindow::applyPowerLaw>, Repaint::always},
    {Command::input, callMember<&WaveEditorWindow::applyInput>, Repaint::always},
    {Command::selectSeries, callMember<&WaveEditorWindow::selectSeries, true>, Repaint::always},
    {Command::deselectSeries, callMember<&WaveEditorWindow::selectSeries, false>, Repaint::always},
    {Command::selectAll, onModel<&WaveEditorModel::selectAll>, Repaint::always},
    {Command::deselectAll, onModel<&WaveEditorModel::deselectAll>, Repaint::always},
    {Command::recallSelection, onModel<&WaveEditorModel::recallSelection>, Repaint::always},
    {Command::toggleCosine, onModel<&WaveEditorModel::toggleCosineView>, Repaint::always},
    {Command::historyBack, onModel<&WaveEditorModel::stepBack>, Repaint::always},
    {Command::historyForward, onModel<&WaveEditorModel::stepForward>, Repaint::always},
};

WaveEditorWindow::WaveEditorWindow(UserDialogs& dialogs, QWidget* parent)
    : DocumentWindow(dialogs, nullptr,
                     {QStringLiteral("Vorel v0.0"), QStringLiteral("Vorel"),
                      QStringLiteral("Compute"), QStringLiteral("vorel"), QStringLiteral("ERROR"),
                      QStringLiteral("The sound cannot be played: %1")},
                     parent) {
    registerWaveEditorResources();
    trackWave();
    setWindowIcon(QIcon(":/wave_editor/vorel.png"));
    client()->setFixedSize(clientWidth, clientHeight);
    connect(client(), &ClientCanvas::leftPressed, this, &WaveEditorWindow::gridClick);
    buildMenu();
    addButtons(std::span<const ButtonPlace<Command>>(buttonPlaces), Qt::NoFocus);
    setOpenableKinds({{QStringLiteral("vorelwf"), waveDocument_,
                       [this](const QString& path) { loadWaveFrom(path); }}},
                     "it is not a wave file (.vorelwf)");
}

WaveEditorWindow::~WaveEditorWindow() = default;

void WaveEditorWindow::buildMenu() {
    auto add = [this](QMenu* menu, const char* text, Command command) {
        addCommand(menu, QString::fromLatin1(text), commandNumber(command));
    };
    QMenu* file = menuBar()->addMenu("File");
    add(file, "Load", Command::loadFile);
    add(file, "Save", Command::saveFile);
    file->addSeparator();
    add(file, "Import cycle from WAV...", Command::importCycle);
    add(file, "Export cycle as WAV...", Command::exportCycle);
    file->addSeparator();
    add(file, "Library...", Command::library);
    file->addSeparator();
    add(file, "Exit", Command::exit);
    live().addMenu(nullptr);
    QMenu* version = menuBar()->addMenu("Version");
    add(version, "Version", Command::about);
    // Alt+? and Alt+/ open the about box. "?" is typed with Shift on most keyboards, and some
    // platforms report that Shift with the key: both forms are listed.
    addShortcuts({QKeySequence(Qt::ALT | Qt::Key_Question),
                  QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_Question),
                  QKeySequence(Qt::ALT | Qt::Key_Slash)},
                 commandNumber(Command::about));
    // The usual keys of undo and redo step through the history as "<-" and "->" do.
    addShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z)}, commandNumber(Command::historyBack));
    addShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
                 commandNumber(Command::historyForward));
}

bool WaveEditorWindow::hasCommand(int number) const {
    return findRow(std::span<const Row>(commands), number) != nullptr;
}

bool WaveEditorWindow::runCommand(int number) {
    return runRow(*this, *findRow(std::span<const Row>(commands), number));
}

void WaveEditorWindow::stateChanged() {
    const WaveData& wave = model_.wave();
    // A key held while the wave changes is heard changing from the next block on.
    if (!liveToneHandedOver_ || wave != liveTone_) {
        liveTone_ = wave;
        liveToneHandedOver_ = true;
        AudioOutput::shared().setLiveTone(wave);
    }
    const bool silent = std::all_of(wave.begin(), wave.end(),
                                    [](double coefficient) { return coefficient == 0.0; });
    live().setHint(
        silent ? QStringLiteral("The wave is empty: nothing sounds until a coefficient "
                                "is set (the buttons, File > Load, or a wave of File > Library...)")
               : QString());
}

void WaveEditorWindow::paintClient(QPainter& painter) const {
    paintScreen(painter, model_, shapes_);
}

void WaveEditorWindow::gridClick(QPoint position) {
    int index = hitMap_.overtoneAt(position.x(), position.y());
    if (index < 0 || longWork_.busy())
        return;
    model_.toggleSelection(index);
    repaintClient();
}

// A row's handler: the model's operation with the row's arguments.
template <auto operation, auto... arguments>
bool WaveEditorWindow::onModel(WaveEditorWindow& window) {
    (window.model_.*operation)(arguments...);
    return true;
}

bool WaveEditorWindow::showAbout() {
    AboutBox about(this, {103, "Vorel(wave editor) v0.0", "Harmonic wave designer"},
                   QIcon(":/wave_editor/vorel.png"), dialogFont());
    about.exec();
    return true;
}

bool WaveEditorWindow::exit() {
    close();
    return true;
}

bool WaveEditorWindow::applyPowerLaw() {
    model_.applyPowerLaw(PowerLawDialog::ask(this));
    return true;
}

bool WaveEditorWindow::applyInput() {
    model_.applyInput(InputDialog::ask(this));
    return true;
}

bool WaveEditorWindow::selectSeries(bool select) {
    if (auto choice = SelectDialog::ask(this, select))
        model_.selectSeries(choice->first, choice->second, select);
    return true;
}

bool WaveEditorWindow::loadWave() {
    return loadThroughDialog(waveDocument_, {"Load", waveFilter, "vorelwf", {}},
                             [this](const QString& path) { loadWaveFrom(path); });
}

void WaveEditorWindow::loadWaveFrom(const QString& path) {
    if (const std::optional<WaveData> wave = accepted(path, loadWaveFile(enginePath(path)))) {
        model_.loadWave(*wave);
        work_.loaded(*waveDocument_, path);
    }
}

// The library's waves: the keys and "Listen" play the selected one live; "Load" loads it, asking
// first when the wave holds unsaved work.
bool WaveEditorWindow::openLibrary() {
    LibraryDialog dialog(loadProgramLibrary(), LibraryDialog::Shows::waves, this);
    dialog.setLowestNote(live().keyboard().lowestNote());
    connect(&dialog, &LibraryDialog::auditionRequested, this, [&dialog] {
        if (const LibraryWave* chosen = dialog.selectedWave())
            if (const Result<WaveData> wave = loadWaveFile(chosen->path))
                AudioOutput::shared().setLiveTone(wave.value());
    });
    connect(&dialog, &LibraryDialog::notePlayed, this,
            [this](int note, int velocity) { player().playKey(note, velocity); });
    const bool chosen = dialog.exec() == QDialog::Accepted && dialog.selectedWave();
    // The keys play the window's wave again.
    liveToneHandedOver_ = false;
    stateChanged();
    if (!chosen || !work_.mayReplace(*waveDocument_))
        return false;
    loadWaveFrom(QString::fromStdString(dialog.selectedWave()->path));
    return true;
}

// One period of audio from another program becomes the wave, as one step of the history; what
// of the period the sines could not hold is told.
bool WaveEditorWindow::importCycle() {
    return loadThroughDialog(waveDocument_, {"Import cycle from WAV", soundFileFilter, "wav", {}},
                             [this](const QString& path) { importCycleFrom(path); });
}

void WaveEditorWindow::importCycleFrom(const QString& path) {
    if (const auto imported = accepted(path, readSingleCycleFile(enginePath(path)))) {
        model_.loadWave(imported->wave);
        work_.imported(*waveDocument_, path);
        tellChanges("Import cycle from WAV", imported->sentences());
    }
}

// One period of the wave as 32-bit float samples, the form wavetable synthesizers import.
bool WaveEditorWindow::exportCycle() {
    const std::optional<QString> path =
        files_.chooseToSave({"Export cycle as WAV", cycleFilter, "wav", {}});
    if (!path)
        return false;
    if (const Status saved = saveSingleCycleFile(enginePath(*path), model_.wave()); !saved)
        files_.reportSaveFailure(*path, saved);
    return true;
}

bool WaveEditorWindow::saveWave() {
    return work_.saveWithDialog(*waveDocument_) != UnsavedWork::Saved::cancelled;
}

void WaveEditorWindow::trackWave() {
    waveDocument_ = &work_.add(
        {DocumentKind::wave,
         "wave",
         {"Save", waveFilter, "vorelwf", {}},
         [this] { return encodeWaveFile(model_.wave()); },
         [this](const QString& path) { return saveWaveFile(enginePath(path), model_.wave()); },
         [](std::span<const std::byte> bytes) {
             const Result<WaveData> wave = decodeWaveFile(bytes);
             return wave ? Status::success() : Status::failure(wave.error());
         },
         [this](std::span<const std::byte> bytes, const QString&) {
             model_.loadWave(decodeWaveFile(bytes).value());
         }});
}

bool WaveEditorWindow::computePreviews() {
    // The samples about to be rewritten must not be read by the device meanwhile.
    for (int pitch = 0; pitch < previewPitchCount; ++pitch)
        if (player().isPlayingFrom(previews_.pcm(pitch)))
            player().stop();
    // Cancel keeps the previews of the last computation that ended.
    longWork_.run("Computing the previews...", [this](const Progress& progress) {
        return previews_.compute(model_.wave(), progress);
    });
    return true;
}

bool WaveEditorWindow::playPreview(int pitch) {
    static const char* const names[] = {"110Hz", "440Hz", "880Hz"};
    live().setPlaying(QStringLiteral("the %1 preview").arg(QLatin1String(names[pitch])));
    player().play(previews_.playable(pitch));
    return true;
}

} // namespace vorel::wave
