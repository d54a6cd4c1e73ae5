#pragma once

#include "platform/PcmPlayer.h"
#include "platform/UserDialogs.h"
#include "sound_editor/ClientArea.h"
#include "sound_editor/MainWindow.h"
#include "synth/Synth.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace vorel::test {

// File dialogs that answer from a queue (an empty path = the user cancels) and message boxes
// that are only recorded.
class FakeDialogs : public UserDialogs {
  public:
    std::optional<QString> openFile(QWidget*, const FileDialogRequest& request) override {
        return answer(request, false);
    }
    std::optional<QString> saveFile(QWidget*, const FileDialogRequest& request) override {
        return answer(request, true);
    }
    void showMessage(QWidget*, const QString& caption, const QString& text) override {
        messages.push_back(caption + QStringLiteral(": ") + text);
    }

    struct Asked {
        FileDialogRequest request;
        bool save;
    };
    std::deque<QString> answers;
    std::vector<Asked> asked;
    std::vector<QString> messages;

  private:
    std::optional<QString> answer(const FileDialogRequest& request, bool save) {
        asked.push_back({request, save});
        const QString next = answers.empty() ? QString() : answers.front();
        if (!answers.empty())
            answers.pop_front();
        if (next.isEmpty())
            return std::nullopt;
        return next;
    }
};

// One synthesizer for every test: its buffers are large.
inline Synth& sharedSynth() {
    static Synth synth(2);
    return synth;
}

// Runs `handle` on the next modal dialog that opens (polling from the event loop the dialog
// runs), so a test can fill and close it. Fails the test when none opens within a few seconds.
inline void onNextDialog(std::function<void(QDialog*)> handle) {
    auto* timer = new QTimer(qApp);
    timer->setObjectName(QStringLiteral("dialogWatcher"));
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, handle] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            dialog && dialog->isVisible()) {
            timer->stop();
            timer->deleteLater();
            handle(dialog);
        } else if (clock->elapsed() > 5000) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no dialog opened";
        }
    });
    timer->start(5);
}

// Drops the watchers of dialogs that never opened, so they cannot act on a later test.
inline void dropDialogWatchers() {
    for (QTimer* timer :
         qApp->findChildren<QTimer*>(QStringLiteral("dialogWatcher"), Qt::FindDirectChildrenOnly))
        delete timer;
}

template <typename T> T* child(QWidget* parent, int id) {
    T* found = parent->findChild<T*>(QString::number(id));
    EXPECT_NE(found, nullptr) << "no control " << id;
    return found;
}

inline void clickButton(QWidget* parent, int id) {
    QTest::mouseClick(child<QPushButton>(parent, id), Qt::LeftButton);
}

// Types into a box's edit field, replacing its text.
inline void typeInto(QComboBox* box, const QString& text) {
    box->lineEdit()->selectAll();
    box->lineEdit()->del();
    QTest::keyClicks(box->lineEdit(), text);
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

    ClientArea* client() const { return window->clientArea(); }
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
