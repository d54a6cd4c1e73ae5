#pragma once

#include "support/ClientClicks.h"
#include "support/Deadlines.h"
#include "support/Recording.h"
#include "tests/sound_editor/WindowFixture.h"

#include "common/Pcm.h"
#include "sound_editor/Commands.h"
#include "synth/PreviewTones.h"
#include "wave_editor/ui/WaveEditorWindow.h"

#include <QAction>

namespace vorel::test {

inline const QString examples = QStringLiteral(VOREL_EXAMPLES_DIR);

// Real milliseconds a sound of `samples` takes to play, with the room of a hung test for its start.
inline int playTimeoutMs(std::size_t samples) {
    return static_cast<int>(samples * 1000 / sampleRate) + hungMs;
}

// The programs' windows with a real player, for the tests that record what they play.

// The sound editor's window as the program builds it: the real key tones, a real player and a
// synthesizer of its own; only the file dialogs and message boxes are fakes.
class SoundEditorPlaybackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const QString why = recording_.start(); !why.isEmpty())
            GTEST_SKIP() << why.toStdString();
        window_ = std::make_unique<MainWindow>(synth_, player_, dialogs_,
                                               [this](int key) { return tones_.tone(key); });
        window_->show();
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    }
    void TearDown() override {
        dropDialogWatchers();
        window_.reset();
    }

    QWidget* client() const { return window_->client(); }
    template <typename Id> void clickButton(Id id) {
        clickClientButton(client(), window_->button(commandNumber(id)));
    }
    // A menu command with a file chosen in its (fake) file dialog.
    void openThroughMenu(sound::Command id, const QString& path) {
        dialogs_.answers.push_back(path);
        auto* action = window_->findChild<QAction*>(QString::number(commandNumber(id)));
        ASSERT_NE(action, nullptr) << commandNumber(id);
        action->trigger();
        ASSERT_TRUE(dialogs_.answers.empty()) << "no file dialog for command " << commandNumber(id);
    }
    // Loads the example wave, sound and sequence and renders the sequence at the fastest tempo,
    // which keeps the recording short.
    void renderExampleSequence() {
        openThroughMenu(sound::Command::loadWave, examples + "/saw.vorelwf");
        openThroughMenu(sound::Command::loadSound, examples + "/soft-lead.vorelsf");
        openThroughMenu(sound::Command::loadSequence, examples + "/demo.vorelsqf");
        ASSERT_TRUE(dialogs_.messages.empty()) << dialogs_.messages.front().toStdString();
        ASSERT_GT(window_->state().sequence.noteCount(), 0u);
        for (int i = 0; i < 10; ++i)
            clickButton(sound::Command::tempoUp10);
        ASSERT_EQ(window_->state().sequence.tempo, maxTempo);
        clickButton(sound::Command::render); // returns once the work has finished
        ASSERT_FALSE(window_->busy());
        ASSERT_GT(audibleLength(synth_.renderBuffer()), 0u);
    }

    Recording recording_;
    const PreviewTones tones_;
    Synth synth_;
    PcmPlayer player_;
    FakeDialogs dialogs_;
    std::unique_ptr<MainWindow> window_;
};

// The wave editor's window as the program builds it; only the file dialogs and message boxes are
// fakes.
class WaveEditorPlaybackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const QString why = recording_.start(); !why.isEmpty())
            GTEST_SKIP() << why.toStdString();
        window_ = std::make_unique<wave::WaveEditorWindow>(dialogs_);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }

    QWidget* canvas() const { return window_->client(); }
    template <typename Id> void clickButton(Id id) {
        clickClientButton(canvas(), window_->button(commandNumber(id)));
    }

    Recording recording_;
    FakeDialogs dialogs_;
    std::unique_ptr<wave::WaveEditorWindow> window_;
};

} // namespace vorel::test
