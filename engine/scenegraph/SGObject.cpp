#include "scenegraph/SGObject.h"

#include <mutex>
#include <unordered_map>

namespace {

// The live objects by address. Scene graphs of different interpreters may be
// used from different threads, hence the lock.
struct LiveObjects {
    std::mutex lock;
    std::unordered_map<const void*, uint64_t> serials;
    uint64_t nextSerial = 1;
};

LiveObjects& liveObjects()
{
    static LiveObjects* objects = new LiveObjects;  // never destroyed: objects may outlive static destruction
    return *objects;
}

}  // namespace

SGObject::SGObject() : refCount_(1)
{
    LiveObjects& live = liveObjects();
    std::lock_guard<std::mutex> guard(live.lock);
    serial_ = live.nextSerial++;
    live.serials[this] = serial_;
}

SGObject::~SGObject()
{
    LiveObjects& live = liveObjects();
    std::lock_guard<std::mutex> guard(live.lock);
    live.serials.erase(this);
}

void SGObject::release()
{
    if (--refCount_ == 0)
        delete this;
}

SGObject* SGObject::liveObject(const void* address, uint64_t serial)
{
    LiveObjects& live = liveObjects();
    std::lock_guard<std::mutex> guard(live.lock);
    auto found = live.serials.find(address);
    if (found == live.serials.end() || found->second != serial)
        return nullptr;
    return static_cast<SGObject*>(const_cast<void*>(address));
}

int SGObject::liveCount()
{
    LiveObjects& live = liveObjects();
    std::lock_guard<std::mutex> guard(live.lock);
    return static_cast<int>(live.serials.size());
}
