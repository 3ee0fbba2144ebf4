// The object a script is handed to report changes of its table; each report
// is forwarded to the proxy on the main thread, without waiting. Reports do
// nothing once the proxy is gone.
#ifndef LUA_OBJECT_OBSERVER_H
#define LUA_OBJECT_OBSERVER_H

#include <string>

#include "bridge/runtime/TNWeak.h"

class LuaObject;

class LuaObjectObserver : public TNObject {
public:
    explicit LuaObjectObserver(LuaObject* luaObject);

    TNRef<LuaObject> luaObject() const;
    void objectAddedForKey(const std::string& key);
    void objectRemovedForKey(const std::string& key);
    void valueDidChangeForKey(const std::string& key);

    static TNClass* runtimeClass();
    TNClass* objectClass() const override { return runtimeClass(); }

private:
    TNWeak<LuaObject> luaObject_;
};

#endif
