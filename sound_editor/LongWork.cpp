#include "sound_editor/LongWork.h"

#include "common/Conversion.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <thread>

namespace vorel {
namespace {

constexpr int progressSteps = 1000;
constexpr int showAfterMs = 400; // quick work finishes without a dialog flashing up
constexpr int pollMs = 50;

// Swallows user input aimed at the busy window, so nothing can be edited meanwhile; painting and
// the progress dialog (a window of its own) go on.
class InputBlocker : public QObject {
  public:
    explicit InputBlocker(QWidget* window) : window_(window) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
            if (auto* widget = qobject_cast<QWidget*>(watched);
                widget && widget->window() == window_)
                return true;
            break;
        default:
            break;
        }
        return false;
    }

  private:
    QWidget* window_;
};

} // namespace

bool LongWork::run(const QString& label, const Work& work) {
    QWidget* window = window_;
    running_.store(true);
    cancelRequested_.store(false);
    std::atomic<double> fraction{0.0};
    std::atomic<bool> finished{false};
    bool result = false;

    InputBlocker blocker(window);
    qApp->installEventFilter(&blocker);

    QProgressDialog dialog(label, QStringLiteral("Cancel"), 0, progressSteps, window);
    dialog.setWindowTitle(QStringLiteral("Vorel sound editor"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(showAfterMs);
    QObject::connect(&dialog, &QProgressDialog::canceled, [this] { cancel(); });

    QEventLoop loop;
    std::thread worker([&] {
        result = work([&](double done) {
            fraction.store(done);
            return !cancelRequested_.load();
        });
        finished.store(true);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        dialog.setValue(truncateTo<int>(fraction.load() * (progressSteps - 1)));
    });
    poll.start(pollMs);
    if (!finished.load())
        loop.exec();
    worker.join();
    poll.stop();
    dialog.hide();

    qApp->removeEventFilter(&blocker);
    running_.store(false);
    return result;
}

} // namespace vorel
