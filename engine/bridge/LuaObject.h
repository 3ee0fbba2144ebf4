// A host-side proxy of one Lua table, held by a registry reference in a
// LuaState. Field and method access take the state's lock (so a thread that
// holds it must not use a proxy). A script may take over field access with
// "valueForKey"/"setValueForKey" methods and report changes through the
// LuaObjectObserver it is handed ("addObjcObserver"/"removeObjcObserver").
// Once its state is closed or gone, a proxy does nothing and returns nothing.
#ifndef LUA_OBJECT_H
#define LUA_OBJECT_H

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "bridge/runtime/TNDictionary.h"
#include "bridge/runtime/TNWeak.h"

class LuaState;
class LuaObjectObserver;

class LuaObject : public TNObject {
public:
    // Proxy of the globals table (takes the state's lock).
    static TNRef<LuaObject> createWithLuaState(LuaState* state);
    // Proxy owning an existing registry reference.
    static TNRef<LuaObject> createWithLuaState(LuaState* state, int reference);
    ~LuaObject() override;

    TNRef<LuaState> luaState() const;
    int ref() const { return ref_.load(); }

    // The field's value; the null marker for a missing field.
    TNRef<TNObject> valueForKey(const std::string& key);
    void setValueForKey(TNObject* value, const std::string& key);
    // Null for nil.
    TNRef<TNObject> valueAtIndex(int index);
    void setValueAtIndex(TNObject* value, int index);
    // The method's first result; null for nil, no result or a missing method.
    // Arguments after the first null one are left out.
    TNRef<TNObject> invokeMethod(const std::string& name, const TNObjectList& args = {});
    // Values at 1, 2, ... up to the first nil.
    TNObjectList toArray();
    TNRef<TNDictionary> toDictionary();
    TNRef<TNObject> luaClassname() { return valueForKey("__classname"); }
    bool isInstanceOfLuaClass(const std::string& className);
    bool isEqualToLuaObject(const LuaObject* other) const;
    bool isEqual(const TNObject* other) const override;

    // Objects told luaCollectionDidChange: (retained).
    void addObserver(TNObject* observer);
    void removeObserver(TNObject* observer);
    using TNObject::addObserver;
    // Key-path observation: the first one hands the script an observer
    // object; only paths without "." are observed on the host side.
    void addObserver(TNObject* observer, const std::string& keyPath, int options, void* context) override;
    void removeObserver(TNObject* observer, const std::string& keyPath) override;

    void setSendNotifications(bool send) { sendNotifications_.store(send); }
    void valueDidChangeForKey(const std::string& key);
    void observeCollectionChange(const std::string& key);
    std::string getObjectObserverKey();
    // Gives the reference up; it is freed later on the main thread.
    void deactivate();

    // Releases a reference (calling "removeObjcObserver" with the key first
    // when the table has it); nothing when the state is closed or gone.
    static void freeReference(int reference, const std::string& objectObserverKey, const TNWeak<LuaState>& state);

    static TNClass* runtimeClass();
    TNClass* objectClass() const override { return runtimeClass(); }

private:
    LuaObject(LuaState* state, int reference);

    TNWeak<LuaState> luaState_;
    std::atomic<int> ref_;
    std::mutex membersMutex_;
    std::vector<TNRef<TNObject>> observers_;
    TNRef<LuaObjectObserver> objectObserver_;
    std::atomic<bool> sendNotifications_{false};
    std::atomic<bool> valueChangeCameFromCocoa_{false};
};

#endif
