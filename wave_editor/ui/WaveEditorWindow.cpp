#include "wave_editor/ui/WaveEditorWindow.h"

#include "common/FileIo.h"
#include "common/WaveFile.h"
#include "wave_editor/ui/Commands.h"
#include "wave_editor/ui/WaveDialogs.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressDialog>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <limits>
#include <system_error>
#include <thread>

// The icon lives in a static library, whose resources are registered by hand.
static void registerWaveEditorResources() {
    Q_INIT_RESOURCE(wave_editor);
}

namespace vorel::wave {
namespace {

constexpr int clientWidth = 930;
constexpr int clientHeight = 650;

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
    QPalette background = palette();
    background.setColor(QPalette::Window, Qt::white);
    setPalette(background);
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

WaveEditorWindow::WaveEditorWindow(const ToneTables& tones, UserDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), tones_(tones), dialogs_(dialogs) {
    registerWaveEditorResources();
    setWindowTitle("Vorel v0.0");
    setWindowIcon(QIcon(":/wave_editor/vorel.png"));
    canvas_ = new WaveCanvas(model_, shapes_, this);
    setCentralWidget(canvas_);
    connect(canvas_, &WaveCanvas::clicked, this, &WaveEditorWindow::gridClick);
    buildMenu();
    buildButtons();
    connect(&player_, &PcmPlayer::deviceUnavailable, this, [this](const QString& reason) {
        dialogs_.showMessage(this, "ERROR", "The sound cannot be played: " + reason);
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

void WaveEditorWindow::dispatch(int id) {
    switch (id) {
    case command::about: {
        AboutDialog about(this);
        about.exec();
        return;
    }
    case command::exit:
        close();
        return;
    case command::loadFile:
        loadWave();
        return;
    case command::saveFile:
        saveWave();
        return;
    case command::compute:
        computePreviews();
        return;
    case command::play110:
        playPreview(0);
        return;
    case command::play440:
        playPreview(1);
        return;
    case command::play880:
        playPreview(2);
        return;
    case command::storeSelection:
        model_.storeSelection();
        return; // nothing shown changes
    case command::cursorBack10:
        model_.moveCursor(-10);
        break;
    case command::cursorBack1:
        model_.moveCursor(-1);
        break;
    case command::cursorForward1:
        model_.moveCursor(1);
        break;
    case command::cursorForward10:
        model_.moveCursor(10);
        break;
    case command::raise:
        model_.raise();
        break;
    case command::lower:
        model_.lower();
        break;
    case command::scaleUp:
        model_.scaleUp();
        break;
    case command::scaleDown:
        model_.scaleDown();
        break;
    case command::setZero:
        model_.setZero();
        break;
    case command::setOne:
        model_.setOne();
        break;
    case command::invert:
        model_.invert();
        break;
    case command::randomize:
        model_.randomize();
        break;
    case command::reset:
        model_.reset();
        break;
    case command::powerLaw:
        model_.applyPowerLaw(PowerLawDialog::ask(this));
        break;
    case command::input:
        model_.applyInput(InputDialog::ask(this));
        break;
    case command::selectSeries:
    case command::deselectSeries: {
        bool select = id == command::selectSeries;
        if (auto choice = SelectDialog::ask(this, select))
            model_.selectSeries(choice->first, choice->second, select);
        break;
    }
    case command::selectAll:
        model_.selectAll();
        break;
    case command::deselectAll:
        model_.deselectAll();
        break;
    case command::recallSelection:
        model_.recallSelection();
        break;
    case command::toggleCosine:
        model_.toggleCosineView();
        break;
    case command::historyBack:
        model_.stepBack();
        break;
    case command::historyForward:
        model_.stepForward();
        break;
    default:
        return;
    }
    canvas_->update();
}

void WaveEditorWindow::gridClick(int x, int y) {
    int index = hitMap_.overtoneAt(x, y);
    if (index < 0)
        return;
    model_.toggleSelection(index);
    canvas_->update();
}

FileDialogRequest WaveEditorWindow::fileRequest(const QString& title) const {
    return {title, "Vorel wave file(*.vorelwf)", "vorelwf", lastPath_};
}

void WaveEditorWindow::loadWave() {
    std::optional<QString> path = dialogs_.openFile(this, fileRequest("Load"));
    if (!path)
        return;
    lastPath_ = *path;
    auto bytes = readFileBytes(path->toStdString(), waveFileSize);
    if (!bytes) {
        dialogs_.showMessage(
            this, "ERROR",
            QString("Could not load %1: %2.").arg(*path, QString::fromStdString(bytes.error())));
        return;
    }
    auto wave = decodeWaveFile(bytes.value());
    if (!wave) {
        dialogs_.showMessage(
            this, "ERROR",
            QString("Could not load %1: %2.").arg(*path, QString::fromStdString(wave.error())));
        return;
    }
    model_.loadWave(wave.value());
    canvas_->update();
}

void WaveEditorWindow::saveWave() {
    std::optional<QString> path = dialogs_.saveFile(this, fileRequest("Save"));
    if (!path)
        return;
    lastPath_ = *path;
    Status saved = writeFileAtomically(path->toStdString(), encodeWaveFile(model_.wave()));
    if (saved)
        return;
    QString reason = QString::fromStdString(saved.error());
    if (saved.kind() == Status::Kind::closeFailed)
        dialogs_.showMessage(this, "ERROR",
                             QString("Error CloseHandle (%1: %2)").arg(*path, reason));
    else
        dialogs_.showMessage(this, "ERROR", QString("Could not save %1: %2.").arg(*path, reason));
}

void WaveEditorWindow::computePreviews() {
    // The samples about to be rewritten must not be read by the device meanwhile.
    for (int pitch = 0; pitch < previewPitchCount; ++pitch)
        if (player_.isPlayingFrom(previews_.pcm(pitch)))
            player_.stop();

    // The computation runs on a worker thread so the window keeps repainting. Meanwhile no mouse
    // or key input is handled (it waits until the end, as if the window thread were busy), and
    // a progress note appears when the work takes longer than a moment.
    const WaveData wave = model_.wave();
    QEventLoop waiting;
    std::atomic<bool> finished = false;
    auto work = [&] {
        vorel::wave::computePreviews(wave, tones_, previews_, &pool_);
        finished = true;
        QMetaObject::invokeMethod(&waiting, &QEventLoop::quit, Qt::QueuedConnection);
    };
    std::thread worker;
    try {
        worker = std::thread(work);
    } catch (const std::system_error&) {
        work(); // no thread to be had: compute here, with the window waiting
        return;
    }
    QProgressDialog progress("Computing the previews...", QString(), 0, 0, this);
    progress.setWindowTitle("Compute");
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(std::numeric_limits<int>::max()); // shown by the timer below
    QTimer::singleShot(300, &progress, [&] {
        if (!finished)
            progress.show();
    });
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    waiting.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    QGuiApplication::restoreOverrideCursor();
}

void WaveEditorWindow::playPreview(int pitch) {
    player_.play(previews_.playable(pitch));
}

void WaveEditorWindow::closeEvent(QCloseEvent* event) {
    player_.stop();
    event->accept();
}

} // namespace vorel::wave
