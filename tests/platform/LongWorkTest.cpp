#include "platform/LongWork.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <thread>

namespace vorel::test {
namespace {

TEST(LongWorkTest, CancelStopsTheWorkAndInputToTheWindowIsHeldBack) {
    QWidget window;
    auto* button = new QPushButton("UP", &window);
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    LongWork work(&window, "Working");
    bool clickedWhileBusy = false;
    QTimer::singleShot(50, [&] {
        QTest::mouseClick(button, Qt::LeftButton);
        clickedWhileBusy = work.busy();
        work.cancel();
    });
    int calls = 0;
    const bool finished =
        work.run("working", [&calls](const std::function<bool(double)>& progress) {
            for (;; ++calls) {
                if (!progress(0.5))
                    return false;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    EXPECT_FALSE(finished);
    EXPECT_TRUE(clickedWhileBusy);
    EXPECT_GT(calls, 0);
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(work.busy());

    // Afterwards the window takes input again.
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
}

} // namespace
} // namespace vorel::test
