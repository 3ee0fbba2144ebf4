#include "TNManagerRegistry.h"

#include <mutex>
#include <unordered_map>

namespace {

// Managers of different interpreters may live on different threads, hence the lock.
struct LiveManagers {
    std::mutex lock;
    std::unordered_map<const void*, uint64_t> serials;
    uint64_t nextSerial = 1;
};

LiveManagers& liveManagers()
{
    static LiveManagers* managers = new LiveManagers;  // never destroyed: managers may outlive static destruction
    return *managers;
}

}  // namespace

void TNManagerRegistry::add(const void* manager)
{
    LiveManagers& live = liveManagers();
    std::lock_guard<std::mutex> guard(live.lock);
    live.serials[manager] = live.nextSerial++;
}

void TNManagerRegistry::remove(const void* manager)
{
    LiveManagers& live = liveManagers();
    std::lock_guard<std::mutex> guard(live.lock);
    live.serials.erase(manager);
}

uint64_t TNManagerRegistry::serialOf(const void* manager)
{
    LiveManagers& live = liveManagers();
    std::lock_guard<std::mutex> guard(live.lock);
    auto found = live.serials.find(manager);
    return found != live.serials.end() ? found->second : 0;
}

bool TNManagerRegistry::isLive(const void* manager, uint64_t serial)
{
    LiveManagers& live = liveManagers();
    std::lock_guard<std::mutex> guard(live.lock);
    auto found = live.serials.find(manager);
    return found != live.serials.end() && found->second == serial;
}

int TNManagerRegistry::liveCount()
{
    LiveManagers& live = liveManagers();
    std::lock_guard<std::mutex> guard(live.lock);
    return static_cast<int>(live.serials.size());
}
