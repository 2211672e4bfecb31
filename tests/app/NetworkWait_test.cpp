// Waiting for a request without freezing the window: what runs where, and what the window does
// meanwhile.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QTimer>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/NetworkWait.h"

namespace velmora::test {
namespace {

using namespace std::chrono_literals;

TEST(NetworkWait, RequestsRunOneAfterAnotherOnOneNetworkThread)
{
    std::vector<std::thread::id> ranOn;
    for (int request = 0; request < 3; ++request)
        waitWithoutFreezing([&] { ranOn.push_back(std::this_thread::get_id()); });

    ASSERT_EQ(ranOn.size(), 3u);
    EXPECT_NE(ranOn[0], std::this_thread::get_id());
    EXPECT_EQ(ranOn[1], ranOn[0]);
    EXPECT_EQ(ranOn[2], ranOn[0]);
}

TEST(NetworkWait, ALongWaitKeepsTimersGoingUnderABusyCursorAndRestoresIt)
{
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    int ticks = 0;
    bool busyWhileWaiting = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        const QCursor *cursor = QApplication::overrideCursor();
        busyWhileWaiting = cursor && cursor->shape() == Qt::WaitCursor;
    });
    timer.start(5);

    waitWithoutFreezing([] { std::this_thread::sleep_for(300ms); });

    EXPECT_GT(ticks, 0);
    EXPECT_TRUE(busyWhileWaiting);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(NetworkWait, AFailureOfTheRequestReachesTheCallerAndTheNextRequestStillRuns)
{
    for (auto pause : {0ms, 100ms}) { // ending within the moment and after it
        SCOPED_TRACE(pause.count());
        EXPECT_THROW(waitWithoutFreezing([pause] {
                         std::this_thread::sleep_for(pause);
                         throw std::runtime_error("lost");
                     }),
                     std::runtime_error);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        bool ran = false;
        waitWithoutFreezing([&] { ran = true; });
        EXPECT_TRUE(ran);
    }
}

// A wait begun by a timer while another wait is going on queues its request behind the first
// one; both must end, the inner one first.
TEST(NetworkWait, AWaitInsideAWaitEndsBoth)
{
    std::vector<std::string> ended;
    QTimer::singleShot(30, [&] {
        waitWithoutFreezing([] {});
        ended.push_back("inner");
    });
    waitWithoutFreezing([] { std::this_thread::sleep_for(200ms); });
    ended.push_back("outer");

    EXPECT_EQ(ended, (std::vector<std::string>{"inner", "outer"}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace
} // namespace velmora::test
