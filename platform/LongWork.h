#pragma once

#include <QString>

#include <atomic>
#include <functional>

class QCloseEvent;
class QWidget;

namespace vorel {

// Runs long work on a thread of its own while the window thread keeps painting. A modal progress
// dialog titled `title`, with Cancel, appears when the work takes more than a moment; until the
// work ends, input aimed at `window` (its buttons, menu, shortcuts and mouse clicks) is thrown
// away, so nothing the work reads can change under it.
//
// `work` gets a progress callback to call with the fraction done (0..1) from its thread; the
// callback returns false once the user has cancelled. run() returns what `work` returns.
class LongWork {
  public:
    using Work = std::function<bool(const std::function<bool(double)>& progress)>;

    LongWork(QWidget* window, QString title) : window_(window), title_(std::move(title)) {}

    bool run(const QString& label, const Work& work);
    // True while work started by run() is going on.
    bool busy() const { return running_.load(); }
    // Asks the running work to stop at its next progress call.
    void cancel() { cancelRequested_.store(true); }

    // For the window's closeEvent. While work runs, the close waits: the work is asked to stop,
    // the event is ignored and the window closes as soon as the work has ended. Returns whether
    // the close was held back so.
    bool holdBackClose(QCloseEvent* event);

  private:
    bool runOnWorker(const QString& label, const Work& work);

    QWidget* window_;
    QString title_;
    std::atomic<bool> running_{false};
    std::atomic<bool> cancelRequested_{false};
    bool closeAfterWork_ = false;
};

} // namespace vorel
