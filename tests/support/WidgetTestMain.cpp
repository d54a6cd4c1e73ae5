#include "platform/ProcessExit.h"

#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char* argv[]) {
    // Real widgets without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    // Static teardown of the audio engine can abort after sound was played.
    vorel::exitSkippingStaticTeardown(RUN_ALL_TESTS());
}
