#include "window/TNApplication.h"

#include <algorithm>
#include <chrono>
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
    std::lock_guard<std::mutex> lock(delayedMutex_);
    delayed_.push_back({now() + delay, std::move(call)});
}

void TNApplication::terminate(int status)
{
    bool expected = false;
    if (terminating_.compare_exchange_strong(expected, true))
        exitStatus_.store(status);
    // Wakes the loop if it waits for events.
    {
        std::lock_guard<std::mutex> lock(wakeMutex_);
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

bool TNApplication::waitForEvent(SDL_Event& event, int timeoutMs)
{
    if (!driverCannotWait_)
        return SDL_WaitEventTimeout(&event, timeoutMs) != 0;
    if (SDL_PollEvent(&event))
        return true;
    {
        std::unique_lock<std::mutex> lock(wakeMutex_);
        wakeCondition_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return wakeRequested_; });
        wakeRequested_ = false;
    }
    return SDL_PollEvent(&event) != 0;
}

void TNApplication::run(const std::function<void(const SDL_Event&)>& handleEvent, const std::function<void()>& tick)
{
    const char* driver = SDL_GetCurrentVideoDriver();
    driverCannotWait_ = driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
    while (!terminating_.load()) {
        SDL_Event event;
        if (waitForEvent(event, 5)) {
            do {
                if (event.type != wakeEvent_)
                    handleEvent(event);
            } while (!terminating_.load() && SDL_PollEvent(&event));
        }
        if (terminating_.load())
            break;
        runDueCalls();
        // Observer reports and reference releases that other threads left for the main thread.
        TNMainQueue::runPending();
        if (!terminating_.load())
            tick();
    }
}
