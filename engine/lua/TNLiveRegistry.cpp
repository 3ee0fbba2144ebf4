#include "lua/TNLiveRegistry.h"

uint64_t TNLiveRegistry::add(const void* object)
{
    std::lock_guard<std::mutex> guard(lock_);
    const uint64_t serial = nextSerial_++;
    serials_[object] = serial;
    return serial;
}

void TNLiveRegistry::remove(const void* object)
{
    std::lock_guard<std::mutex> guard(lock_);
    serials_.erase(object);
}

uint64_t TNLiveRegistry::serialOf(const void* object) const
{
    std::lock_guard<std::mutex> guard(lock_);
    auto found = serials_.find(object);
    return found != serials_.end() ? found->second : 0;
}

bool TNLiveRegistry::isLive(const void* object, uint64_t serial) const
{
    std::lock_guard<std::mutex> guard(lock_);
    auto found = serials_.find(object);
    return found != serials_.end() && found->second == serial;
}

int TNLiveRegistry::count() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return static_cast<int>(serials_.size());
}
