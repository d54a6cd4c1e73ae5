#include "platform/KeyboardPlaying.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <utility>
#include <vector>

namespace vorel::test {
namespace {

// X11 key codes of the keys the tests press.
constexpr quint32 keyZ = 52, keyS = 39, keyQ = 24, keyU = 30, keyEqual = 21, keyMinus = 20;

class KeyboardPlayingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    // A key event of key `code` (the key of a US layout when the platform gives no code) at the
    // window.
    void send(QEvent::Type type, quint32 code, Qt::Key key = Qt::Key_unknown,
              Qt::KeyboardModifiers modifiers = {}, bool autoRepeat = false) {
        QKeyEvent event(type, key, modifiers, code, 0, 0, QString(), autoRepeat);
        QApplication::sendEvent(&window, &event);
    }
    void press(quint32 code, Qt::Key key = Qt::Key_unknown) { send(QEvent::KeyPress, code, key); }
    void release(quint32 code, Qt::Key key = Qt::Key_unknown) {
        send(QEvent::KeyRelease, code, key);
    }

    QWidget window;
    std::vector<std::pair<int, int>> played;
    KeyboardPlaying keyboard{
        &window, [this](int note, int velocity) { played.emplace_back(note, velocity); }};
};

TEST_F(KeyboardPlayingTest, TwoRowsPlayByKeyPositionAndMoveByOctaves) {
    press(keyZ);
    press(keyZ, Qt::Key_Z); // the same key held: auto-repeat comes as presses too on some systems
    send(QEvent::KeyPress, keyZ, Qt::Key_Z, {}, true);
    release(keyZ);
    press(keyQ);
    press(keyU);
    release(keyQ);
    release(keyU);
    // The upper row's last key, an octave up: the held key is released at the note it started.
    press(keyS);
    press(keyEqual);
    release(keyS);
    press(keyZ);
    release(keyZ);
    press(keyMinus);
    press(keyMinus);
    // No scan code: the key of a US layout.
    press(0, Qt::Key_S);
    release(0, Qt::Key_S);
    EXPECT_EQ(played, (std::vector<std::pair<int, int>>{{48, 100},
                                                        {48, 0},
                                                        {60, 100},
                                                        {71, 100},
                                                        {60, 0},
                                                        {71, 0},
                                                        {49, 100},
                                                        {49, 0},
                                                        {60, 100},
                                                        {60, 0},
                                                        {37, 100},
                                                        {37, 0}}));
    EXPECT_EQ(keyboard.lowestNote(), 36);
}

TEST_F(KeyboardPlayingTest, ShortcutsFocusLossAndDialogsKeepTheKeysFromThePiano) {
    send(QEvent::KeyPress, keyZ, Qt::Key_Z, Qt::ControlModifier); // Ctrl+Z stays undo
    EXPECT_TRUE(played.empty());

    press(keyZ);
    press(keyQ);
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_EQ(played, (std::vector<std::pair<int, int>>{{48, 100}, {60, 100}, {48, 0}, {60, 0}}));
    played.clear();

    // A dialog open over the window takes the keys for itself.
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QDialog dialog(&window);
    QTimer::singleShot(0, &dialog, [&] {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Z, {}, keyZ, 0, 0);
        QApplication::sendEvent(&window, &key);
        dialog.reject();
    });
    dialog.exec();
    EXPECT_TRUE(played.empty());
}

} // namespace
} // namespace vorel::test
