#include "bridge/luaObjc.h"

#include <exception>
#include <string>

#include "lauxlib.h"
#include "bridge/runtime/TNClass.h"
#include "bridge/runtime/TNInvocation.h"
#include "log/TNLog.h"
#include "bridge/runtime/TNNumber.h"
#include "bridge/runtime/TNRuntime.h"
#include "bridge/runtime/TNString.h"

namespace {

const char* const kObjectField = "luaObjc__object";
const char* const kClassField = "luaObjc__class";
const char* const kGcMeta = "luaObjc.gc";
const char* const kObjectMeta = "luaObjc.object";
const char* const kClassMeta = "luaObjc.class";

int absoluteIndex(lua_State* L, int index)
{
    return (index < 0 && index > LUA_REGISTRYINDEX) ? lua_gettop(L) + index + 1 : index;
}

// The pointer held by the userdata in a wrapper's field, or null.
void* wrappedPointer(lua_State* L, int index, const char* field)
{
    index = absoluteIndex(L, index);
    if (!lua_istable(L, index))
        return nullptr;
    lua_getfield(L, index, field);
    void* pointer = nullptr;
    if (lua_isuserdata(L, -1) && !lua_islightuserdata(L, -1))
        pointer = *static_cast<void**>(lua_touserdata(L, -1));
    lua_pop(L, 1);
    return pointer;
}

bool hasUserdataField(lua_State* L, int index, const char* field)
{
    index = absoluteIndex(L, index);
    if (!lua_istable(L, index))
        return false;
    lua_getfield(L, index, field);
    bool is = lua_type(L, -1) == LUA_TUSERDATA;
    lua_pop(L, 1);
    return is;
}

std::string selectorFromLuaName(const char* name)
{
    std::string selector = name;
    for (char& c : selector) {
        if (c == '_')
            c = ':';
    }
    return selector;
}

// Sends the message and pushes its result. Exceptions of the method become
// a Lua error raised after the catch block, so none crosses a Lua frame.
int invokeAndPush(lua_State* L, TNObject* receiver, const TNMethod* method)
{
    std::string failure;
    try {
        TNInvocation invocation(method->signature);
        luaObjc_prepareInvocation(L, 2, invocation);
        invocation.setSelector(method->selector);
        invocation.setTarget(receiver);
        invocation.invoke();
        return luaObjc_pushInvocationReturn(L, invocation);
    } catch (const std::exception& e) {
        failure = e.what();
    }
    return luaL_error(L, "luaObjc: %s raised: %s", method->selector.c_str(), failure.c_str());
}

int luaObjc_object_method_call(lua_State* L)
{
    const char* luaName = lua_tostring(L, lua_upvalueindex(1));
    TNObject* receiver = luaObjc_getid(L, 1);
    if (!receiver) {
        TNLog("luaObject_object_method_call attempt to call method %s on nil", luaName);
        return 0;
    }
    std::string selector = selectorFromLuaName(luaName);
    const TNMethod* method = receiver->methodForSelector(selector);
    if (!method) {
        TNLog("luaObjc_object_method_call, %s does not respond to selector: %s", receiver->description().c_str(),
              selector.c_str());
        return 0;
    }
    return invokeAndPush(L, receiver, method);
}

int luaObjc_class_method_call(lua_State* L)
{
    const char* luaName = lua_tostring(L, lua_upvalueindex(1));
    TNClass* receiver = luaObjc_getClass(L, 1);
    const TNMethod* method = receiver ? receiver->methodForSelector(selectorFromLuaName(luaName)) : nullptr;
    if (!method) {
        TNLog("luaObjc: class %s has no method called %s", receiver ? receiver->name().c_str() : "(null)", luaName);
        return 0;
    }
    return invokeAndPush(L, receiver, method);
}

int luaObjc_object_method_lookup(lua_State* L)
{
    lua_pushstring(L, lua_tostring(L, 2));
    lua_pushcclosure(L, luaObjc_object_method_call, 1);
    return 1;
}

int luaObjc_class_method_lookup(lua_State* L)
{
    lua_pushstring(L, lua_tostring(L, 2));
    lua_pushcclosure(L, luaObjc_class_method_call, 1);
    return 1;
}

int luaObjc_gc_metamethod(lua_State* L)
{
    auto** box = static_cast<TNObject**>(lua_touserdata(L, 1));
    if (box && *box) {
        (*box)->release();
        *box = nullptr;
    }
    return 0;
}

int luaObjc_classlookup(lua_State* L)
{
    const char* name = lua_tostring(L, 1);
    luaObjc_pushClass(L, name ? TNRuntime::classNamed(name) : nullptr);
    return 1;
}

const luaL_Reg luaObjc_functions[] = {
    {"class", luaObjc_classlookup},
    {nullptr, nullptr},
};

void makeMetatable(lua_State* L, const char* name, const char* event, lua_CFunction f)
{
    luaL_newmetatable(L, name);
    lua_pushcfunction(L, f);
    lua_setfield(L, -2, event);
}

}  // namespace

