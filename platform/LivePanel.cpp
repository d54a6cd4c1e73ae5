#include "platform/LivePanel.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

#include <cmath>

namespace vorel {
namespace {

constexpr int statusPeriodMs = 200;
const char* const octaveKey = "live/lowestNote";
const char* const volumeKey = "live/volume";

// "C3" for MIDI note 48.
QString noteName(int note) {
    static const char* const names[] = {"C",  "C#", "D",  "D#", "E",  "F",
                                        "F#", "G",  "G#", "A",  "A#", "B"};
    return QString::fromLatin1(names[note % 12]) + QString::number(note / 12 - 1);
}

// "1:07" for 67.4 seconds.
QString clockText(double seconds) {
    const int whole = static_cast<int>(seconds);
    return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

LivePanel::LivePanel(QMainWindow* window, LiveControl& live)
    : QObject(window), window_(window), live_(live),
      keyboard_(window, [this](int note, int velocity) { live_.playKey(note, velocity); }),
      status_(new QLabel(window)), statusTimer_(new QTimer(this)) {
    window->statusBar()->addWidget(status_, 1);
    window->statusBar()->setSizeGripEnabled(false);
    window->statusBar()->setFixedHeight(statusLineHeight);
    connect(statusTimer_, &QTimer::timeout, this, &LivePanel::refreshStatus);
    statusTimer_->start(statusPeriodMs);
    connect(&keyboard_, &KeyboardPlaying::stopRequested, this, &LivePanel::stopSound);
    connect(&keyboard_, &KeyboardPlaying::lowestNoteChanged, this, [this](int note) {
        keep(octaveKey, note);
        refreshMenu();
        refreshStatus();
    });
    refreshStatus();
}

void LivePanel::addMenu(QAction* before) {
    menu_ = new QMenu(QStringLiteral("Live"), window_);
    window_->menuBar()->insertMenu(before, menu_);
    output_ = menu_->addAction(QString());
    midi_ = menu_->addAction(QString());
    output_->setEnabled(false);
    midi_->setEnabled(false);
    menu_->addSeparator();
    octave_ = menu_->addAction(QString());
    octave_->setEnabled(false);
    QAction* down = menu_->addAction(QStringLiteral("Octave down"));
    down->setShortcut(QKeySequence(Qt::Key_Minus));
    down->setShortcutContext(Qt::WidgetShortcut); // the keyboard itself takes "-" and "="
    connect(down, &QAction::triggered, &keyboard_, &KeyboardPlaying::octaveDown);
    QAction* up = menu_->addAction(QStringLiteral("Octave up"));
    up->setShortcut(QKeySequence(Qt::Key_Equal));
    up->setShortcutContext(Qt::WidgetShortcut);
    connect(up, &QAction::triggered, &keyboard_, &KeyboardPlaying::octaveUp);
    QMenu* volume = menu_->addMenu(QStringLiteral("Volume"));
    volumeChoices_ = new QActionGroup(this);
    for (double choice : volumes) {
        QAction* action = volume->addAction(QStringLiteral("%1%").arg(std::lround(choice * 100)));
        action->setCheckable(true);
        action->setData(choice);
        volumeChoices_->addAction(action);
        connect(action, &QAction::triggered, this, [this, choice] { setVolume(choice); });
    }
    menu_->addSeparator();
    connect(menu_->addAction(QStringLiteral("All notes off")), &QAction::triggered, this,
            [this] { live_.allNotesOff(); });
    QAction* stop = menu_->addAction(QStringLiteral("Stop sound"));
    stop->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(stop, &QAction::triggered, this, &LivePanel::stopSound);
    connect(menu_, &QMenu::aboutToShow, this, &LivePanel::refreshMenu);
    refreshMenu();
}

void LivePanel::refreshMenu() {
    if (menu_ == nullptr)
        return;
    const LiveControl::State state = live_.state();
    output_->setText(QStringLiteral("Output: %1").arg(state.output));
    midi_->setText(QStringLiteral("MIDI: %1").arg(state.midiPorts));
    const int lowest = keyboard_.lowestNote();
    octave_->setText(
        QStringLiteral("Keyboard: %1 to %2").arg(noteName(lowest), noteName(lowest + 23)));
    for (QAction* action : volumeChoices_->actions())
        action->setChecked(action->data().toDouble() == volume_);
}

void LivePanel::setVolume(double volume) {
    volume_ = volume;
    live_.setMasterVolume(volume);
    keep(volumeKey, volume);
    refreshMenu();
}

void LivePanel::stopSound() {
    keyboard_.releaseAll();
    live_.stopSound();
    refreshStatus();
}

void LivePanel::rememberChoicesAs(const QString& program) {
    program_ = program;
    const QSettings settings(QStringLiteral("vorel"), program_);
    keyboard_.setLowestNote(settings.value(octaveKey, KeyboardPlaying::startNote).toInt());
    const double volume = settings.value(volumeKey, 1.0).toDouble();
    for (double choice : volumes)
        if (choice == volume)
            setVolume(choice);
}

void LivePanel::keep(const char* key, const QVariant& value) const {
    if (!program_.isEmpty())
        QSettings(QStringLiteral("vorel"), program_).setValue(QLatin1String(key), value);
}

void LivePanel::setHint(const QString& hint) {
    if (hint == hint_)
        return;
    hint_ = hint;
    refreshStatus();
}

QString LivePanel::statusText() const {
    const LiveControl::State state = live_.state();
    QStringList parts;
    if (!hint_.isEmpty())
        parts << hint_;
    if (state.bufferPlays && !playing_.isEmpty())
        parts << QStringLiteral("Playing %1 at %2").arg(playing_, clockText(state.bufferSeconds));
    parts << QStringLiteral("%1 live voice%2")
                 .arg(state.liveVoices)
                 .arg(state.liveVoices == 1 ? QString() : QStringLiteral("s"));
    parts << QStringLiteral("engine %1% busy").arg(std::lround(state.busy * 100));
    parts << QStringLiteral("keyboard from %1").arg(noteName(keyboard_.lowestNote()));
    return parts.join(QStringLiteral(" \u00b7 "));
}

void LivePanel::refreshStatus() {
    status_->setText(statusText());
}

} // namespace vorel
