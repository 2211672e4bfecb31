// Handlers run one at a time, in the order they were asked for; a closed queue runs nothing
// more; a handler that throws does not stop the others.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/HandlerQueue.h"

namespace velmora::test {
namespace {

TEST(HandlerQueue, AHandlerAskedForWhileAnotherRunsRunsAfterItInOrder)
{
    std::vector<std::string> ran;
    HandlerQueue queue;
    queue.run([&] {
        ran.push_back("first begins");
        queue.run([&] {
            ran.push_back("second");
            queue.run([&] { ran.push_back("fourth"); });
        });
        queue.run([&] { ran.push_back("third"); });
        EXPECT_EQ(queue.waiting(), 2u);
        ran.push_back("first ends");
    });
    EXPECT_EQ(ran, (std::vector<std::string>{"first begins", "first ends", "second", "third", "fourth"}));
    EXPECT_FALSE(queue.isRunning());
    queue.run([&] { ran.push_back("later"); });
    EXPECT_EQ(ran.back(), "later");
}

TEST(HandlerQueue, OnceClosedWhatWaitsIsDroppedAndNothingStarts)
{
    std::vector<std::string> ran;
    HandlerQueue queue;
    queue.run([&] {
        queue.run([&] { ran.push_back("held back"); });
        queue.close();
        queue.run([&] { ran.push_back("asked for after the close"); });
        ran.push_back("running one finishes");
    });
    queue.run([&] { ran.push_back("after"); });
    EXPECT_EQ(ran, std::vector<std::string>{"running one finishes"});
    EXPECT_TRUE(queue.isClosed());
}

TEST(HandlerQueue, AThrowingHandlerIsReportedAndTheQueueGoesOn)
{
    std::vector<std::string> reports;
    std::vector<std::string> ran;
    HandlerQueue queue([&](const std::string &what) { reports.push_back(what); });
    queue.run([&] {
        queue.run([&] { ran.push_back("next"); });
        throw std::runtime_error("bad row");
    });
    queue.run([] { throw 42; });
    queue.run([&] { ran.push_back("later"); });
    EXPECT_EQ(reports, (std::vector<std::string>{"bad row", ""}));
    EXPECT_EQ(ran, (std::vector<std::string>{"next", "later"}));
    EXPECT_FALSE(queue.isRunning());
}

} // namespace
} // namespace velmora::test
