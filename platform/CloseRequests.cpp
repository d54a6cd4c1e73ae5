#include "platform/CloseRequests.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace vorel {
namespace {

constexpr int closingSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The pipe's two ends. A signal handler can reach nothing else, so they are the one piece of
// state shared beyond an object.
int pipeEnds[2] = {-1, -1};

extern "C" void onClosingSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a request; nothing is lost.
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

} // namespace

CloseRequests::CloseRequests(QObject* parent) : QObject(parent) {
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
        qWarning("No pipe for the close requests: SIGTERM ends the program at once");
        return;
    }
    notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &CloseRequests::readPipe);
    struct sigaction action {};
    action.sa_handler = onClosingSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : closingSignals)
        ::sigaction(number, &action, nullptr);
#ifndef QT_NO_SESSIONMANAGER
    // The session ends: there is no time for questions either.
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, &CloseRequests::requested);
#endif
}

CloseRequests::~CloseRequests() {
    if (notifier_ == nullptr)
        return;
    for (int number : closingSignals)
        std::signal(number, SIG_DFL);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void CloseRequests::readPipe() {
    char bytes[64];
    while (::read(pipeEnds[0], bytes, sizeof bytes) > 0) {
    }
    emit requested();
}

} // namespace vorel
