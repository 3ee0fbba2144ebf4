#include "window/TNApplication.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "bridge/runtime/TNMainQueue.h"

TNApplication::TNApplication() : start_(SDL_GetPerformanceCounter()), wakeEvent_(SDL_RegisterEvents(1))
{
}

double TNApplication::now() const
{
    return static_cast<double>(SDL_GetPerformanceCounter() - start_) / static_cast<double>(SDL_GetPerformanceFrequency());
}

void TNApplication::performAfterDelay(double delay, std::function<void()> call)
{
    {
        std::lock_guard<std::mutex> lock(delayedMutex_);
        delayed_.push_back({now() + delay, std::move(call)});
    }
    // The loop may be waiting longer than this delay.
    wake();
}

void TNApplication::terminate(int status)
{
    bool expected = false;
    if (terminating_.compare_exchange_strong(expected, true))
        exitStatus_.store(status);
    wake();
}

void TNApplication::wake()
{
    {
        // One wake-up is enough until the loop has seen it: work queued
        // from other threads many times a frame pushes one event, not many.
        std::lock_guard<std::mutex> lock(wakeMutex_);
        if (wakeRequested_)
            return;
        wakeRequested_ = true;
    }
    wakeCondition_.notify_all();
    if (wakeEvent_ != static_cast<Uint32>(-1)) {
        SDL_Event event{};
        event.type = wakeEvent_;
        SDL_PushEvent(&event);
    }
}

void TNApplication::terminateAfterDelay(double delay, int status)
{
    performAfterDelay(delay, [this, status] { terminate(status); });
}

void TNApplication::runDueCalls()
{
    std::vector<std::function<void()>> due;
    {
        std::lock_guard<std::mutex> lock(delayedMutex_);
        double t = now();
        auto firstLater = std::stable_partition(delayed_.begin(), delayed_.end(),
                                                [t](const Delayed& d) { return d.when <= t; });
        for (auto it = delayed_.begin(); it != firstLater; ++it)
            due.push_back(std::move(it->call));
        delayed_.erase(delayed_.begin(), firstLater);
    }
    for (auto& call : due) {
        if (terminating_.load())
            return;
        call();
    }
}

int TNApplication::millisecondsUntilDue(double longest)
{
    double wait = longest;
    {
        std::lock_guard<std::mutex> lock(delayedMutex_);
        const double t = now();
        for (const Delayed& d : delayed_)
            wait = std::min(wait, d.when - t);
    }
    // Rounded up, so that the loop does not wake just before a call is due.
    return static_cast<int>(std::ceil(std::max(0.0, wait) * 1000.0));
}

bool TNApplication::waitForEvent(SDL_Event& event, int timeoutMs)
{
    if (!driverCannotWait_)
        return SDL_WaitEventTimeout(&event, timeoutMs) != 0;
    if (SDL_PollEvent(&event))
        return true;
    {
        std::unique_lock<std::mutex> lock(wakeMutex_);
        wakeCondition_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return wakeRequested_; });
    }
    return SDL_PollEvent(&event) != 0;
}

void TNApplication::run(const std::function<void(const SDL_Event&)>& handleEvent, const std::function<double()>& tick)
{
    const char* driver = SDL_GetCurrentVideoDriver();
    driverCannotWait_ = driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
    // Work other threads leave for the main thread ends the wait too.
    TNMainQueue::setWakeUp([this] { wake(); });
    double tickWait = 0.0;
    while (!terminating_.load()) {
        SDL_Event event;
        if (waitForEvent(event, millisecondsUntilDue(tickWait))) {
            do {
                if (event.type != wakeEvent_)
                    handleEvent(event);
            } while (!terminating_.load() && SDL_PollEvent(&event));
        }
        {
            // Cleared once the events are drained and before the calls and
            // work run: a wake-up from now on may be for work this turn does
            // not see, and pushes an event the next wait finds.
            std::lock_guard<std::mutex> lock(wakeMutex_);
            wakeRequested_ = false;
        }
        if (terminating_.load())
            break;
        runDueCalls();
        // Observer reports and reference releases that other threads left for the main thread.
        TNMainQueue::runPending();
        if (!terminating_.load())
            tickWait = tick();
    }
    TNMainQueue::setWakeUp(nullptr);
}
