#include "wave_editor/ui/WaveEditorWindow.h"

#include "common/WaveFile.h"
#include "platform/AboutBox.h"
#include "wave_editor/SingleCycle.h"
#include "wave_editor/ui/Commands.h"
#include "wave_editor/ui/WaveDialogs.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>

#include <algorithm>
#include <type_traits>

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

struct ButtonPlace {
    const char* label;
    int id;
    int x, y, width, height;
};

// In creation order (which is also the tab order).
constexpr ButtonPlace buttonPlaces[] = {
    {"Input", command::input, 775, 10, 50, 24},
    {"<<", command::cursorBack10, 650, 45, 50, 24},
    {"<", command::cursorBack1, 710, 45, 50, 24},
    {">", command::cursorForward1, 770, 45, 50, 24},
    {">>", command::cursorForward10, 830, 45, 50, 24},
    {"+UP", command::raise, 650, 90, 50, 30},
    {"*UP", command::scaleUp, 710, 90, 50, 30},
    {"/DWN", command::scaleDown, 770, 90, 50, 30},
    {"-DWN", command::lower, 830, 90, 50, 30},
    {"0", command::setZero, 650, 135, 50, 30},
    {"1/n^x", command::powerLaw, 710, 135, 50, 30},
    {"1", command::setOne, 770, 135, 50, 30},
    {"*-1", command::invert, 830, 135, 50, 30},
    {"Reset", command::reset, 650, 180, 50, 30},
    {"Select", command::selectSeries, 710, 180, 50, 30},
    {"Deslct", command::deselectSeries, 770, 180, 50, 30},
    {"Randm", command::randomize, 830, 180, 50, 30},
    {"Select all", command::selectAll, 669, 430, 90, 30},
    {"Deselect all", command::deselectAll, 769, 430, 90, 30},
    {"<-", command::historyBack, 669, 475, 90, 30},
    {"->", command::historyForward, 769, 475, 90, 30},
    {"Memory", command::storeSelection, 669, 520, 90, 30},
    {"Load", command::recallSelection, 769, 520, 90, 30},
    {"Compute", command::compute, 10, 450, 90, 30},
    {"110Hz", command::play110, 120, 450, 90, 30},
    {"440Hz", command::play440, 230, 450, 90, 30},
    {"880Hz", command::play880, 340, 450, 90, 30},
    {"sin<-->cos", command::toggleCosine, 520, 425, 90, 30},
};

const QColor waveBackground(0, 0, 0);
const QColor plotColour(0, 255, 255);
const QColor barField(196, 196, 196);
const QColor barColour(0, 0, 255);
const QColor cursorBarColour(255, 0, 0);

// A bar of `height` pixels at x: rising from y = 320 when positive, hanging below it when negative.
void fillBar(QPainter& painter, int x, int height, const QColor& colour) {
    constexpr int baseRow = 320;
    if (height == 0)
        return;
    int top = height > 0 ? baseRow - height : baseRow;
    painter.fillRect(QRect(x, top, 2, std::abs(height)), colour);
}

// A 16 x 16 square with a one-pixel black outline, filled white or black.
void drawSquare(QPainter& painter, int left, int top, const QColor& fill) {
    painter.fillRect(QRect(left, top, 16, 16), Qt::black);
    painter.fillRect(QRect(left + 1, top + 1, 14, 14), fill);
}

} // namespace

