// The main thread's loop on SDL's offscreen driver, which cannot wait for
// events itself: between turns the loop sleeps rather than polling, as long
// as its tick asks, and work from other threads, delayed calls falling due
// and terminate() end the sleep.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "GameViewSupport.h"
#include "TestSupport.h"
#include "bridge/runtime/TNMainQueue.h"
#include "window/TNApplication.h"

using namespace tern_test;

namespace {

// Longer than any test waits: a loop that is not woken shows as a timeout.
const double kLongTick = 30.0;

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

long voluntarySwitchesOfThisThread()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

class ApplicationLoopTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(video.ok()) << video.error(); }

    VideoSession video{"offscreen"};
};

TEST_F(ApplicationLoopTest, SleepsOncePerTurnWhenNothingHappens)
{
    TNApplication application;
    application.terminateAfterDelay(0.3, 0);
    int turns = 0;
    const long before = voluntarySwitchesOfThisThread();
    application.run([](const SDL_Event&) {}, [&] {
        ++turns;
        return 0.005;
    });
    const long sleeps = voluntarySwitchesOfThisThread() - before;
    // A turn every 5 ms or so: about 60. Polling every millisecond inside
    // each turn's wait would sleep about 300 times; not waiting at all
    // would turn thousands of times.
    EXPECT_GT(turns, 10);
    EXPECT_LT(turns, 100);
    EXPECT_LT(sleeps, turns + 40) << turns << " turns";
}

TEST_F(ApplicationLoopTest, WorkFromAnotherThreadAndTerminateEndAnIdleWait)
{
    TNApplication application;
    std::atomic<int> turns{0};
    std::atomic<bool> workRan{false};
    std::thread other([&] {
        waitUntil([&] { return turns.load() >= 1; }, std::chrono::seconds(10));
        TNMainQueue::perform([&] { workRan = true; });
        waitUntil([&] { return workRan.load(); }, std::chrono::seconds(10));
        application.terminate(7);
    });
    const auto start = std::chrono::steady_clock::now();
    application.run([](const SDL_Event&) {}, [&] {
        ++turns;
        return kLongTick;
    });
    other.join();
    EXPECT_TRUE(workRan.load());
    EXPECT_EQ(application.exitStatus(), 7);
    EXPECT_LT(secondsSince(start), 10.0);
    EXPECT_LE(turns.load(), 4);
}

TEST_F(ApplicationLoopTest, DelayedCallsRunInOrderWhenDueEvenWhileIdle)
{
    TNApplication application;
    std::vector<int> order;
    application.performAfterDelay(0.02, [&] { order.push_back(2); });
    application.performAfterDelay(0.0, [&] { order.push_back(1); });
    application.terminateAfterDelay(0.05, 0);
    const auto start = std::chrono::steady_clock::now();
    application.run([](const SDL_Event&) {}, [] { return kLongTick; });
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_LT(secondsSince(start), 10.0);
}

}  // namespace
