#include "platform/ProcessExit.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

// The player needs an event loop on the thread that owns it, as in the programs.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    // Static teardown of the audio engine can abort after sound was played.
    vorel::exitSkippingStaticTeardown(RUN_ALL_TESTS());
}