WaveCanvas::WaveCanvas(const WaveEditorModel& model, const ShapeTables& shapes, QWidget* parent)
    : QWidget(parent), model_(model), shapes_(shapes) {
    setFixedSize(clientWidth, clientHeight);
    // The system's window colour: the palette's base colour, white by default.
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

void WaveCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const WaveData& wave = model_.wave();
    int current = model_.currentOvertone();

    // The value of the overtone under the cursor, with its top left at (650, 14).
    painter.setPen(Qt::black);
    QString text =
        QString::fromStdString(valueText(current, wave[static_cast<std::size_t>(current - 1)]));
    painter.drawText(QRect(650, 14, 200, 30), Qt::AlignLeft | Qt::AlignTop, text);

    // One period of the wave over a black field, and the zero line over it.
    painter.fillRect(QRect(10, 10, 600, 200), waveBackground);
    PlotBuffer plot = computePlot(wave, shapes_, model_.cosineView());
    QPolygon line;
    line.reserve(plotPointCount + 2);
    line << QPoint(10, plot.pixelY(0));
    for (int t = 0; t < plotPointCount; ++t)
        line << QPoint(t + 10, plot.pixelY(t));
    line << QPoint(609, plot.pixelY(plotPointCount - 1));
    painter.setPen(QPen(plotColour, 1));
    painter.drawPolyline(line);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawLine(10, 110, 609, 110);

    // A bar per harmonic, the cursor's in red, over a grey field.
    painter.fillRect(QRect(10, 220, 600, 200), barField);
    for (int k = 0; k < static_cast<int>(harmonicCount); ++k)
        fillBar(painter, 12 + 6 * k, barHeight(wave[static_cast<std::size_t>(k)]), barColour);
    fillBar(painter, 6 * current + 6, barHeight(wave[static_cast<std::size_t>(current - 1)]),
            cursorBarColour);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(10, 320, 609, 320);

    // The overtone grid: unselected squares white, then selected ones black.
    for (int pass = 0; pass < 2; ++pass) {
        bool selectedPass = pass == 1;
        for (int index = 0; index < static_cast<int>(harmonicCount); ++index) {
            if (model_.isSelected(index) != selectedPass)
                continue;
            int left = gridLeft + gridCellPixels * (index % 10);
            int top = gridTop + gridCellPixels * (index / 10);
            drawSquare(painter, left, top, selectedPass ? Qt::black : Qt::white);
        }
    }

    // Separators under the cursor buttons and between the four 5 x 5 blocks of the grid.
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(640, 78, 889, 78);
    painter.drawLine(657, 322, 872, 322);
    painter.drawLine(657, 323, 872, 323);
    painter.drawLine(764, 219, 764, 425);
    painter.drawLine(765, 219, 765, 425);
}

void WaveCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        QPoint at = event->position().toPoint();
        emit clicked(at.x(), at.y());
    }
}

