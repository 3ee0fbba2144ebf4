#include "bridge/TNExternalFunctionTable.h"

#include <cstdio>
#include <exception>

#include "lauxlib.h"
#include "bridge/luaObjc.h"
#include "bridge/runtime/TNClass.h"
#include "bridge/runtime/TNInvocation.h"
#include "bridge/runtime/TNNumber.h"
#include "bridge/runtime/TNString.h"

namespace {

std::mutex registryMutex;
std::map<lua_State*, TNRef<TNExternalFunctionTable>>& registry()
{
    static std::map<lua_State*, TNRef<TNExternalFunctionTable>> tables;
    return tables;
}

// A Lua string or number becomes a string object; anything else null.
TNRef<TNObject> objectArgument(lua_State* L, int index)
{
    const int type = lua_type(L, index);
    if (type != LUA_TSTRING && type != LUA_TNUMBER)
        return nullptr;
    lua_pushvalue(L, index);  // converting a copy keeps a number argument a number
    size_t length = 0;
    const char* text = lua_tolstring(L, -1, &length);
    TNRef<TNObject> string = TNString::create(std::string(text, length));
    lua_pop(L, 1);
    return string;
}

void setArguments(lua_State* L, TNInvocation& invocation)
{
    const TNMethodSignature& signature = invocation.methodSignature();
    const int n = static_cast<int>(signature.numberOfArguments());
    for (int k = 0; k < n - 3; ++k) {
        const int index = k + 2;
        const size_t slot = static_cast<size_t>(k) + 3;
        const char* type = signature.argumentType(slot).c_str();
        if (objcTypeMatches(type, OBJC_TYPE_ID))
            invocation.setObject(slot, objectArgument(L, index).get());
        else if (objcTypeMatches(type, OBJC_TYPE_INT) || objcTypeMatches(type, OBJC_TYPE_UNSIGNED_INT))
            invocation.setInt(slot, static_cast<int32_t>(lua_tointeger(L, index)));
        else if (objcTypeMatches(type, OBJC_TYPE_DOUBLE))
            invocation.setDouble(slot, static_cast<double>(lua_tonumber(L, index)));
        else if (objcTypeMatches(type, OBJC_TYPE_FLOAT))
            invocation.setFloat(slot, lua_tonumber(L, index));
    }
}

int pushReturn(lua_State* L, const TNInvocation& invocation)
{
    const char* type = invocation.methodSignature().methodReturnType().c_str();
    if (objcTypeMatches(type, OBJC_TYPE_ID)) {
        TNObject* result = invocation.returnObject();
        if (auto* number = dynamic_cast<TNNumber*>(result))
            lua_pushnumber(L, number->floatValue());
        else if (auto* string = dynamic_cast<TNString*>(result))
            lua_pushlstring(L, string->str().data(), string->str().size());
        else
            lua_pushnil(L);
    } else if (objcTypeMatches(type, OBJC_TYPE_INT)) {
        lua_pushinteger(L, static_cast<lua_Integer>(invocation.returnInt()));
    } else if (objcTypeMatches(type, OBJC_TYPE_UNSIGNED_INT)) {
        lua_pushinteger(L, static_cast<lua_Integer>(invocation.returnUnsignedInt()));
    } else if (objcTypeMatches(type, OBJC_TYPE_DOUBLE)) {
        lua_pushnumber(L, static_cast<lua_Number>(invocation.returnDouble()));
    } else if (objcTypeMatches(type, OBJC_TYPE_FLOAT)) {
        lua_pushnumber(L, invocation.returnFloat());
    } else {
        return 0;
    }
    return 1;
}

}  // namespace

int callExternalFunction(void*, lua_State* L)
{
    // Runs inside a Lua C function: an exception of the target method is
    // turned into a Lua error after the catch block.
    std::string failure;
    try {
        return TNExternalFunctionTable::externalFunctionTableForState(L)->performCall(L);
    } catch (const std::exception& e) {
        failure = e.what();
    }
    return luaL_error(L, "callExternalFunction: %s", failure.c_str());
}

TNRef<TNExternalFunctionTable> TNExternalFunctionTable::externalFunctionTableForState(lua_State* L)
{
    std::lock_guard<std::mutex> guard(registryMutex);
    TNRef<TNExternalFunctionTable>& table = registry()[L];
    if (!table)
        table = TNMake<TNExternalFunctionTable>();
    return table;
}

void TNExternalFunctionTable::destroyExternalFunctionTableForState(lua_State* L)
{
    TNRef<TNExternalFunctionTable> removed;
    std::lock_guard<std::mutex> guard(registryMutex);
    auto it = registry().find(L);
    if (it == registry().end())
        return;
    removed = it->second;
    registry().erase(it);
}

bool TNExternalFunctionTable::registerTarget(TNObject* target, void* context, const std::string& selector,
                                             const std::string& name)
{
    const TNMethod* method = target ? target->methodForSelector(selector) : nullptr;
    if (!method) {
        std::fprintf(stderr, "TNExternalFunctionTable: cannot register %s: %s does not respond to %s\n", name.c_str(),
                     target ? target->description().c_str() : "(null)", selector.c_str());
        return false;
    }
    const TNMethodSignature& signature = method->signature;
    if (signature.numberOfArguments() < 3 || signature.argumentType(2)[0] != '^') {
        std::fprintf(stderr,
                     "TNExternalFunctionTable: cannot register %s: method %s (\"%s\") takes no context pointer as "
                     "its first argument\n",
                     name.c_str(), selector.c_str(), signature.types().c_str());
        return false;
    }
    TNRef<TNExternalFunctionAction> action = TNMake<TNExternalFunctionAction>(target, selector, context);
    std::lock_guard<std::mutex> guard(mutex_);
    functions_[name] = action;
    return true;
}

void TNExternalFunctionTable::registerTarget(TNObject* target, void* context, const std::vector<NamedSelector>& actions)
{
    for (const NamedSelector& pair : actions) {
        if (!pair.name)
            break;
        registerTarget(target, context, pair.selector ? pair.selector : "", pair.name);
    }
}

TNRef<TNExternalFunctionAction> TNExternalFunctionTable::actionNamed(const std::string& name)
{
    std::lock_guard<std::mutex> guard(mutex_);
    auto it = functions_.find(name);
    return it == functions_.end() ? nullptr : it->second;
}

int TNExternalFunctionTable::performCall(lua_State* L)
{
    const char* name = lua_tostring(L, 1);
    TNRef<TNExternalFunctionAction> action = name ? actionNamed(name) : nullptr;
    if (!action)
        return 0;
    TNRef<TNObject> target = action->target();
    const TNMethod* method = target ? target->methodForSelector(action->selector()) : nullptr;
    if (!method)
        return 0;
    TNInvocation invocation(method->signature);
    invocation.setPointer(2, action->context());
    setArguments(L, invocation);
    invocation.setSelector(action->selector());
    invocation.setTarget(target.get());
    invocation.invoke();
    return pushReturn(L, invocation);
}
