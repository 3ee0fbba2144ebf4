#include "bridge/runtime/TNDictionary.h"

#include <stdexcept>

#include "bridge/runtime/TNArray.h"
#include "bridge/runtime/TNClass.h"
#include "bridge/runtime/TNInvocation.h"
#include "bridge/runtime/TNString.h"

namespace {
TNDictionary& self(TNInvocation& inv) { return *static_cast<TNDictionary*>(inv.target()); }
}

TNObject* TNDictionary::objectForKey(const TNObject* key) const
{
    auto it = entries_.find(TNRef<TNObject>(const_cast<TNObject*>(key)));
    return it == entries_.end() ? nullptr : it->second.get();
}

TNObject* TNDictionary::objectForKey(const std::string& key) const
{
    return objectForKey(TNString::create(key).get());
}

void TNDictionary::setObject(TNObject* value, TNObject* key)
{
    if (!key)
        throw std::invalid_argument("TNDictionary: null key");
    entries_[TNRef<TNObject>(key)] = value;
}

void TNDictionary::setObject(TNObject* value, const std::string& key)
{
    setObject(value, TNString::create(key).get());
}

void TNDictionary::removeObjectForKey(const TNObject* key)
{
    entries_.erase(TNRef<TNObject>(const_cast<TNObject*>(key)));
}

TNObjectList TNDictionary::allKeys() const
{
    TNObjectList keys;
    for (const auto& entry : entries_)
        keys.push_back(entry.first);
    return keys;
}

std::string TNDictionary::description() const
{
    std::string text = "{";
    for (const auto& entry : entries_)
        text += entry.first->description() + " = " + (entry.second ? entry.second->description() : "(null)") + "; ";
    return text + "}";
}

TNClass* TNDictionary::runtimeClass()
{
    static TNClass* cls = [] {
        TNClass* c = TNClass::define("TNDictionary", TNObject::runtimeClass());
        c->addClassMethod("dictionary", "@#:", [](TNInvocation& inv) {
            inv.setReturnObject(TNDictionary::create().get());
        });
        c->addInstanceMethod("count", "I@:", [](TNInvocation& inv) {
            inv.setReturnUnsignedInt(static_cast<uint32_t>(self(inv).count()));
        });
        c->addInstanceMethod("objectForKey:", "@@:@", [](TNInvocation& inv) {
            inv.setReturnObject(self(inv).objectForKey(inv.objectArgument(2)));
        });
        c->addInstanceMethod("setObject:forKey:", "v@:@@", [](TNInvocation& inv) {
            self(inv).setObject(inv.objectArgument(2), inv.objectArgument(3));
        });
        c->addInstanceMethod("removeObjectForKey:", "v@:@", [](TNInvocation& inv) {
            self(inv).removeObjectForKey(inv.objectArgument(2));
        });
        c->addInstanceMethod("allKeys", "@@:", [](TNInvocation& inv) {
            inv.setReturnObject(TNArray::create(self(inv).allKeys()).get());
        });
        return c;
    }();
    return cls;
}
