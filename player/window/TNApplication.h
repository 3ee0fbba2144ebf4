// The main thread's loop: SDL events, calls scheduled after a delay, a
// per-tick callback, and termination, which any thread may request.
#ifndef TN_APPLICATION_H
#define TN_APPLICATION_H

#include <SDL.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

class TNApplication {
public:
    TNApplication();

    // Seconds since the application was made.
    double now() const;
    // Runs call on the main thread after delay seconds.
    void performAfterDelay(double delay, std::function<void()> call);

    // Asks the loop to end with the given exit status (the first request's
    // status wins). Safe from any thread.
    void terminate(int status);
    // Ends with status after delay seconds (main thread).
    void terminateAfterDelay(double delay, int status);
    bool isTerminating() const { return terminating_.load(); }
    int exitStatus() const { return exitStatus_.load(); }

    // Wakes the loop if it waits. Safe from any thread.
    void wake();

    // Runs until terminate(): each turn handles pending events with
    // handleEvent, runs due delayed calls and the main queue's work, then
    // tick, which returns how many seconds the loop may wait before the next
    // turn. An event, a delayed call falling due, work for the main queue
    // and terminate() end the wait early.
    void run(const std::function<void(const SDL_Event&)>& handleEvent, const std::function<double()>& tick);

private:
    struct Delayed {
        double when;
        std::function<void()> call;
    };

    void runDueCalls();
    // The next event, waiting at most timeoutMs for one; false when none came.
    bool waitForEvent(SDL_Event& event, int timeoutMs);
    // Milliseconds until the first delayed call is due, at most longest.
    int millisecondsUntilDue(double longest);

    Uint64 start_;
    std::mutex delayedMutex_;
    std::vector<Delayed> delayed_;
    std::atomic<bool> terminating_{false};
    std::atomic<int> exitStatus_{0};
    Uint32 wakeEvent_;
    // SDL's offscreen and dummy video drivers cannot wait for events, and
    // SDL_WaitEventTimeout polls them every millisecond: a thousand wake-ups
    // a second doing nothing, headless. With those drivers the loop waits
    // here instead, and terminate() wakes it; no event can come from outside.
    bool driverCannotWait_ = false;
    std::mutex wakeMutex_;
    std::condition_variable wakeCondition_;
    bool wakeRequested_ = false;
};

#endif
