// The render thread's run loop: waiting calls, late timers, exceptions
// leaving the loop usable, finishing, and a loop per thread. The order of
// queued calls, the thread they run on and the timers' period are seen
// through the game views.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "window/RunLoop.h"

using namespace std::chrono_literals;

namespace {

// A thread running a loop in 0.1 s slices until stopped.
class LoopThread {
public:
    LoopThread() : loop_(std::make_shared<RunLoop>())
    {
        thread_ = std::thread([this] {
            RunLoop::setCurrent(loop_);
            while (!stop_.load()) {
                try {
                    loop_->runUntil(RunLoop::Clock::now() + 100ms);
                } catch (const std::exception&) {
                    ++exceptions;
                }
            }
            loop_->finish();
        });
    }
    ~LoopThread() { stop(); }
    void stop()
    {
        stop_.store(true);
        loop_->wakeUp();
        if (thread_.joinable())
            thread_.join();
    }
    RunLoop& loop() { return *loop_; }
    std::atomic<int> exceptions{0};

private:
    std::shared_ptr<RunLoop> loop_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace

// A waiting call returns only after it ran; one that throws releases its
// waiter too, and the loop goes on.
TEST(RunLoop, WaitingCallReturnsAfterItRanEvenWhenItThrows)
{
    LoopThread t;
    std::atomic<bool> ran{false};
    t.loop().perform([&] { std::this_thread::sleep_for(50ms); ran.store(true); }, true);
    EXPECT_TRUE(ran.load());
    t.loop().perform([] { throw std::runtime_error("boom"); }, true);
    t.loop().perform([&] { ran.store(false); }, true);
    EXPECT_FALSE(ran.load());
    EXPECT_EQ(t.exceptions.load(), 1);
}

TEST(RunLoop, WaitingCallFromTheLoopThreadRunsAtOnce)
{
    LoopThread t;
    std::vector<int> order;
    t.loop().perform(
        [&] {
            t.loop().perform([&] { order.push_back(2); }, false);
            t.loop().perform([&] { order.push_back(1); }, true);
        },
        true);
    t.loop().perform([] {}, true);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(RunLoop, LateTimerSkipsMissedFirings)
{
    LoopThread t;
    std::atomic<int> fired{0};
    t.loop().perform([&] { RunLoop::current()->scheduleTimer(10ms, [&] { ++fired; }); }, true);
    // Block the loop for ten periods; the timer then fires once for all of
    // them, not ten times. Firings stay on the timer's original schedule, so
    // each period boundary crossed before the count is read, a partial one
    // included, may add one firing on a loaded machine.
    std::chrono::steady_clock::time_point unblocked;
    t.loop().perform([&] {
        std::this_thread::sleep_for(100ms);
        fired.store(0);
        unblocked = std::chrono::steady_clock::now();
    }, true);
    std::this_thread::sleep_for(5ms);
    const int count = fired.load();
    const auto boundaries = (std::chrono::steady_clock::now() - unblocked + 10ms - 1ns) / 10ms;
    EXPECT_LE(count, 1 + boundaries);
}

TEST(RunLoop, CallsAndTimerInterleave)
{
    LoopThread t;
    std::atomic<int> fired{0};
    t.loop().perform([&] { RunLoop::current()->scheduleTimer(5ms, [&] { ++fired; }); }, true);
    // A steady stream of calls does not starve the timer.
    for (int i = 0; i < 200; ++i)
        t.loop().perform([] { std::this_thread::sleep_for(1ms); }, false);
    t.loop().perform([] {}, true);
    EXPECT_GE(fired.load(), 10);
}

TEST(RunLoop, FinishedLoopReleasesWaitersAndRefusesCalls)
{
    auto loop = std::make_shared<RunLoop>();
    std::atomic<bool> returned{false};
    std::thread waiter([&] {
        loop->perform([] {}, true);
        returned.store(true);
    });
    std::this_thread::sleep_for(30ms);
    EXPECT_FALSE(returned.load());
    loop->finish();
    waiter.join();
    EXPECT_TRUE(returned.load());
    EXPECT_FALSE(loop->perform([] {}, true));
}

TEST(RunLoop, WakeUpEndsRunUntilEarly)
{
    auto loop = std::make_shared<RunLoop>();
    std::thread waker([&] {
        std::this_thread::sleep_for(20ms);
        loop->wakeUp();
    });
    const auto start = RunLoop::Clock::now();
    loop->runUntil(start + 5s);
    waker.join();
    EXPECT_LT(RunLoop::Clock::now() - start, 2s);
}

TEST(RunLoop, CurrentIsPerThread)
{
    std::shared_ptr<RunLoop> mine = RunLoop::current();
    EXPECT_EQ(RunLoop::current(), mine);
    std::shared_ptr<RunLoop> other;
    std::thread([&] { other = RunLoop::current(); }).join();
    EXPECT_NE(other, mine);
}
