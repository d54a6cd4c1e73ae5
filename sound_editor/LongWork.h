#pragma once

#include <QString>

#include <atomic>
#include <functional>

class QWidget;

namespace vorel {

// Runs long work on a thread of its own while the window thread keeps painting. A modal progress
// dialog with Cancel appears when the work takes more than a moment; until the work ends, no
// input reaches `window` (its buttons, menu, shortcuts and mouse clicks), so nothing the work
// reads can change under it.
//
// `work` gets a progress callback to call with the fraction done (0..1) from its thread; the
// callback returns false once the user has cancelled. Returns what `work` returns.
class LongWork {
  public:
    using Work = std::function<bool(const std::function<bool(double)>& progress)>;

    explicit LongWork(QWidget* window) : window_(window) {}

    bool run(const QString& label, const Work& work);
    // True while work started by run() is going on.
    bool busy() const { return running_.load(); }
    // Asks the running work to stop at its next progress call.
    void cancel() { cancelRequested_.store(true); }

  private:
    QWidget* window_;
    std::atomic<bool> running_{false};
    std::atomic<bool> cancelRequested_{false};
};

} // namespace vorel