bool objcTypeMatches(const char* typeCode, const char* constant)
{
    return typeCode && constant && typeCode[0] == constant[0];
}

int luaopen_luaObjc(lua_State* L)
{
    luaL_openlib(L, "luaObjc", luaObjc_functions, 0);
    lua_pushstring(L, "luaObjc");
    lua_setfield(L, -2, "_NAME");
    lua_pushstring(L, "0.1");
    lua_setfield(L, -2, "_VERSION");
    lua_pushstring(L, "A bridge to objective-C from lua");
    lua_setfield(L, -2, "_DESCRIPTION");
    lua_pushstring(L, "Copyright (C) the Tern Player developers");
    lua_setfield(L, -2, "_COPYRIGHT");
    makeMetatable(L, kGcMeta, "__gc", luaObjc_gc_metamethod);
    makeMetatable(L, kObjectMeta, "__index", luaObjc_object_method_lookup);
    makeMetatable(L, kClassMeta, "__index", luaObjc_class_method_lookup);
    return 1;
}

void luaObjc_pushid(lua_State* L, TNObject* object)
{
    if (!object) {
        lua_pushnil(L);
        return;
    }
    if (auto* number = dynamic_cast<TNNumber*>(object)) {
        lua_pushnumber(L, static_cast<lua_Number>(number->doubleValue()));
        return;
    }
    if (auto* string = dynamic_cast<TNString*>(object)) {
        lua_pushlstring(L, string->str().data(), string->str().size());
        return;
    }
    lua_newtable(L);
    luaL_getmetatable(L, kObjectMeta);
    lua_setmetatable(L, -2);
    auto** box = static_cast<TNObject**>(lua_newuserdata(L, sizeof(TNObject*)));
    *box = nullptr;
    luaL_getmetatable(L, kGcMeta);
    lua_setmetatable(L, -2);
    object->retain();
    *box = object;
    lua_setfield(L, -2, kObjectField);
}

void luaObjc_pushClass(lua_State* L, TNClass* cls)
{
    lua_newtable(L);
    luaL_getmetatable(L, kClassMeta);
    lua_setmetatable(L, -2);
    auto** box = static_cast<TNClass**>(lua_newuserdata(L, sizeof(TNClass*)));
    *box = cls;
    lua_setfield(L, -2, kClassField);
}

TNRef<TNObject> luaObjc_toid(lua_State* L, int index)
{
    switch (lua_type(L, index)) {
    case LUA_TSTRING:
    case LUA_TNUMBER: {
        size_t length = 0;
        lua_pushvalue(L, index);  // converting a copy keeps a number argument a number
        const char* text = lua_tolstring(L, -1, &length);
        TNRef<TNObject> string = TNString::create(std::string(text, length));
        lua_pop(L, 1);
        return string;
    }
    case LUA_TNIL:
    case LUA_TNONE:
        return nullptr;
    default:
        if (luaObjc_isid(L, index))
            return luaObjc_getid(L, index);
        if (luaObjc_isClass(L, index))
            return static_cast<TNObject*>(luaObjc_getClass(L, index));
        return nullptr;
    }
}

