#include "window/TNApplication.h"

#include <algorithm>

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

void TNApplication::run(const std::function<void(const SDL_Event&)>& handleEvent, const std::function<void()>& tick)
{
    while (!terminating_.load()) {
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, 5)) {
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
