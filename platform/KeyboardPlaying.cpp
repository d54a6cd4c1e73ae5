#include "platform/KeyboardPlaying.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <algorithm>
#include <array>

namespace vorel {
namespace {

struct PianoKey {
    quint32 scanCode; // X11 key code: the evdev code + 8
    int key;          // Qt::Key of a US layout
};

// Semitone k of the two rows is entry k.
constexpr std::array<PianoKey, 24> pianoKeys{{
    {52, Qt::Key_Z}, {39, Qt::Key_S}, {53, Qt::Key_X}, {40, Qt::Key_D}, {54, Qt::Key_C},
    {55, Qt::Key_V}, {42, Qt::Key_G}, {56, Qt::Key_B}, {43, Qt::Key_H}, {57, Qt::Key_N},
    {44, Qt::Key_J}, {58, Qt::Key_M}, {24, Qt::Key_Q}, {11, Qt::Key_2}, {25, Qt::Key_W},
    {12, Qt::Key_3}, {26, Qt::Key_E}, {27, Qt::Key_R}, {14, Qt::Key_5}, {28, Qt::Key_T},
    {15, Qt::Key_6}, {29, Qt::Key_Y}, {16, Qt::Key_7}, {30, Qt::Key_U},
}};
constexpr PianoKey octaveDownKey{20, Qt::Key_Minus};
constexpr PianoKey octaveUpKey{21, Qt::Key_Equal};
constexpr int highestLowestNote = 96; // the upper row ends at MIDI 119

bool matches(const PianoKey& piano, quint32 scanCode, int key) {
    return scanCode != 0 ? piano.scanCode == scanCode : piano.key == key;
}

} // namespace

KeyboardPlaying::KeyboardPlaying(QWidget* window, Play play)
    : QObject(window), window_(window), play_(std::move(play)) {
    qApp->installEventFilter(this);
}

KeyboardPlaying::~KeyboardPlaying() {
    releaseAll();
}

std::optional<int> KeyboardPlaying::pianoKeyOf(quint32 nativeScanCode, int key) {
    for (std::size_t k = 0; k < pianoKeys.size(); ++k)
        if (matches(pianoKeys[k], nativeScanCode, key))
            return static_cast<int>(k);
    return std::nullopt;
}

void KeyboardPlaying::setLowestNote(int note) {
    const int clamped = std::clamp(note, 0, highestLowestNote);
    if (clamped == lowestNote_)
        return;
    lowestNote_ = clamped;
    emit lowestNoteChanged(lowestNote_);
}

void KeyboardPlaying::releaseAll() {
    for (const auto& [pianoKey, note] : held_)
        play_(note, 0);
    held_.clear();
}

bool KeyboardPlaying::handlesKeysOf(QObject* watched) const {
    auto* widget = qobject_cast<QWidget*>(watched);
    return widget != nullptr && widget->window() == window_ &&
           QApplication::activeModalWidget() == nullptr;
}

bool KeyboardPlaying::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (handlesKeysOf(watched))
            return keyEvent(static_cast<QKeyEvent*>(event), event->type() == QEvent::KeyPress);
        break;
    case QEvent::WindowDeactivate:
        if (watched == window_)
            releaseAll();
        break;
    default:
        break;
    }
    return false;
}

// True for the keys the piano takes: they reach no button or shortcut.
bool KeyboardPlaying::keyEvent(QKeyEvent* event, bool down) {
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const quint32 scanCode = event->nativeScanCode();
    if (matches(octaveDownKey, scanCode, event->key()) ||
        matches(octaveUpKey, scanCode, event->key())) {
        if (down && !event->isAutoRepeat())
            setLowestNote(lowestNote_ + (matches(octaveUpKey, scanCode, event->key()) ? 12 : -12));
        return true;
    }
    const std::optional<int> pianoKey = pianoKeyOf(scanCode, event->key());
    if (!pianoKey)
        return false;
    if (event->isAutoRepeat())
        return true;
    if (down && !held_.contains(*pianoKey)) {
        const int note = lowestNote_ + *pianoKey;
        held_[*pianoKey] = note;
        play_(note, velocity);
    } else if (!down) {
        if (const auto found = held_.find(*pianoKey); found != held_.end()) {
            play_(found->second, 0);
            held_.erase(found);
        }
    }
    return true;
}

} // namespace vorel
