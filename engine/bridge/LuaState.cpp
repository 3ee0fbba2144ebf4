#include "bridge/LuaState.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>

#include "lauxlib.h"
#include "lualib.h"
#include "bridge/LuaErrorException.h"
#include "bridge/LuaObject.h"
#include "bridge/TNGlobalCall.h"
#include "bridge/luaObjc.h"
#include "files/TNPathResolver.h"
#include "log/TNLog.h"
#include "bridge/runtime/TNNotificationCenter.h"
#include "bridge/runtime/TNNull.h"
#include "bridge/runtime/TNNumber.h"
#include "bridge/runtime/TNString.h"

namespace {

const char* orNull(const char* text) { return text ? text : "(null)"; }

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, fmt);
    int n = std::vsnprintf(buffer, sizeof buffer, fmt, args);
    va_end(args);
    if (n < static_cast<int>(sizeof buffer))
        return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
    std::string out(static_cast<size_t>(n) + 1, '\0');
    va_start(args, fmt);
    std::vsnprintf(&out[0], out.size(), fmt, args);
    va_end(args);
    out.resize(static_cast<size_t>(n));
    return out;
}

// Restores the stack height (when the state is still open) and releases the
// lock when it was taken, on every way out of a call.
class CallScope {
public:
    CallScope(LuaState& state, int restoreTop, bool ownsLock)
        : state_(state), restoreTop_(restoreTop), ownsLock_(ownsLock) {}
    ~CallScope()
    {
        if (lua_State* L = state_.state())
            lua_settop(L, restoreTop_);
        if (ownsLock_)
            state_.unlockState();
    }
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

private:
    LuaState& state_;
    int restoreTop_;
    bool ownsLock_;
};

// Appends the locals of a Lua function's activation record to the trace.
void appendLocals(lua_State* L, lua_Debug* ar, std::string& trace)
{
    trace += "{\n";
    for (int i = 1;; ++i) {
        const char* name = lua_getlocal(L, ar, i);
        if (!name)
            break;
        if (lua_isnil(L, -1))
            trace += format("\t%s = nil\n", name);
        else if (lua_istable(L, -1))
            trace += format("\t%s = <table>\n", name);
        else
            trace += format("\t%s = %s\n", name, orNull(lua_tostring(L, -1)));
        lua_pop(L, 1);
    }
    trace += "}\n";
}

std::string stackTrace(lua_State* L)
{
    std::string trace = "Stack Trace:\n";
    lua_Debug ar;
    for (int level = 0; lua_getstack(L, level, &ar); ++level) {
        if (!lua_getinfo(L, "lnuS", &ar))
            continue;
        switch (ar.what ? ar.what[0] : '\0') {
        case 'C': trace += format("%d: C function %s\n", level, orNull(ar.name)); break;
        case 'm': trace += format("%d: main part of a chunk\n", level); break;
        case 't': trace += format("%d: tail call\n", level); break;
        case 'L':
            trace += format("%d: [%s:%s]:%d\n", level, ar.short_src, orNull(ar.name), ar.currentline);
            appendLocals(L, &ar, trace);
            break;
        default: trace += "(unknown)\n"; break;
        }
    }
    return trace;
}

// Raises the failure of a protected call run with message handler errfunc
// (0 for none) as a LuaErrorException; does nothing for status 0.
void raiseFailure(lua_State* L, int status, int errfunc)
{
    if (status == 0)
        return;
    // With a handler a run-time error comes back as the handler's exception;
    // errors that bypass it (memory, an error inside the handler) as a message.
    if (errfunc != 0 && status == LUA_ERRRUN && lua_islightuserdata(L, -1)) {
        std::unique_ptr<LuaErrorException> made(static_cast<LuaErrorException*>(lua_touserdata(L, -1)));
        lua_pop(L, 1);
        throw LuaErrorException(*made);
    }
    std::string message = orNull(lua_tostring(L, -1));
    lua_pop(L, 1);
    if (errfunc != 0)
        TNLog("Lua Error: %s", message.c_str());
    throw LuaErrorException(message);
}

}  // namespace

int luaErrorHandler(lua_State* L)
{
    LuaErrorException* exception = nullptr;
    try {
        std::string message = orNull(lua_tostring(L, -1));
        TNLog("Lua Error: %s", message.c_str());
        std::string trace = stackTrace(L);
        TNLog("Stack Trace: %s", trace.c_str());
        exception = new LuaErrorException(message, trace);
    } catch (const std::exception&) {
        return 1;  // out of memory: the message stays the error value
    }
    lua_pushlightuserdata(L, exception);
    return 1;
}

