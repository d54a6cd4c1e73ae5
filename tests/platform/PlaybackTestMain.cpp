#include <gtest/gtest.h>

#include <QCoreApplication>

// The player needs an event loop on the thread that owns it, as in the programs.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
