// A small run loop for one thread: calls queued from any thread (run in the
// order they were queued, optionally with the caller waiting until its call
// has run) and repeating timers, all run by the owning thread inside
// runUntil().
//
// A thread gets its loop from RunLoop::current(); a render thread installs
// the loop its view created with setCurrent() before running it.
#ifndef RUN_LOOP_H
#define RUN_LOOP_H

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class RunLoop;

// A repeating timer. The loop keeps it while it is valid; invalidate() stops
// it from firing again (from any thread).
class RunLoopTimer {
public:
    using Clock = std::chrono::steady_clock;

    RunLoopTimer(Clock::duration interval, std::function<void()> fire);
    void invalidate() { valid_.store(false); }
    bool isValid() const { return valid_.load(); }
    Clock::duration interval() const { return interval_; }

private:
    friend class RunLoop;
    Clock::duration interval_;
    std::function<void()> fire_;
    Clock::time_point nextFire_;
    std::atomic<bool> valid_{true};
};

class RunLoop {
public:
    using Clock = std::chrono::steady_clock;

    RunLoop();
    ~RunLoop();
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    // The loop of the calling thread, created on first use.
    static std::shared_ptr<RunLoop> current();
    // Makes loop the calling thread's loop (before the thread runs it).
    static void setCurrent(std::shared_ptr<RunLoop> loop);

    // Queues call to run on the loop's thread. With waitUntilDone the caller
    // blocks until it has run (or has thrown there); a call made from the
    // loop's own thread with waiting runs at once. Returns false, running
    // nothing, once the loop has finished.
    bool perform(std::function<void()> call, bool waitUntilDone);

    // Schedules a repeating timer whose first firing is one interval away.
    std::shared_ptr<RunLoopTimer> scheduleTimer(Clock::duration interval, std::function<void()> fire);

    // Runs queued calls and due timers until deadline or wakeUp(). An
    // exception thrown by a call or timer leaves here; the loop stays usable
    // and the next runUntil goes on with what is still queued.
    void runUntil(Clock::time_point deadline);
    // Makes a runUntil in progress return soon, from any thread.
    void wakeUp();
    // Ends the loop for good: queued calls are dropped and every caller
    // waiting for one is released. Further perform() calls return false.
    void finish();
    bool isFinished() const;

    // Number of timers still scheduled (valid ones).
    size_t timerCount() const;

private:
    struct Call;

    std::shared_ptr<Call> takeNextCall();
    bool fireDueTimer(Clock::time_point now);
    Clock::time_point nextTimerFire() const;
    void runCall(Call& call);

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::deque<std::shared_ptr<Call>> calls_;
    std::vector<std::shared_ptr<RunLoopTimer>> timers_;
    std::atomic<std::thread::id> thread_{};
    bool wokenUp_ = false;
    bool finished_ = false;
};

#endif
