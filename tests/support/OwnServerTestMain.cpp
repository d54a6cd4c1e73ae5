#include "support/OwnSoundServer.h"

#include "platform/ProcessExit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>

namespace {

// The server goes before the application: the daemon is killed and its folder removed.
int runTests(int argc, char* argv[]) {
    QApplication app(argc, argv);
    vorel::test::OwnSoundServer server;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

} // namespace

// For the tests that take the sound server away: this process talks only to a server of its own,
// so no other test loses its server.
int main(int argc, char* argv[]) {
    // Real widgets without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    // Static teardown of the audio engine can abort after sound was played.
    vorel::exitSkippingStaticTeardown(runTests(argc, argv));
}
