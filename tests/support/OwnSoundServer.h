#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <functional>

namespace vorel::test {

// A private PulseAudio daemon that the tests take away and bring back: the daemon of
// private-pulse.sh, on a socket of this process's own, started again on the same socket after
// each kill(). One per test program, made by its main (OwnServerTestMain.cpp) and reached through
// instance(); it outlives the tests, so that Qt, which keeps one connection to the server for the
// whole process, finds it running when each test begins.
class OwnSoundServer {
  public:
    // Points this process (Qt's audio output, and parec and pactl started from it) at the socket
    // in a temporary folder, and the recordings at the daemon's null sink. Nothing listens there
    // until start(). Make it before anything plays.
    OwnSoundServer();
    OwnSoundServer(const OwnSoundServer&) = delete;
    OwnSoundServer& operator=(const OwnSoundServer&) = delete;
    ~OwnSoundServer();

    static OwnSoundServer& instance();

    // Starts the daemon unless it runs, and waits until it answers. Empty on success, otherwise
    // the reason why there is no server (pulseaudio missing, the daemon failing).
    QString start();
    // Kills the daemon as a crash would and waits until it is gone; its clients lose it at once.
    void kill();

  private:
    QTemporaryDir folder_;
    QProcess daemon_;
};

// Qt reconnects to a lost sound server three seconds after losing it, and only then can a sound
// be played again. Repeats the play action `play` every 200 ms until it says a sound plays; fails
// when none does within `timeoutMs`.
::testing::AssertionResult playOnceReconnected(const std::function<bool()>& play,
                                               int timeoutMs = 10000);

} // namespace vorel::test