bool luaObjc_isid(lua_State* L, int index)
{
    return hasUserdataField(L, index, kObjectField);
}

bool luaObjc_isClass(lua_State* L, int index)
{
    return hasUserdataField(L, index, kClassField);
}

TNObject* luaObjc_getid(lua_State* L, int index)
{
    return static_cast<TNObject*>(wrappedPointer(L, index, kObjectField));
}

TNClass* luaObjc_getClass(lua_State* L, int index)
{
    index = absoluteIndex(L, index);
    lua_getfield(L, index, kClassField);  // raises the indexing error for a non-table
    TNClass* cls = nullptr;
    if (lua_type(L, -1) == LUA_TUSERDATA)
        cls = *static_cast<TNClass**>(lua_touserdata(L, -1));
    lua_pop(L, 1);
    return cls;
}

void luaObjc_prepareInvocation(lua_State* L, int firstIndex, TNInvocation& invocation)
{
    const TNMethodSignature& signature = invocation.methodSignature();
    const int declared = static_cast<int>(signature.numberOfArguments()) - 2;
    for (int k = 0; k < declared; ++k) {
        const int index = firstIndex + k;
        const size_t slot = static_cast<size_t>(k) + 2;
        const char* type = signature.argumentType(slot).c_str();
        if (objcTypeMatches(type, OBJC_TYPE_ID))
            invocation.setObject(slot, luaObjc_toid(L, index).get());
        else if (objcTypeMatches(type, OBJC_TYPE_CLASS))
            invocation.setObject(slot, luaObjc_getClass(L, index));
        else if (objcTypeMatches(type, OBJC_TYPE_INT) || objcTypeMatches(type, OBJC_TYPE_UNSIGNED_INT))
            invocation.setInt(slot, static_cast<int32_t>(lua_tointeger(L, index)));
        else if (objcTypeMatches(type, OBJC_TYPE_DOUBLE))
            invocation.setDouble(slot, static_cast<double>(lua_tonumber(L, index)));
        else if (objcTypeMatches(type, OBJC_TYPE_FLOAT))
            invocation.setFloat(slot, lua_tonumber(L, index));
        // Any other code leaves the slot at zero.
    }
}

int luaObjc_pushInvocationReturn(lua_State* L, const TNInvocation& invocation)
{
    const char* type = invocation.methodSignature().methodReturnType().c_str();
    if (objcTypeMatches(type, OBJC_TYPE_ID)) {
        luaObjc_pushid(L, invocation.returnObject());
    } else if (objcTypeMatches(type, OBJC_TYPE_CLASS)) {
        luaObjc_pushClass(L, dynamic_cast<TNClass*>(invocation.returnObject()));
    } else if (objcTypeMatches(type, OBJC_TYPE_INT)) {
        lua_pushinteger(L, static_cast<lua_Integer>(invocation.returnInt()));
    } else if (objcTypeMatches(type, OBJC_TYPE_UNSIGNED_INT)) {
        lua_pushinteger(L, static_cast<lua_Integer>(invocation.returnUnsignedInt()));
    } else if (objcTypeMatches(type, OBJC_TYPE_DOUBLE)) {
        lua_pushnumber(L, static_cast<lua_Number>(invocation.returnDouble()));
    } else if (objcTypeMatches(type, OBJC_TYPE_FLOAT)) {
        lua_pushnumber(L, invocation.returnFloat());
    } else {
        return 0;  // nothing returned, booleans, 64-bit integers
    }
    return 1;
}
