#include "bridge/LuaObject.h"

#include "lauxlib.h"
#include "bridge/LuaObjectObserver.h"
#include "bridge/LuaState.h"
#include "bridge/runtime/TNClass.h"
#include "bridge/runtime/TNInvocation.h"
#include "log/TNLog.h"
#include "bridge/runtime/TNMainQueue.h"
#include "bridge/runtime/TNNotificationCenter.h"
#include "bridge/runtime/TNNull.h"
#include "bridge/runtime/TNNumber.h"
#include "bridge/runtime/TNString.h"

namespace {

const int kNoReference = -1;

// Takes the state's lock (unless this thread already holds it) and, given a
// reference, pushes its table. On exit restores the stack height found and
// releases what it took: a thread that already holds the lock may be inside
// a C function the script called, whose frame is on this stack. False when
// the state is closed or gone.
class TableAccess {
public:
    TableAccess(const TNRef<LuaState>& state, int reference) : state_(state)
    {
        if (!state_ || !state_->state()) {
            state_ = nullptr;
            return;
        }
        ownsLock_ = !state_->lockHeldByCurrentThread();
        if (ownsLock_)
            state_->lockState();
        if (!state_->state()) {  // closed while we waited
            release();
            return;
        }
        height_ = state_->getTop();
        if (reference != kNoReference)
            state_->dereference(reference);
    }
    ~TableAccess()
    {
        if (!state_)
            return;
        if (state_->state())
            state_->setTop(height_);
        release();
    }
    TableAccess(const TableAccess&) = delete;
    TableAccess& operator=(const TableAccess&) = delete;

    explicit operator bool() const { return state_ != nullptr; }
    LuaState* operator->() const { return state_.get(); }
    int height() const { return height_; }

private:
    void release()
    {
        if (ownsLock_)
            state_->unlockState();
        state_ = nullptr;
    }

    TNRef<LuaState> state_;
    bool ownsLock_ = false;
    int height_ = 0;
};

TNRef<TNObject> firstOrNull(const TNObjectList& results)
{
    return results.empty() ? nullptr : results[0];
}

TNRef<TNObject> string(const std::string& text) { return TNString::create(text); }

}  // namespace

LuaObject::LuaObject(LuaState* state, int reference) : luaState_(state), ref_(reference) {}

TNRef<LuaObject> LuaObject::createWithLuaState(LuaState* state)
{
    int reference = kNoReference;
    {
        TableAccess access(state, kNoReference);
        if (access) {
            // The globals table itself: "_G" is only defined by the base library.
            lua_pushvalue(access->state(), LUA_GLOBALSINDEX);
            reference = access->makeReference();
        }
    }
    return TNRef<LuaObject>::adopt(new LuaObject(state, reference));
}

TNRef<LuaObject> LuaObject::createWithLuaState(LuaState* state, int reference)
{
    return TNRef<LuaObject>::adopt(new LuaObject(state, reference));
}

LuaObject::~LuaObject()
{
    const int reference = ref_.exchange(kNoReference);
    if (reference == kNoReference)
        return;
    std::string key = objectObserver_ ? objectObserver_->description() : std::string();
    freeReference(reference, key, luaState_);
}

void LuaObject::freeReference(int reference, const std::string& objectObserverKey, const TNWeak<LuaState>& weakState)
{
    TableAccess access(weakState.lock(), kNoReference);
    if (!access)
        return;
    if (!objectObserverKey.empty()) {
        try {
            access->dereference(reference);
            if (access->hasMethod("removeObjcObserver")) {
                lua_State* L = access->state();
                lua_getfield(L, -1, "removeObjcObserver");
                lua_pushvalue(L, -2);
                lua_pushstring(L, objectObserverKey.c_str());
                access->doFunctionCall(2);
            }
        } catch (const std::exception& e) {
            // Runs from destructors: a script error is reported, not thrown.
            TNLog("LuaObject: removeObjcObserver failed: %s", e.what());
        }
    }
    access->freeReference(reference);
}

