#include "bridge/runtime/TNObject.h"

#include <cstdio>

#include "bridge/runtime/TNClass.h"
#include "bridge/runtime/TNInvocation.h"
#include "bridge/runtime/TNString.h"

namespace {
std::mutex weakLinkCreation;
}

TNObject* TNWeakLink::retainObject()
{
    std::lock_guard<std::mutex> guard(mutex_);
    if (!object_)
        return nullptr;
    // Revive only while the count is above zero: a count at zero means the
    // object is about to clear this link and be deleted.
    int count = object_->count_.load();
    while (count > 0) {
        if (object_->count_.compare_exchange_weak(count, count + 1))
            return object_;
    }
    return nullptr;
}

void TNWeakLink::clear()
{
    std::lock_guard<std::mutex> guard(mutex_);
    object_ = nullptr;
}

TNObject::TNObject() : count_(1) {}

TNObject::~TNObject() = default;

void TNObject::retain()
{
    count_.fetch_add(1, std::memory_order_relaxed);
}

void TNObject::release()
{
    if (count_.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    std::shared_ptr<TNWeakLink> link;
    {
        std::lock_guard<std::mutex> guard(weakLinkCreation);
        link = weakLink_;
    }
    if (link)
        link->clear();
    delete this;
}

std::shared_ptr<TNWeakLink> TNObject::weakLink()
{
    std::lock_guard<std::mutex> guard(weakLinkCreation);
    if (!weakLink_)
        weakLink_ = std::make_shared<TNWeakLink>(this);
    return weakLink_;
}

TNClass* TNObject::runtimeClass()
{
    static TNClass* cls = [] {
        TNClass* c = TNClass::define("TNObject", nullptr);
        c->addInstanceMethod("description", "@@:", [](TNInvocation& inv) {
            inv.setReturnObject(TNString::create(inv.target()->description()).get());
        });
        c->addInstanceMethod("class", "#@:", [](TNInvocation& inv) {
            inv.setReturnObject(inv.target()->objectClass());
        });
        return c;
    }();
    return cls;
}

TNClass* TNObject::objectClass() const
{
    return runtimeClass();
}

const TNMethod* TNObject::methodForSelector(const std::string& selector) const
{
    for (const TNClass* c = objectClass(); c; c = c->superclass()) {
        if (const TNMethod* m = c->instanceMethod(selector))
            return m;
    }
    return nullptr;
}

bool TNObject::respondsToSelector(const std::string& selector) const
{
    return methodForSelector(selector) != nullptr;
}

std::string TNObject::description() const
{
    char text[128];
    std::snprintf(text, sizeof text, "<%s: %p>", objectClass()->name().c_str(), static_cast<const void*>(this));
    return text;
}

void TNObject::addObserver(TNObject* observer, const std::string& keyPath, int options, void* context)
{
    std::call_once(observationOnce_, [this] { observations_ = std::make_unique<ObservationList>(); });
    std::lock_guard<std::mutex> guard(observations_->mutex);
    observations_->entries.push_back({observer, keyPath, options, context});
}

void TNObject::removeObserver(TNObject* observer, const std::string& keyPath)
{
    std::call_once(observationOnce_, [this] { observations_ = std::make_unique<ObservationList>(); });
    std::lock_guard<std::mutex> guard(observations_->mutex);
    auto& entries = observations_->entries;
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (it->observer == observer && it->keyPath == keyPath) {
            entries.erase(it);
            return;
        }
    }
}

void TNObject::willChangeValueForKey(const std::string& key)
{
    notifyObservers(key, true);
}

void TNObject::didChangeValueForKey(const std::string& key)
{
    notifyObservers(key, false);
}

void TNObject::observeValueForKeyPath(const std::string&, TNObject*, bool, void*) {}

// Observers are collected under the lock and told outside it, so an
// observer may add or remove observations while it is told.
void TNObject::notifyObservers(const std::string& key, bool isPrior)
{
    std::call_once(observationOnce_, [this] { observations_ = std::make_unique<ObservationList>(); });
    std::vector<Observation> matching;
    {
        std::lock_guard<std::mutex> guard(observations_->mutex);
        for (const Observation& o : observations_->entries) {
            if (o.keyPath == key && (!isPrior || (o.options & TNKeyValueObservingOptionPrior)))
                matching.push_back(o);
        }
    }
    for (const Observation& o : matching)
        o.observer->observeValueForKeyPath(key, this, isPrior, o.context);
}