int luaPanicHandler(lua_State* L)
{
    std::string message = orNull(lua_tostring(L, -1));
    TNLog("Lua Panic: %s", message.c_str());
    throw LuaErrorException(message);
}

int tn_pcall(lua_State* L, int nargs, int nresults, int errfunc)
{
    raiseFailure(L, lua_pcall(L, nargs, nresults, errfunc), errfunc);
    return 0;
}

TNRef<LuaState> LuaState::createWithNewState()
{
    return createWithState(luaL_newstate());
}

TNRef<LuaState> LuaState::createWithState(lua_State* L)
{
    TNRef<LuaState> state = TNRef<LuaState>::adopt(new LuaState());
    if (!state->initWithState(L))
        return nullptr;
    return state;
}

bool LuaState::initWithState(lua_State* L)
{
    if (!L)
        return false;
    L_.store(L);
    lua_pushcfunction(L, luaopen_luaObjc);
    lua_pushstring(L, "luaObjc");
    lua_call(L, 1, 0);
    // Installed before the first unprotected use, so that one cannot end the process.
    lua_atpanic(L, luaPanicHandler);
    globalObject()->setValueForKey(TNNumber::withInt(1).get(), "_debuglevel");
    return true;
}

LuaState::~LuaState()
{
    LuaState::close();
}

TNRef<LuaObject> LuaState::globalObject()
{
    std::lock_guard<std::mutex> guard(globalObjectMutex_);
    if (!globalObject_ && state())
        globalObject_ = LuaObject::createWithLuaState(this);
    return globalObject_;
}

void LuaState::releaseGlobalObject()
{
    TNRef<LuaObject> old;
    {
        std::lock_guard<std::mutex> guard(globalObjectMutex_);
        old.swap(globalObject_);
    }
}  // old is released here, outside both locks

void LuaState::close()
{
    releaseGlobalObject();
    lockState();
    // Forgotten first: finalisers run by lua_close must not reach this state.
    lua_State* L = L_.exchange(nullptr);
    if (L)
        lua_close(L);
    unlockState();
}

void LuaState::lockState()
{
    lock_.lock();
    lockOwner_.store(std::this_thread::get_id());
}

bool LuaState::tryLockState()
{
    if (!lock_.try_lock())
        return false;
    lockOwner_.store(std::this_thread::get_id());
    return true;
}

void LuaState::unlockState()
{
    lockOwner_.store(std::thread::id());
    lock_.unlock();
}

int LuaState::totalMemoryAllocated() const
{
    lua_State* L = state();
    return L ? lua_gc(L, LUA_GCCOUNT, 0) : 0;
}

void LuaState::collectGarbage()
{
    lockState();
    if (lua_State* L = state())
        lua_gc(L, LUA_GCCOLLECT, 0);
    unlockState();
}

TNObjectList LuaState::callByName(const TNObjectList& args, const std::function<int(lua_State*, int)>& call)
{
    lockState();
    CallScope scope(*this, 0, true);
    lua_State* L = state();
    if (!L)
        return {};
    lua_pushcfunction(L, luaErrorHandler);
    lua_insert(L, 1);
    pushArguments(args);
    raiseFailure(L, call(L, static_cast<int>(args.size())), 1);
    return popStack(1);
}

TNObjectList LuaState::callFunction(const std::string& name, const TNObjectList& args)
{
    return callByName(args, [&name](lua_State* L, int nargs) { return tn_pcallglobal(L, name.c_str(), nargs, 1, 1); });
}

TNObjectList LuaState::callMethod(const std::string& method, const std::string& objectName, const TNObjectList& args)
{
    return callByName(args, [&](lua_State* L, int nargs) {
        return tn_pcallmethod(L, objectName.c_str(), method.c_str(), nargs, 1, 1);
    });
}

TNRef<TNObject> LuaState::callSimpleFunction(const std::string& name, const TNObjectList& args)
{
    TNObjectList results = callFunction(name, args);
    return results.empty() ? nullptr : results[0];
}

TNRef<TNObject> LuaState::callSimpleMethod(const std::string& method, const std::string& objectName,
                                           const TNObjectList& args)
{
    TNObjectList results = callMethod(method, objectName, args);
    return results.empty() ? nullptr : results[0];
}

TNObjectList LuaState::callMethodWithArgs(const std::string& method, const TNObjectList& args)
{
    lua_State* L = requireState("callMethodWithArgs");
    const int table = lua_gettop(L);
    CallScope scope(*this, table - 1, false);
    lua_pushcfunction(L, luaErrorHandler);
    lua_insert(L, table);  // handler below the table
    lua_getfield(L, table + 1, method.c_str());
    pushArguments(args);
    tn_pcall(L, static_cast<int>(args.size()), 1, table);
    return popStack(1);
}