TNRef<TNObject> LuaObject::valueForKey(const std::string& key)
{
    TableAccess access(luaState(), ref());
    if (!access)
        return nullptr;
    if (access->hasMethod("valueForKey")) {
        access->setTop(access.height());
        access->dereference(ref());
        return firstOrNull(access->callMethodWithArgs("valueForKey", {this, string(key)}));
    }
    access->getMember(key);
    return access->getStackItem(-1);
}

void LuaObject::setValueForKey(TNObject* value, const std::string& key)
{
    TNRef<LuaState> state = luaState();
    if (!state || !state->state())
        return;
    valueChangeCameFromCocoa_.store(true);
    willChangeValueForKey(key);
    TNRef<TNObject> stored = value ? value : TNNull::null();
    bool stored_ok = false;
    try {
        TableAccess access(state, ref());
        if (access) {
            if (access->hasMethod("setValueForKey")) {
                access->setTop(access.height());
                access->dereference(ref());
                access->callMethodWithArgs("setValueForKey", {this, stored, string(key)});
            } else {
                access->setMemberValue(stored.get(), string(key).get());
            }
            stored_ok = true;
        }
    } catch (...) {
        valueChangeCameFromCocoa_.store(false);
        didChangeValueForKey(key);
        throw;
    }
    valueChangeCameFromCocoa_.store(false);
    didChangeValueForKey(key);
    if (stored_ok)
        TNNotificationCenter::defaultCenter()->postNotification("luaObjectSetValueNotification", state.get());
}

TNRef<TNObject> LuaObject::valueAtIndex(int index)
{
    TableAccess access(luaState(), ref());
    if (!access)
        return nullptr;
    access->getMemberAtIndex(index);
    TNRef<TNObject> value = access->getStackItem(-1);
    return TNNull::isNull(value.get()) ? nullptr : value;
}

void LuaObject::setValueAtIndex(TNObject* value, int index)
{
    TNRef<LuaState> state = luaState();
    {
        TableAccess access(state, ref());
        if (!access)
            return;
        access->setMemberAtIndex(value, index);
    }
    TNNotificationCenter::defaultCenter()->postNotification("luaObjectSetValueNotification", state.get());
}

TNRef<TNObject> LuaObject::invokeMethod(const std::string& name, const TNObjectList& args)
{
    TNObjectList all{TNRef<TNObject>(this)};
    for (const TNRef<TNObject>& arg : args) {
        if (!arg)
            break;
        all.push_back(arg);
    }
    TNRef<TNObject> result;
    {
        TableAccess access(luaState(), ref());
        if (!access || !access->hasMethod(name))
            return nullptr;
        access->setTop(access.height());
        access->dereference(ref());
        result = firstOrNull(access->callMethodWithArgs(name, all));
    }
    return TNNull::isNull(result.get()) ? nullptr : result;
}

TNObjectList LuaObject::toArray()
{
    TNObjectList values;
    TableAccess access(luaState(), ref());
    if (!access)
        return values;
    for (int i = 1;; ++i) {
        access->getMemberAtIndex(i);
        TNRef<TNObject> value = access->getStackItem(-1);
        access->setTop(access->getTop() - 1);
        if (!value || TNNull::isNull(value.get()))
            break;
        values.push_back(value);
    }
    return values;
}

TNRef<TNDictionary> LuaObject::toDictionary()
{
    TNRef<TNDictionary> dictionary = TNDictionary::create();
    TNRef<LuaState> state = luaState();
    if (!state || !state->state())
        return dictionary;
    TNRef<TNObject> keyTable = state->callSimpleMethod("keys", "table", {this});
    auto* keyProxy = dynamic_cast<LuaObject*>(keyTable.get());
    if (!keyProxy)
        return dictionary;
    for (const TNRef<TNObject>& key : keyProxy->toArray()) {
        TNRef<TNObject> value;
        if (auto* number = dynamic_cast<TNNumber*>(key.get()))
            value = valueAtIndex(number->intValue());
        else if (auto* text = dynamic_cast<TNString*>(key.get()))
            value = valueForKey(text->str());
        dictionary->setObject(value ? value.get() : TNNull::null(), key.get());
    }
    return dictionary;
}

