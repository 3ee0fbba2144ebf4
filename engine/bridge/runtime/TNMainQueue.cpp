#include "bridge/runtime/TNMainQueue.h"

#include <deque>
#include <mutex>

namespace {

std::mutex queueMutex;
std::deque<std::function<void()>>& queue()
{
    static std::deque<std::function<void()>> pending;
    return pending;
}

std::mutex wakeUpMutex;
std::function<void()>& wakeUpCall()
{
    static std::function<void()> call;
    return call;
}

}  // namespace

void TNMainQueue::perform(std::function<void()> work)
{
    {
        std::lock_guard<std::mutex> guard(queueMutex);
        queue().push_back(std::move(work));
    }
    std::lock_guard<std::mutex> guard(wakeUpMutex);
    if (wakeUpCall())
        wakeUpCall()();
}

void TNMainQueue::setWakeUp(std::function<void()> wakeUp)
{
    std::lock_guard<std::mutex> guard(wakeUpMutex);
    wakeUpCall() = std::move(wakeUp);
}

int TNMainQueue::runPending()
{
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard<std::mutex> guard(queueMutex);
        batch.swap(queue());
    }
    for (auto& work : batch)
        work();
    return static_cast<int>(batch.size());
}