void LuaState::doFunctionCall(int nargs)
{
    lua_State* L = requireState("doFunctionCall");
    const int handler = lua_gettop(L) - nargs;
    lua_pushcfunction(L, luaErrorHandler);
    lua_insert(L, handler);
    try {
        tn_pcall(L, nargs, 1, handler);
    } catch (...) {
        lua_remove(L, handler);
        throw;
    }
    lua_remove(L, handler);
}

TNRef<TNString> LuaState::doFile(const std::string& path)
{
    lockState();
    CallScope scope(*this, 0, true);
    lua_State* L = state();
    if (!L)
        return nullptr;
    lua_pushcfunction(L, luaErrorHandler);
    lua_insert(L, 1);
    luaL_loadfile(L, TNPathResolver::shared().resolve(path).c_str());  // a load error stands in for the chunk and fails the call
    tn_pcall(L, 0, 1, 1);
    switch (lua_type(L, -1)) {
    case LUA_TSTRING: return TNString::create(lua_tostring(L, -1));
    case LUA_TNIL: return nullptr;
    default: return TNString::create("Result not a string!");
    }
}

void LuaState::doString(const std::string& text)
{
    lockState();
    CallScope scope(*this, 0, true);
    lua_State* L = state();
    if (!L)
        return;
    lua_pushcfunction(L, luaErrorHandler);
    lua_insert(L, 1);
    luaL_loadbuffer(L, text.data(), text.size(), text.c_str());
    tn_pcall(L, 0, 0, 1);
}

std::string LuaState::evaluateExpression(const std::string& expression)
{
    if (!state())
        return std::string();
    doString("__result = tostring(" + expression + ")");
    lockState();
    CallScope scope(*this, 0, true);
    lua_State* L = state();
    if (!L)
        return std::string();
    lua_getfield(L, LUA_GLOBALSINDEX, "__result");
    size_t length = 0;
    const char* text = lua_tolstring(L, -1, &length);
    return (text && length != 0) ? std::string(text) : std::string();
}

bool LuaState::syntaxCheck(const std::string& text)
{
    lockState();
    CallScope scope(*this, 0, true);
    lua_State* L = state();
    if (!L)
        return false;
    return luaL_loadbuffer(L, text.data(), text.size(), text.c_str()) == 0;
}

TNRef<TNObject> LuaState::instanceOfClass(const std::string& name)
{
    bool isTable = false;
    {
        lockState();
        CallScope scope(*this, 0, true);
        if (lua_State* L = state()) {
            lua_getfield(L, LUA_GLOBALSINDEX, name.c_str());
            isTable = lua_istable(L, -1);
        }
    }
    TNRef<TNObject> result;
    if (!isTable) {
        TNLog("No lua class %s found", name.c_str());
    } else if (TNRef<LuaObject> globals = globalObject()) {
        TNRef<TNObject> cls = globals->valueForKey(name);
        if (auto* proxy = dynamic_cast<LuaObject*>(cls.get()))
            result = proxy->invokeMethod("new");
    }
    TNNotificationCenter::defaultCenter()->postNotification("luaObjectCreatedNotification", this);
    return result;
}

TNRef<TNObject> LuaState::instanceOfPrototype(LuaObject* prototype)
{
    TNRef<TNObject> result = prototype ? prototype->invokeMethod("new") : nullptr;
    TNNotificationCenter::defaultCenter()->postNotification("luaObjectCreatedNotification", this);
    return result;
}

lua_State* LuaState::requireState(const char* operation)
{
    lua_State* L = state();
    if (!L)
        throw std::logic_error(std::string("Lua State is nil (") + operation + ")");
    return L;
}

int LuaState::getTop()
{
    return lua_gettop(requireState("getTop"));
}

void LuaState::setTop(int top)
{
    lua_settop(requireState("setTop"), top);
}

int LuaState::luaType()
{
    return lua_type(requireState("luaType"), -1);
}

void LuaState::getGlobal(const std::string& name)
{
    lua_getfield(requireState("getGlobal"), LUA_GLOBALSINDEX, name.c_str());
}

void LuaState::getMember(const std::string& name)
{
    lua_State* L = requireState("getMember");
    if (name.empty())
        throw std::logic_error("name is an empty string");
    lua_getfield(L, -1, name.c_str());
}

void LuaState::getMemberAtIndex(int index)
{
    lua_State* L = requireState("getMemberAtIndex");
    lua_pushnumber(L, static_cast<lua_Number>(index));
    lua_gettable(L, -2);
}