bool LuaObject::isInstanceOfLuaClass(const std::string& className)
{
    TNRef<LuaState> state = luaState();
    TNRef<LuaObject> globals = state ? state->globalObject() : nullptr;
    if (!globals)
        return false;
    TNRef<TNObject> cls = globals->valueForKey(className);
    TNRef<TNObject> answer = state->callSimpleFunction("instanceOfClassType", {this, cls});
    return !TNNull::isNull(answer.get());
}

// Takes the lock (the reference pushes read the registry), unless held.
bool LuaObject::isEqualToLuaObject(const LuaObject* other) const
{
    if (!other)
        return false;
    if (other == this)
        return true;
    TNRef<LuaState> state = luaState();
    if (!state || state != other->luaState())
        return false;
    TableAccess access(state, ref());
    if (!access)
        return false;
    access->dereference(other->ref());
    return access->equal();
}

bool LuaObject::isEqual(const TNObject* other) const
{
    return isEqualToLuaObject(dynamic_cast<const LuaObject*>(other));
}

void LuaObject::addObserver(TNObject* observer)
{
    std::lock_guard<std::mutex> guard(membersMutex_);
    for (const TNRef<TNObject>& o : observers_) {
        if (o.get() == observer)
            return;
    }
    observers_.emplace_back(observer);
}

void LuaObject::removeObserver(TNObject* observer)
{
    std::lock_guard<std::mutex> guard(membersMutex_);
    for (auto it = observers_.begin(); it != observers_.end(); ++it) {
        if (it->get() == observer) {
            observers_.erase(it);
            return;
        }
    }
}

void LuaObject::addObserver(TNObject* observer, const std::string& keyPath, int options, void* context)
{
    TNRef<LuaObjectObserver> made;
    {
        std::lock_guard<std::mutex> guard(membersMutex_);
        if (!objectObserver_)
            made = objectObserver_ = TNMake<LuaObjectObserver>(this);
    }
    if (made)
        invokeMethod("addObjcObserver", {made, string(made->description())});
    if (keyPath.find('.') == std::string::npos)
        TNObject::addObserver(observer, keyPath, options, context);
}

void LuaObject::removeObserver(TNObject* observer, const std::string& keyPath)
{
    if (keyPath.find('.') == std::string::npos)
        TNObject::removeObserver(observer, keyPath);
}

void LuaObject::valueDidChangeForKey(const std::string& key)
{
    // A change this side made itself was already announced by setValueForKey.
    if (!valueChangeCameFromCocoa_.load()) {
        willChangeValueForKey(key);
        didChangeValueForKey(key);
    }
    if (sendNotifications_.load()) {
        TNRef<TNDictionary> info = TNDictionary::create();
        info->setObject(string(key).get(), "key");
        TNNotificationCenter::defaultCenter()->postNotification("LuaValueDidChange", this, info.get());
    }
}

void LuaObject::observeCollectionChange(const std::string&)
{
    std::vector<TNRef<TNObject>> observers;
    {
        std::lock_guard<std::mutex> guard(membersMutex_);
        observers = observers_;
    }
    for (const TNRef<TNObject>& observer : observers) {
        const TNMethod* method = observer->methodForSelector("luaCollectionDidChange:");
        if (!method || method->signature.numberOfArguments() < 3)
            continue;
        TNInvocation invocation(method->signature);
        invocation.setTarget(observer.get());
        invocation.setSelector(method->selector);
        invocation.setObject(2, this);
        invocation.invoke();
    }
}

std::string LuaObject::getObjectObserverKey()
{
    std::lock_guard<std::mutex> guard(membersMutex_);
    return objectObserver_ ? objectObserver_->description() : std::string();
}

void LuaObject::deactivate()
{
    const int reference = ref_.exchange(kNoReference);
    TNRef<LuaState> state = luaState();
    if (reference == kNoReference || !state)
        return;
    TNWeak<LuaState> weakState = luaState_;
    std::string key = getObjectObserverKey();
    TNMainQueue::perform([reference, key, weakState] { freeReference(reference, key, weakState); });
}

TNClass* LuaObject::runtimeClass()
{
    static TNClass* cls = TNClass::define("LuaObject", TNObject::runtimeClass());
    return cls;
}

TNRef<LuaState> LuaObject::luaState() const
{
    return luaState_.lock();
}
