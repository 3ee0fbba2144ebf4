#include "scenegraph/SGObject.h"

#include "lua/TNLiveRegistry.h"

namespace {

// Scene graphs of different interpreters may be used from different
// threads; the registry locks.
TNLiveRegistry& liveObjects()
{
    static TNLiveRegistry* objects = new TNLiveRegistry;  // never destroyed: objects may outlive static destruction
    return *objects;
}

}  // namespace

SGObject::SGObject() : refCount_(1), serial_(liveObjects().add(this)) {}

SGObject::~SGObject()
{
    liveObjects().remove(this);
}

void SGObject::release()
{
    if (--refCount_ == 0)
        delete this;
}

SGObject* SGObject::liveObject(const void* address, uint64_t serial)
{
    if (!liveObjects().isLive(address, serial))
        return nullptr;
    return static_cast<SGObject*>(const_cast<void*>(address));
}

int SGObject::liveCount()
{
    return liveObjects().count();
}
