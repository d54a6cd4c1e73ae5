#include "support/OwnSoundServer.h"

#include "support/Deadlines.h"

#include <QElapsedTimer>
#include <QTest>

#include <cstdlib>

namespace vorel::test {

namespace {

OwnSoundServer* theServer = nullptr;

bool answers() {
    QProcess pactl;
    pactl.start("pactl", {"info"});
    return pactl.waitForFinished(hungMs) && pactl.exitStatus() == QProcess::NormalExit &&
           pactl.exitCode() == 0;
}

} // namespace

OwnSoundServer::OwnSoundServer() {
    if (theServer != nullptr)
        qFatal("one OwnSoundServer per process");
    theServer = this;
    // private_pulse_daemon's socket in its folder.
    setenv("PULSE_SERVER", ("unix:" + folder_.filePath("native")).toLocal8Bit().constData(), 1);
    // Clients need no cookie; this keeps theirs out of $HOME.
    setenv("PULSE_COOKIE", folder_.filePath("cookie").toLocal8Bit().constData(), 1);
    setenv("VOREL_PULSE_MONITOR", "vorel_null.monitor", 1);
}

OwnSoundServer::~OwnSoundServer() {
    kill();
    theServer = nullptr;
}

OwnSoundServer& OwnSoundServer::instance() {
    if (theServer == nullptr)
        qFatal("no OwnSoundServer: the test program's main makes it");
    return *theServer;
}

QString OwnSoundServer::start() {
    if (daemon_.state() == QProcess::Running)
        return {};
    daemon_.setStandardInputFile(QProcess::nullDevice());
    daemon_.setStandardOutputFile(QProcess::nullDevice());
    daemon_.setStandardErrorFile(QProcess::nullDevice());
    // The shell becomes the daemon, so killing the process kills the daemon.
    daemon_.start("bash", {"-c", R"(source "$0" && private_pulse_daemon "$1")",
                           VOREL_PRIVATE_PULSE_SCRIPT, folder_.path()});
    if (!daemon_.waitForStarted(hungMs))
        return "bash could not be started: " + daemon_.errorString();
    if (!QTest::qWaitFor([this] { return daemon_.state() != QProcess::Running || answers(); },
                         hungMs) ||
        daemon_.state() != QProcess::Running)
        return "the PulseAudio daemon did not start (is pulseaudio installed?); its log is " +
               folder_.filePath("daemon.log");
    return {};
}

void OwnSoundServer::kill() {
    if (daemon_.state() == QProcess::NotRunning)
        return;
    daemon_.kill();
    daemon_.waitForFinished(hungMs);
}

::testing::AssertionResult playOnceReconnected(const std::function<bool()>& play, int timeoutMs) {
    constexpr int retryMs = 200;
    QElapsedTimer clock;
    clock.start();
    while (!play()) {
        if (clock.elapsed() > timeoutMs)
            return ::testing::AssertionFailure()
                   << "no sound plays " << timeoutMs << " ms after the server came back; was it "
                   << "back before Qt's one attempt to reconnect, three seconds after the loss?";
        QTest::qWait(retryMs);
    }
    return ::testing::AssertionSuccess();
}

} // namespace vorel::test
