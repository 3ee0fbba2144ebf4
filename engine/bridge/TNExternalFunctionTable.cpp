#include "bridge/TNExternalFunctionTable.h"

#include "bridge/TNInvocationConversion.h"
#include "bridge/runtime/TNClass.h"
#include "bridge/runtime/TNInvocation.h"
#include "log/TNLog.h"
#include "lua/TNLuaArgs.h"

namespace {

std::mutex registryMutex;
std::map<lua_State*, TNRef<TNExternalFunctionTable>>& registry()
{
    static std::map<lua_State*, TNRef<TNExternalFunctionTable>> tables;
    return tables;
}

// An embedding application's methods take and give plain values only:
// strings (a Lua number as its text) and numbers. Any other object passes
// or returns as nil, and classes are not converted.
void pushValueOrNil(lua_State* L, TNObject* object)
{
    if (!tn_pushvalueobject(L, object))
        lua_pushnil(L);
}

const TNObjectRules kExternalRules = {tn_tostringobject, pushValueOrNil, nullptr, nullptr};

}  // namespace

int callExternalFunction(void*, lua_State* L)
{
    return TNExternalFunctionTable::externalFunctionTableForState(L)->performCall(L);
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
        TNLog("TNExternalFunctionTable: cannot register %s: %s does not respond to %s", name.c_str(),
              target ? target->description().c_str() : "(null)", selector.c_str());
        return false;
    }
    const TNMethodSignature& signature = method->signature;
    if (signature.numberOfArguments() < 3 || signature.argumentType(2)[0] != '^') {
        TNLog("TNExternalFunctionTable: cannot register %s: method %s (\"%s\") takes no context pointer as its "
              "first argument",
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
    const char* name = tn_tostring(L, 1);
    TNRef<TNExternalFunctionAction> action = name ? actionNamed(name) : nullptr;
    if (!action)
        return 0;
    TNRef<TNObject> target = action->target();
    const TNMethod* method = target ? target->methodForSelector(action->selector()) : nullptr;
    if (!method)
        return 0;
    TNInvocation invocation(method->signature);
    invocation.setPointer(2, action->context());
    // The first declared argument is the context; the script's follow the
    // function's name.
    tn_setinvocationarguments(L, 2, invocation, 3, kExternalRules);
    invocation.setSelector(action->selector());
    invocation.setTarget(target.get());
    invocation.invoke();
    return tn_pushinvocationresult(L, invocation, kExternalRules);
}
