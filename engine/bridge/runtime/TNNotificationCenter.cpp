#include "bridge/runtime/TNNotificationCenter.h"

#include "bridge/runtime/TNClass.h"
#include "bridge/runtime/TNInvocation.h"

TNNotificationCenter* TNNotificationCenter::defaultCenter()
{
    static TNNotificationCenter* center = new TNNotificationCenter();  // never released
    return center;
}

uint64_t TNNotificationCenter::addObserver(const std::string& name, const TNObject* object, Block block)
{
    std::lock_guard<std::mutex> guard(mutex_);
    uint64_t token = nextToken_++;
    observers_.push_back({token, name, object, std::move(block)});
    return token;
}

void TNNotificationCenter::removeObserver(uint64_t token)
{
    std::lock_guard<std::mutex> guard(mutex_);
    for (auto it = observers_.begin(); it != observers_.end(); ++it) {
        if (it->token == token) {
            observers_.erase(it);
            return;
        }
    }
}

void TNNotificationCenter::postNotification(const std::string& name, TNObject* object, TNDictionary* userInfo)
{
    TNNotification notification(name, object, userInfo);
    std::vector<Block> matching;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        for (const Observer& o : observers_) {
            if ((o.name.empty() || o.name == name) && (!o.object || o.object == object))
                matching.push_back(o.block);
        }
    }
    for (const Block& block : matching)
        block(notification);
}

TNClass* TNNotificationCenter::runtimeClass()
{
    static TNClass* cls = [] {
        TNClass* c = TNClass::define("TNNotificationCenter", TNObject::runtimeClass());
        c->addClassMethod("defaultCenter", "@#:", [](TNInvocation& inv) {
            inv.setReturnObject(TNNotificationCenter::defaultCenter());
        });
        c->addInstanceMethod("postNotificationName:object:", "v@:@@", [](TNInvocation& inv) {
            TNObject* name = inv.objectArgument(2);
            static_cast<TNNotificationCenter*>(inv.target())
                ->postNotification(name ? name->description() : std::string(), inv.objectArgument(3));
        });
        return c;
    }();
    return cls;
}