const Command<WaveEditorWindow> WaveEditorWindow::commands[] = {
    {command::about, &WaveEditorWindow::showAbout, 0, Repaint::never},
    {command::exit, &WaveEditorWindow::exit, 0, Repaint::never},
    {command::loadFile, &WaveEditorWindow::loadWave, 0, Repaint::unlessCancelled},
    {command::saveFile, &WaveEditorWindow::saveWave, 0, Repaint::never},
    {command::importCycle, &WaveEditorWindow::importCycle, 0, Repaint::unlessCancelled},
    {command::exportCycle, &WaveEditorWindow::exportCycle, 0, Repaint::never},
    {command::compute, &WaveEditorWindow::computePreviews, 0, Repaint::never},
    {command::play110, &WaveEditorWindow::playPreview, 0, Repaint::never},
    {command::play440, &WaveEditorWindow::playPreview, 1, Repaint::never},
    {command::play880, &WaveEditorWindow::playPreview, 2, Repaint::never},
    // Nothing shown changes.
    {command::storeSelection, &WaveEditorWindow::onModel<&WaveEditorModel::storeSelection>, 0,
     Repaint::never},
    {command::cursorBack10, &WaveEditorWindow::onModel<&WaveEditorModel::moveCursor>, -10,
     Repaint::always},
    {command::cursorBack1, &WaveEditorWindow::onModel<&WaveEditorModel::moveCursor>, -1,
     Repaint::always},
    {command::cursorForward1, &WaveEditorWindow::onModel<&WaveEditorModel::moveCursor>, 1,
     Repaint::always},
    {command::cursorForward10, &WaveEditorWindow::onModel<&WaveEditorModel::moveCursor>, 10,
     Repaint::always},
    {command::raise, &WaveEditorWindow::onModel<&WaveEditorModel::raise>, 0, Repaint::always},
    {command::lower, &WaveEditorWindow::onModel<&WaveEditorModel::lower>, 0, Repaint::always},
    {command::scaleUp, &WaveEditorWindow::onModel<&WaveEditorModel::scaleUp>, 0, Repaint::always},
    {command::scaleDown, &WaveEditorWindow::onModel<&WaveEditorModel::scaleDown>, 0,
     Repaint::always},
    {command::setZero, &WaveEditorWindow::onModel<&WaveEditorModel::setZero>, 0, Repaint::always},
    {command::setOne, &WaveEditorWindow::onModel<&WaveEditorModel::setOne>, 0, Repaint::always},
    {command::invert, &WaveEditorWindow::onModel<&WaveEditorModel::invert>, 0, Repaint::always},
    {command::randomize, &WaveEditorWindow::onModel<&WaveEditorModel::randomize>, 0,
     Repaint::always},
    {command::reset, &WaveEditorWindow::onModel<&WaveEditorModel::reset>, 0, Repaint::always},
    {command::powerLaw, &WaveEditorWindow::applyPowerLaw, 0, Repaint::always},
    {command::input, &WaveEditorWindow::applyInput, 0, Repaint::always},
    {command::selectSeries, &WaveEditorWindow::selectSeries, 1, Repaint::always},
    {command::deselectSeries, &WaveEditorWindow::selectSeries, 0, Repaint::always},
    {command::selectAll, &WaveEditorWindow::onModel<&WaveEditorModel::selectAll>, 0,
     Repaint::always},
    {command::deselectAll, &WaveEditorWindow::onModel<&WaveEditorModel::deselectAll>, 0,
     Repaint::always},
    {command::recallSelection, &WaveEditorWindow::onModel<&WaveEditorModel::recallSelection>, 0,
     Repaint::always},
    {command::toggleCosine, &WaveEditorWindow::onModel<&WaveEditorModel::toggleCosineView>, 0,
     Repaint::always},
    {command::historyBack, &WaveEditorWindow::onModel<&WaveEditorModel::stepBack>, 0,
     Repaint::always},
    {command::historyForward, &WaveEditorWindow::onModel<&WaveEditorModel::stepForward>, 0,
     Repaint::always},
};

WaveEditorWindow::WaveEditorWindow(UserDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), files_(dialogs, this),
      canvas_(new WaveCanvas(model_, shapes_, this)), longWork_(this, "Compute") {
    registerWaveEditorResources();
    setWindowTitle("Vorel v0.0[*]"); // the marker shows whether the wave is saved
    trackWave();
    setWindowIcon(QIcon(":/wave_editor/vorel.png"));
    setCentralWidget(canvas_);
    setAcceptDrops(true);
    connect(canvas_, &WaveCanvas::clicked, this, &WaveEditorWindow::gridClick);
    buildMenu();
    buildButtons();
    connect(&player_, &PcmPlayer::deviceUnavailable, this, [this](const QString& reason) {
        dialogs_.showMessage(this, "ERROR", "The sound cannot be played: " + reason);
    });
    connect(&player_, &PcmPlayer::soundStopped, this, [this](const QString& reason) {
        dialogs_.showMessage(this, "ERROR", "The sound stopped: " + reason);
    });
}

WaveEditorWindow::~WaveEditorWindow() {
    player_.stop();
}

