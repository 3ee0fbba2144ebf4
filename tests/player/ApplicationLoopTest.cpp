// The main thread's loop on SDL's offscreen driver, which cannot wait for
// events itself: between turns the loop sleeps rather than polling, and a
// terminate() from another thread still ends it.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "GameViewSupport.h"
#include "TestSupport.h"
#include "window/TNApplication.h"

using namespace tern_test;

namespace {

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
    application.run([](const SDL_Event&) {}, [&] { ++turns; });
    const long sleeps = voluntarySwitchesOfThisThread() - before;
    // A turn every 5 ms or so: about 60. Polling every millisecond inside
    // each turn's wait would sleep about 300 times.
    EXPECT_GT(turns, 10);
    EXPECT_LT(sleeps, turns + 40) << turns << " turns";
}

TEST_F(ApplicationLoopTest, TerminateFromAnotherThreadEndsTheLoop)
{
    TNApplication application;
    std::atomic<int> turns{0};
    std::thread other([&] {
        waitUntil([&] { return turns.load() >= 3; }, std::chrono::seconds(10));
        application.terminate(7);
    });
    application.run([](const SDL_Event&) {}, [&] { ++turns; });
    other.join();
    EXPECT_EQ(application.exitStatus(), 7);
    EXPECT_GE(turns.load(), 3);
}

TEST_F(ApplicationLoopTest, DelayedCallsStillRunInOrder)
{
    TNApplication application;
    std::vector<int> order;
    application.performAfterDelay(0.02, [&] { order.push_back(2); });
    application.performAfterDelay(0.0, [&] { order.push_back(1); });
    application.terminateAfterDelay(0.05, 0);
    application.run([](const SDL_Event&) {}, [] {});
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

}  // namespace
