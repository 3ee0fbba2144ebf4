#include "bridge/TNInvocationConversion.h"

#include <string>

#include "bridge/luaObjc.h"
#include "bridge/runtime/TNClass.h"
#include "bridge/runtime/TNInvocation.h"
#include "bridge/runtime/TNNumber.h"
#include "bridge/runtime/TNString.h"

namespace {

// The Lua value as a 32-bit integer: lua_tointeger's value cut to its low
// 32 bits, so that an unsigned argument above 2^31 arrives whole.
int32_t cutToInt32(lua_State* L, int index)
{
    return static_cast<int32_t>(lua_tointeger(L, index));
}

void setArgument(lua_State* L, int index, TNInvocation& invocation, size_t slot, const TNObjectRules& rules)
{
    const char* type = invocation.methodSignature().argumentType(slot).c_str();
    if (objcTypeMatches(type, OBJC_TYPE_ID))
        invocation.setObject(slot, rules.toObject(L, index).get());
    else if (objcTypeMatches(type, OBJC_TYPE_CLASS) && rules.toClass)
        invocation.setObject(slot, rules.toClass(L, index));
    else if (objcTypeMatches(type, OBJC_TYPE_INT) || objcTypeMatches(type, OBJC_TYPE_UNSIGNED_INT))
        invocation.setInt(slot, cutToInt32(L, index));
    else if (objcTypeMatches(type, OBJC_TYPE_DOUBLE))
        invocation.setDouble(slot, static_cast<double>(lua_tonumber(L, index)));
    else if (objcTypeMatches(type, OBJC_TYPE_FLOAT))
        invocation.setFloat(slot, lua_tonumber(L, index));
}

}  // namespace

TNRef<TNObject> tn_tostringobject(lua_State* L, int index)
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

bool tn_pushvalueobject(lua_State* L, TNObject* object)
{
    if (auto* number = dynamic_cast<TNNumber*>(object)) {
        lua_pushnumber(L, number->floatValue());
        return true;
    }
    if (auto* string = dynamic_cast<TNString*>(object)) {
        lua_pushlstring(L, string->str().data(), string->str().size());
        return true;
    }
    return false;
}

void tn_setinvocationarguments(lua_State* L, int firstIndex, TNInvocation& invocation, size_t firstSlot,
                               const TNObjectRules& rules)
{
    const size_t slots = invocation.methodSignature().numberOfArguments();
    for (size_t slot = firstSlot; slot < slots; ++slot)
        setArgument(L, firstIndex + static_cast<int>(slot - firstSlot), invocation, slot, rules);
}

int tn_pushinvocationresult(lua_State* L, const TNInvocation& invocation, const TNObjectRules& rules)
{
    const char* type = invocation.methodSignature().methodReturnType().c_str();
    if (objcTypeMatches(type, OBJC_TYPE_ID))
        rules.pushObject(L, invocation.returnObject());
    else if (objcTypeMatches(type, OBJC_TYPE_CLASS) && rules.pushClass)
        rules.pushClass(L, dynamic_cast<TNClass*>(invocation.returnObject()));
    else if (objcTypeMatches(type, OBJC_TYPE_INT))
        lua_pushinteger(L, static_cast<lua_Integer>(invocation.returnInt()));
    else if (objcTypeMatches(type, OBJC_TYPE_UNSIGNED_INT))
        lua_pushinteger(L, static_cast<lua_Integer>(invocation.returnUnsignedInt()));
    else if (objcTypeMatches(type, OBJC_TYPE_DOUBLE))
        lua_pushnumber(L, static_cast<lua_Number>(invocation.returnDouble()));
    else if (objcTypeMatches(type, OBJC_TYPE_FLOAT))
        lua_pushnumber(L, invocation.returnFloat());
    else
        return 0;  // nothing returned, booleans, 64-bit integers
    return 1;
}