void WaveEditorWindow::buildMenu() {
    QMenu* file = menuBar()->addMenu("File");
    connect(file->addAction("Load"), &QAction::triggered, this,
            [this] { dispatch(command::loadFile); });
    connect(file->addAction("Save"), &QAction::triggered, this,
            [this] { dispatch(command::saveFile); });
    file->addSeparator();
    connect(file->addAction("Import cycle from WAV..."), &QAction::triggered, this,
            [this] { dispatch(command::importCycle); });
    connect(file->addAction("Export cycle as WAV..."), &QAction::triggered, this,
            [this] { dispatch(command::exportCycle); });
    file->addSeparator();
    connect(file->addAction("Exit"), &QAction::triggered, this,
            [this] { dispatch(command::exit); });
    QMenu* version = menuBar()->addMenu("Version");
    connect(version->addAction("Version"), &QAction::triggered, this,
            [this] { dispatch(command::about); });
    // Alt+? and Alt+/ open the about box. "?" is typed with Shift on most keyboards, and some
    // platforms report that Shift with the key: both forms are listed. Where one key press matches
    // two of them, Qt calls it ambiguous and tells one shortcut only, which then opens the box.
    const QKeySequence aboutKeys[] = {
        QKeySequence(Qt::ALT | Qt::Key_Question),
        QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_Question),
        QKeySequence(Qt::ALT | Qt::Key_Slash),
    };
    for (const QKeySequence& keys : aboutKeys) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, [this] { dispatch(command::about); });
        connect(shortcut, &QShortcut::activatedAmbiguously, this,
                [this] { dispatch(command::about); });
    }
    // The usual keys of undo and redo step through the history as "<-" and "->" do.
    const std::pair<QKeySequence, int> historyKeys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_Z), command::historyBack},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), command::historyForward},
    };
    for (const auto& [keys, id] : historyKeys)
        connect(new QShortcut(keys, this), &QShortcut::activated, this,
                [this, id = id] { dispatch(id); });
}

void WaveEditorWindow::buildButtons() {
    for (const ButtonPlace& place : buttonPlaces) {
        auto* button = new QPushButton(place.label, canvas_);
        button->setObjectName(QString::number(place.id));
        button->setGeometry(place.x, place.y, place.width, place.height);
        button->setFocusPolicy(Qt::NoFocus);
        int id = place.id;
        connect(button, &QPushButton::clicked, this, [this, id] { dispatch(id); });
    }
}

