// Waiting for a request without freezing the window: what runs where, and what the window does
// meanwhile.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QTimer>

#include <chrono>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/NetworkWait.h"

namespace velmora::test {
namespace {

using namespace std::chrono_literals;

// Long enough that only a wait that never ends reaches it; nothing here waits for it otherwise.
constexpr auto stuck = 60s;

TEST(NetworkWait, RequestsRunOneAfterAnotherOnOneNetworkThread)
{
    NetworkThread network;
    std::vector<std::thread::id> ranOn;
    for (int request = 0; request < 3; ++request)
        waitWithoutFreezing(network, [&] { ranOn.push_back(std::this_thread::get_id()); });

    ASSERT_EQ(ranOn.size(), 3u);
    EXPECT_NE(ranOn[0], std::this_thread::get_id());
    EXPECT_EQ(ranOn[1], ranOn[0]);
    EXPECT_EQ(ranOn[2], ranOn[0]);
}

// The request ends only once a timer has fired during the wait under the busy cursor: a wait
// that held timers back would never end (and fails at the latch's limit instead).
TEST(NetworkWait, ALongWaitKeepsTimersGoingUnderABusyCursorAndRestoresIt)
{
    NetworkThread network;
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    std::promise<bool> tickedUnderBusyCursor;
    std::future<bool> ticked = tickedUnderBusyCursor.get_future();
    bool told = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const QCursor *cursor = QApplication::overrideCursor();
        if (!told && cursor && cursor->shape() == Qt::WaitCursor) {
            told = true;
            tickedUnderBusyCursor.set_value(true);
        }
    });
    timer.start(5);

    bool released = false;
    waitWithoutFreezing(network, [&] { released = ticked.wait_for(stuck) == std::future_status::ready; });

    EXPECT_TRUE(released) << "no timer fired under the busy cursor while the request waited";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(NetworkWait, AFailureOfTheRequestReachesTheCallerAndTheNextRequestStillRuns)
{
    NetworkThread network;
    for (bool afterTheMoment : {false, true}) { // ending within the first frame and after it
        SCOPED_TRACE(afterTheMoment);
        std::promise<void> timerFired;
        std::future<void> fired = timerFired.get_future();
        QTimer::singleShot(0, [&] { timerFired.set_value(); });
        EXPECT_THROW(waitWithoutFreezing(network,
                                         [&] {
                                             if (afterTheMoment)
                                                 fired.wait_for(stuck);
                                             throw std::runtime_error("lost");
                                         }),
                     std::runtime_error);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        bool ran = false;
        waitWithoutFreezing(network, [&] { ran = true; });
        EXPECT_TRUE(ran);
        QCoreApplication::processEvents(); // the timer of the quick round, if it is still due
    }
}

// A wait begun by a timer while another wait is going on queues its request behind the first
// one; both must end, the inner one first.
TEST(NetworkWait, AWaitInsideAWaitEndsBoth)
{
    NetworkThread network;
    std::vector<std::string> ended;
    std::promise<void> innerQueued;
    std::future<void> queued = innerQueued.get_future();
    QTimer::singleShot(0, [&] {
        innerQueued.set_value();
        waitWithoutFreezing(network, [] {});
        ended.push_back("inner");
    });
    waitWithoutFreezing(network, [&] { queued.wait_for(stuck); });
    ended.push_back("outer");

    EXPECT_EQ(ended, (std::vector<std::string>{"inner", "outer"}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// The window ends its network thread with itself: a job in hand is let finish, and the thread is
// gone when the destructor returns.
TEST(NetworkWait, TheNetworkThreadEndsWithItsOwnerAfterTheJobInHand)
{
    std::promise<void> started;
    std::future<void> hasStarted = started.get_future();
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    bool finished = false;
    {
        NetworkThread network;
        network.post([&] {
            started.set_value();
            released.wait_for(stuck);
            finished = true;
        });
        ASSERT_EQ(hasStarted.wait_for(stuck), std::future_status::ready);
        release.set_value();
    }
    EXPECT_TRUE(finished);
}

} // namespace
} // namespace velmora::test
