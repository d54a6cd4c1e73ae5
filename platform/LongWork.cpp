#include "platform/LongWork.h"

#include "common/Conversion.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <system_error>
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
    explicit InputBlocker(QWidget* window) : window_(window) { qApp->installEventFilter(this); }
    ~InputBlocker() override { qApp->removeEventFilter(this); }

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
    running_.store(true);
    cancelRequested_.store(false);
    const bool result = runOnWorker(label, work);
    running_.store(false);
    if (closeAfterWork_) {
        closeAfterWork_ = false;
        window_->close();
    }
    return result;
}

bool LongWork::holdBackClose(QCloseEvent* event) {
    if (!busy())
        return false;
    closeAfterWork_ = true;
    cancel();
    event->ignore();
    return true;
}

bool LongWork::runOnWorker(const QString& label, const Work& work) {
    std::atomic<double> fraction{0.0};
    std::atomic<bool> finished{false};
    bool result = false;
    const auto progress = [this, &fraction](double done) {
        fraction.store(done);
        return !cancelRequested_.load();
    };

    InputBlocker blocker(window_);
    QProgressDialog dialog(label, QStringLiteral("Cancel"), 0, progressSteps, window_);
    dialog.setWindowTitle(title_);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(showAfterMs);
    QObject::connect(&dialog, &QProgressDialog::canceled, [this] { cancel(); });

    QEventLoop loop;
    std::thread worker;
    try {
        worker = std::thread([&] {
            result = work(progress);
            finished.store(true);
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        // No thread to be had: the work runs here, and the window waits for it.
        return work(progress);
    }

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        dialog.setValue(truncateTo<int>(fraction.load() * (progressSteps - 1)));
    });
    poll.start(pollMs);
    if (!finished.load())
        loop.exec();
    worker.join();
    return result;
}

} // namespace vorel