QPushButton* WaveEditorWindow::button(int id) const {
    return canvas_->findChild<QPushButton*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

bool WaveEditorWindow::dispatch(int id) {
    const Command<WaveEditorWindow>* command = findCommand<WaveEditorWindow>(commands, id);
    if (command == nullptr)
        return false;
    // Nothing runs while the previews are computed: the computation reads the wave.
    if (longWork_.busy())
        return true;
    if (runCommand(*this, *command))
        canvas_->update();
    work_.changed();
    return true;
}

void WaveEditorWindow::gridClick(int x, int y) {
    int index = hitMap_.overtoneAt(x, y);
    if (index < 0 || longWork_.busy())
        return;
    model_.toggleSelection(index);
    canvas_->update();
}

// A model operation of the table, given the row's argument where it takes one.
template <auto operation> bool WaveEditorWindow::onModel(int argument) {
    if constexpr (std::is_invocable_v<decltype(operation), WaveEditorModel&, int>)
        (model_.*operation)(argument);
    else
        (model_.*operation)();
    return true;
}

bool WaveEditorWindow::showAbout(int) {
    AboutBox about(this, {103, "Vorel(wave editor) v0.0", "Harmonic wave designer"},
                   QIcon(":/wave_editor/vorel.png"), dialogFont());
    about.exec();
    return true;
}

bool WaveEditorWindow::exit(int) {
    close();
    return true;
}

bool WaveEditorWindow::applyPowerLaw(int) {
    model_.applyPowerLaw(PowerLawDialog::ask(this));
    return true;
}

bool WaveEditorWindow::applyInput(int) {
    model_.applyInput(InputDialog::ask(this));
    return true;
}

bool WaveEditorWindow::selectSeries(int select) {
    if (auto choice = SelectDialog::ask(this, select != 0))
        model_.selectSeries(choice->first, choice->second, select != 0);
    return true;
}

bool WaveEditorWindow::loadWave(int) {
    if (!work_.mayReplace(*waveDocument_))
        return false;
    const std::optional<QString> path = files_.chooseToLoad({"Load", waveFilter, "vorelwf", {}});
    if (path)
        loadWaveFrom(*path);
    return path.has_value();
}

void WaveEditorWindow::loadWaveFrom(const QString& path) {
    const Result<WaveData> wave = loadWaveFile(enginePath(path));
    if (!wave) {
        files_.reportLoadFailure(path, wave.error());
        return;
    }
    model_.loadWave(wave.value());
    work_.loaded(*waveDocument_, path);
}

// One period of audio from another program becomes the wave, as one step of the history; what
// of the period the sines could not hold is told.
bool WaveEditorWindow::importCycle(int) {
    if (!work_.mayReplace(*waveDocument_))
        return false;
    const std::optional<QString> path =
        files_.chooseToLoad({"Import cycle from WAV", soundFileFilter, "wav", {}});
    if (!path)
        return false;
    const Result<SingleCycleImport> imported = readSingleCycleFile(enginePath(*path));
    if (!imported) {
        files_.reportLoadFailure(*path, imported.error());
        return true;
    }
    model_.loadWave(imported.value().wave);
    work_.imported(*waveDocument_, *path);
    QStringList sentences;
    for (const std::string& sentence : imported.value().sentences())
        sentences << QString::fromStdString(sentence);
    if (!sentences.isEmpty())
        dialogs_.showMessage(this, "Import cycle from WAV", sentences.join(QLatin1Char('\n')));
    return true;
}

// One period of the wave as 32-bit float samples, the form wavetable synthesizers import.
bool WaveEditorWindow::exportCycle(int) {
    const std::optional<QString> path =
        files_.chooseToSave({"Export cycle as WAV", cycleFilter, "wav", {}});
    if (!path)
        return false;
    if (const Status saved = saveSingleCycleFile(enginePath(*path), model_.wave()); !saved)
        files_.reportSaveFailure(*path, saved);
    return true;
}

void WaveEditorWindow::openFile(const QString& path) {
    // Input is thrown away while the previews are computed; so is a file dropped meanwhile.
    if (longWork_.busy())
        return;
    if (QFileInfo(path).suffix().compare("vorelwf", Qt::CaseInsensitive) != 0) {
        files_.reportLoadFailure(path, "it is not a wave file (.vorelwf)");
        return;
    }
    if (!work_.mayReplace(*waveDocument_))
        return;
    files_.used(path);
    loadWaveFrom(path);
    canvas_->update();
}

void WaveEditorWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (FileCommands::acceptsDrop(event->mimeData()))
        event->acceptProposedAction();
}

void WaveEditorWindow::dropEvent(QDropEvent* event) {
    event->acceptProposedAction();
    files_.openDropped(event->mimeData(), [this](const QString& path) { openFile(path); });
}

bool WaveEditorWindow::saveWave(int) {
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

void WaveEditorWindow::keepWorkIn(const std::string& folder) {
    work_.keepCopiesIn(folder, "vorel");
    work_.offerLeftWork();
    canvas_->update();
}

bool WaveEditorWindow::computePreviews(int) {
    // The samples about to be rewritten must not be read by the device meanwhile.
    for (int pitch = 0; pitch < previewPitchCount; ++pitch)
        if (player_.isPlayingFrom(previews_.pcm(pitch)))
            player_.stop();
    // Cancel keeps the previews of the last computation that ended.
    longWork_.run("Computing the previews...", [this](const Progress& progress) {
        return previews_.compute(model_.wave(), progress);
    });
    return true;
}

bool WaveEditorWindow::playPreview(int pitch) {
    player_.play(previews_.playable(pitch));
    return true;
}

void WaveEditorWindow::closeEvent(QCloseEvent* event) {
    // The previews are computed from the window's wave: the window closes once they are done.
    if (longWork_.holdBackClose(event))
        return;
    if (!work_.mayClose()) {
        event->ignore();
        return;
    }
    player_.stop();
    event->accept();
}

void WaveEditorWindow::closeUrgently() {
    work_.closeUrgently();
    longWork_.cancel();
    close();
}

} // namespace vorel::wave
