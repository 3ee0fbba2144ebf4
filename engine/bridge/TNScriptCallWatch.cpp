#include "bridge/TNScriptCallWatch.h"

#include <chrono>
#include <map>
#include <mutex>
#include <thread>

#include "log/TNLog.h"

namespace {

using Clock = std::chrono::steady_clock;

struct WatchedCall {
    std::string name;
    Clock::time_point start;
    bool reported = false;
};

// The calls in progress, one per thread, and the thread that looks at them
// twice a second (started by the first call, kept for the process's life).
struct Watch {
    std::mutex mutex;
    std::map<std::thread::id, WatchedCall> calls;

    Watch()
    {
        std::thread([this] { run(); }).detach();
    }

    void run()
    {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            std::lock_guard<std::mutex> lock(mutex);
            const Clock::time_point now = Clock::now();
            for (auto& entry : calls) {
                WatchedCall& call = entry.second;
                if (!call.reported && now - call.start >= std::chrono::seconds(TNStuckCallSeconds)) {
                    call.reported = true;
                    TNLog("Engine script: %s has not returned for %d seconds", call.name.c_str(),
                          TNStuckCallSeconds);
                }
            }
        }
    }
};

Watch& watch()
{
    // Never destroyed: its thread may still look at it while the process
    // exits.
    static Watch* const instance = new Watch();
    return *instance;
}

thread_local int depth = 0;

}  // namespace

TNScriptCallWatch::TNScriptCallWatch(const char* name, const char* method) : outermost_(depth++ == 0)
{
    if (!outermost_)
        return;
    WatchedCall call;
    call.name = method ? std::string(name) + ":" + method : name;
    call.start = Clock::now();
    Watch& w = watch();
    std::lock_guard<std::mutex> lock(w.mutex);
    w.calls[std::this_thread::get_id()] = std::move(call);
}

TNScriptCallWatch::~TNScriptCallWatch()
{
    --depth;
    if (!outermost_)
        return;
    Watch& w = watch();
    std::lock_guard<std::mutex> lock(w.mutex);
    w.calls.erase(std::this_thread::get_id());
}
