#include "window/RunLoop.h"

#include <algorithm>

struct RunLoop::Call {
    std::function<void()> function;
    bool done = false;
};

RunLoopTimer::RunLoopTimer(Clock::duration interval, std::function<void()> fire)
    : interval_(interval), fire_(std::move(fire)), nextFire_(Clock::now() + interval)
{
}

namespace {
thread_local std::shared_ptr<RunLoop> currentLoop;
}

RunLoop::RunLoop() = default;

RunLoop::~RunLoop()
{
    finish();
}

std::shared_ptr<RunLoop> RunLoop::current()
{
    if (!currentLoop)
        setCurrent(std::make_shared<RunLoop>());
    return currentLoop;
}

void RunLoop::setCurrent(std::shared_ptr<RunLoop> loop)
{
    if (loop)
        loop->thread_.store(std::this_thread::get_id());
    currentLoop = std::move(loop);
}

bool RunLoop::perform(std::function<void()> call, bool waitUntilDone)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (finished_)
        return false;
    if (waitUntilDone && thread_.load() == std::this_thread::get_id()) {
        lock.unlock();
        call();
        return true;
    }
    auto queued = std::make_shared<Call>();
    queued->function = std::move(call);
    calls_.push_back(queued);
    wake_.notify_all();
    if (waitUntilDone)
        done_.wait(lock, [&] { return queued->done || finished_; });
    return true;
}

std::shared_ptr<RunLoopTimer> RunLoop::scheduleTimer(Clock::duration interval, std::function<void()> fire)
{
    auto timer = std::make_shared<RunLoopTimer>(interval, std::move(fire));
    std::lock_guard<std::mutex> lock(mutex_);
    timers_.push_back(timer);
    wake_.notify_all();
    return timer;
}

std::shared_ptr<RunLoop::Call> RunLoop::takeNextCall()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (calls_.empty())
        return nullptr;
    std::shared_ptr<Call> call = calls_.front();
    calls_.pop_front();
    return call;
}

// Marks the call done even when it throws, so that its caller is released.
void RunLoop::runCall(Call& call)
{
    struct Done {
        RunLoop& loop;
        Call& call;
        ~Done()
        {
            std::lock_guard<std::mutex> lock(loop.mutex_);
            call.done = true;
            loop.done_.notify_all();
        }
    };
    Done done{*this, call};
    call.function();
}

bool RunLoop::fireDueTimer(Clock::time_point now)
{
    std::shared_ptr<RunLoopTimer> due;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        timers_.erase(std::remove_if(timers_.begin(), timers_.end(),
                                     [](const std::shared_ptr<RunLoopTimer>& t) { return !t->isValid(); }),
                      timers_.end());
        for (const auto& timer : timers_) {
            if (timer->nextFire_ <= now && (!due || timer->nextFire_ < due->nextFire_))
                due = timer;
        }
        if (!due)
            return false;
        // A late timer fires once and keeps its phase: missed firings are skipped.
        while (due->nextFire_ <= now)
            due->nextFire_ += due->interval_;
    }
    due->fire_();
    return true;
}

RunLoop::Clock::time_point RunLoop::nextTimerFire() const
{
    Clock::time_point next = Clock::time_point::max();
    for (const auto& timer : timers_) {
        if (timer->isValid())
            next = std::min(next, timer->nextFire_);
    }
    return next;
}

void RunLoop::runUntil(Clock::time_point deadline)
{
    thread_.store(std::this_thread::get_id());
    for (;;) {
        // One queued call, then the due timers, so that neither starves
        // the other.
        if (std::shared_ptr<Call> call = takeNextCall())
            runCall(*call);
        Clock::time_point now = Clock::now();
        while (fireDueTimer(now)) {
        }

        std::unique_lock<std::mutex> lock(mutex_);
        if (wokenUp_ || finished_) {
            wokenUp_ = false;
            return;
        }
        if (Clock::now() >= deadline)
            return;
        if (!calls_.empty())
            continue;
        wake_.wait_until(lock, std::min(deadline, nextTimerFire()),
                         [&] { return !calls_.empty() || wokenUp_ || finished_; });
    }
}

void RunLoop::wakeUp()
{
    std::lock_guard<std::mutex> lock(mutex_);
    wokenUp_ = true;
    wake_.notify_all();
}

void RunLoop::finish()
{
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    calls_.clear();
    timers_.clear();
    wake_.notify_all();
    done_.notify_all();
}

bool RunLoop::isFinished() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return finished_;
}

size_t RunLoop::timerCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    size_t count = 0;
    for (const auto& timer : timers_)
        count += timer->isValid() ? 1 : 0;
    return count;
}
