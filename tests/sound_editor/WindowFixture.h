#pragma once

#include "platform/PcmPlayer.h"
#include "platform/UserDialogs.h"
#include "sound_editor/MainWindow.h"
#include "synth/Synth.h"

#include "support/DialogDriving.h"
#include "support/FakeDialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include <memory>
#include <vector>

namespace vorel::test {
using namespace vorel::sound;

// One synthesizer for every test: its buffers are large.
inline Synth& sharedSynth() {
    static Synth synth(2);
    return synth;
}

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window = std::make_unique<MainWindow>(sharedSynth(), player, dialogs, [this](int key) {
            playedKeys.push_back(key);
            return std::span<const std::int16_t>(tone);
        });
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void TearDown() override {
        dropDialogWatchers();
        window.reset();
    }

    ClientCanvas* client() const { return window->client(); }
    EditorState& state() const { return window->state(); }
    void click(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(client(), button, {}, at);
    }
    QImage screen() const { return client()->grab().toImage(); }

    std::vector<std::int16_t> tone = std::vector<std::int16_t>(8820, 100);
    std::vector<int> playedKeys;
    FakeDialogs dialogs;
    PcmPlayer player;
    std::unique_ptr<MainWindow> window;
};

} // namespace vorel::test
