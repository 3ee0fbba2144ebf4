#include "bridge/LuaObjectObserver.h"

#include "bridge/LuaObject.h"
#include "bridge/runtime/TNClass.h"
#include "bridge/runtime/TNInvocation.h"
#include "bridge/runtime/TNMainQueue.h"

namespace {

LuaObjectObserver& self(TNInvocation& inv) { return *static_cast<LuaObjectObserver*>(inv.target()); }
std::string keyOf(TNInvocation& inv)
{
    TNObject* key = inv.objectArgument(2);
    return key ? key->description() : std::string();
}

}  // namespace

LuaObjectObserver::LuaObjectObserver(LuaObject* luaObject) : luaObject_(luaObject) {}

void LuaObjectObserver::objectAddedForKey(const std::string& key)
{
    TNWeak<LuaObject> target = luaObject_;
    TNMainQueue::perform([target, key] {
        if (TNRef<LuaObject> object = target.lock())
            object->observeCollectionChange(key);
    });
}

void LuaObjectObserver::objectRemovedForKey(const std::string& key)
{
    objectAddedForKey(key);  // both tell the collection observers the same
}

void LuaObjectObserver::valueDidChangeForKey(const std::string& key)
{
    TNWeak<LuaObject> target = luaObject_;
    TNMainQueue::perform([target, key] {
        if (TNRef<LuaObject> object = target.lock())
            object->valueDidChangeForKey(key);
    });
}

TNClass* LuaObjectObserver::runtimeClass()
{
    static TNClass* cls = [] {
        TNClass* c = TNClass::define("LuaObjectObserver", TNObject::runtimeClass());
        c->addInstanceMethod("objectAddedForKey:", "v@:@",
                             [](TNInvocation& inv) { self(inv).objectAddedForKey(keyOf(inv)); });
        c->addInstanceMethod("objectRemovedForKey:", "v@:@",
                             [](TNInvocation& inv) { self(inv).objectRemovedForKey(keyOf(inv)); });
        c->addInstanceMethod("valueDidChangeForKey:", "v@:@",
                             [](TNInvocation& inv) { self(inv).valueDidChangeForKey(keyOf(inv)); });
        return c;
    }();
    return cls;
}

TNRef<LuaObject> LuaObjectObserver::luaObject() const
{
    return luaObject_.lock();
}