void LuaState::setMemberValue(TNObject* value, TNObject* key)
{
    lua_State* L = requireState("setMemberValue");
    pushArgument(key);
    pushArgument(value);
    lua_settable(L, -3);
}

void LuaState::setMemberAtIndex(TNObject* value, int index)
{
    lua_State* L = requireState("setMemberAtIndex");
    lua_pushnumber(L, static_cast<lua_Number>(index));
    pushArgument(value);
    lua_settable(L, -3);
}

bool LuaState::equal()
{
    lua_State* L = requireState("equal");
    return lua_equal(L, -1, -2) != 0;
}

bool LuaState::hasMethod(const std::string& name)
{
    lua_State* L = state();
    if (!L)
        return false;
    if (!lua_istable(L, -1)) {
        TNLog("Warning: hasMethod called, but stack top object is not a table");
        return false;
    }
    lua_getfield(L, -1, name.c_str());
    const bool isFunction = lua_isfunction(L, -1);
    lua_pop(L, 1);
    return isFunction;
}

void LuaState::pushArgument(TNObject* value)
{
    lua_State* L = requireState("pushArgument");
    if (!value || TNNull::isNull(value)) {
        lua_pushnil(L);
    } else if (auto* proxy = dynamic_cast<LuaObject*>(value)) {
        // A proxy of another (or a closed) state has no table here.
        if (proxy->luaState().get() == this && proxy->ref() != LUA_NOREF)
            dereference(proxy->ref());
        else
            lua_pushnil(L);
    } else {
        luaObjc_pushid(L, value);
    }
}

void LuaState::pushArguments(const TNObjectList& values)
{
    for (const TNRef<TNObject>& value : values)
        pushArgument(value.get());
}

TNRef<TNObject> LuaState::getStackItem(int index)
{
    lua_State* L = requireState("getStackItem");
    if (index < 0 && index > LUA_REGISTRYINDEX)
        index = lua_gettop(L) + index + 1;
    switch (lua_type(L, index)) {
    case LUA_TNUMBER: return TNNumber::withDouble(lua_tonumber(L, index));
    case LUA_TBOOLEAN: return TNNumber::withBool(lua_toboolean(L, index) != 0);
    case LUA_TSTRING: {
        size_t length = 0;
        const char* text = lua_tolstring(L, index, &length);
        return TNString::create(std::string(text, length));
    }
    case LUA_TNIL: return TNNull::null();
    case LUA_TTABLE:
        if (luaObjc_isid(L, index))
            return luaObjc_getid(L, index);
        // The reference is made under the caller's lock, which stays held:
        // releasing it here would let another thread reset the stack mid-call.
        lua_pushvalue(L, index);
        return LuaObject::createWithLuaState(this, makeReference());
    default: return nullptr;
    }
}

TNObjectList LuaState::popStack(int count)
{
    lua_State* L = requireState("popStack");
    const int top = lua_gettop(L);
    if (count > top)
        count = top;
    TNObjectList values;
    for (int i = top - count + 1; i <= top; ++i) {
        if (TNRef<TNObject> value = getStackItem(i))
            values.push_back(value);
    }
    lua_pop(L, count);
    return values;
}

int LuaState::makeReference()
{
    return luaL_ref(requireState("makeReference"), LUA_REGISTRYINDEX);
}

void LuaState::dereference(int reference)
{
    if (lua_State* L = state())
        lua_rawgeti(L, LUA_REGISTRYINDEX, reference);
}

void LuaState::freeReference(int reference)
{
    if (lua_State* L = state())
        luaL_unref(L, LUA_REGISTRYINDEX, reference);
}

void LuaState::logStack()
{
    lua_State* L = state();
    if (!L)
        return;
    TNLog("Lua Stack:");
    const int top = lua_gettop(L);
    for (int i = 1; i <= top; ++i) {
        switch (lua_type(L, i)) {
        case LUA_TNIL: TNLog("%d\tnil", i); break;
        case LUA_TBOOLEAN: TNLog("%d\tboolean\t%d", i, lua_toboolean(L, i)); break;
        case LUA_TNUMBER: TNLog("%d\tnumber\t%f", i, static_cast<double>(lua_tonumber(L, i))); break;
        case LUA_TSTRING: TNLog("%d\tstring\t%s", i, lua_tostring(L, i)); break;
        case LUA_TTABLE: TNLog("%d\ttable", i); break;
        case LUA_TFUNCTION: TNLog("%d\tfunction", i); break;
        case LUA_TUSERDATA: TNLog("%d\tuserdata", i); break;
        default: break;  // light userdata and threads give no line
        }
    }
}
