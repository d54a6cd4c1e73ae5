#include "platform/ProcessExit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>

int main(int argc, char* argv[]) {
    // Real widgets without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Settings a test writes go to a folder of their own, never to the user's.
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    // Static teardown of the audio engine can abort after sound was played.
    vorel::exitSkippingStaticTeardown(RUN_ALL_TESTS());
}
