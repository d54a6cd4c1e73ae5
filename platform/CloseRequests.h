#pragma once

#include <QObject>

class QSocketNotifier;

namespace vorel {

// Turns the requests to end the program that come from outside the window — SIGTERM, SIGINT and
// SIGHUP, and the desktop session ending — into one signal on the window thread. The signal
// handler only writes a byte into a pipe, which is all a handler may safely do; the window thread
// reads it. One instance per process; the default handling returns when it is gone.
class CloseRequests : public QObject {
    Q_OBJECT
  public:
    explicit CloseRequests(QObject* parent = nullptr);
    ~CloseRequests() override;

  signals:
    void requested();

  private:
    void readPipe();

    QSocketNotifier* notifier_ = nullptr;
};

} // namespace vorel
