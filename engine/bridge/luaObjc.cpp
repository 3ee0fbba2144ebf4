#include "bridge/luaObjc.h"

#include <string>

#include "bridge/TNInvocationConversion.h"
#include "bridge/runtime/TNClass.h"
#include "bridge/runtime/TNInvocation.h"
#include "bridge/runtime/TNRuntime.h"
#include "lauxlib.h"
#include "log/TNLog.h"
#include "lua/TNLuaArgs.h"
#include "lua/TNLuaGuard.h"
#include "lua/TNLuaType.h"

namespace {

const char* const kObjectField = "luaObjc__object";
const char* const kClassField = "luaObjc__class";
// The userdata box in a wrapper's object field: it holds one retain of the
// object and releases it when collected.
const TNLuaType kObjectBox = {"wrapped object", "luaObjc.gc"};
const char* const kObjectMeta = "luaObjc.object";
const char* const kClassMeta = "luaObjc.class";

int absoluteIndex(lua_State* L, int index)
{
    return (index < 0 && index > LUA_REGISTRYINDEX) ? lua_gettop(L) + index + 1 : index;
}

// The object held by the box in a wrapper's object field, or null (also
// when a script put some other userdata there).
TNObject* wrappedObject(lua_State* L, int index)
{
    index = absoluteIndex(L, index);
    if (!lua_istable(L, index))
        return nullptr;
    lua_getfield(L, index, kObjectField);
    TNObject** box = tn_toblock<TNObject*>(L, -1, kObjectBox);
    TNObject* object = box ? *box : nullptr;
    lua_pop(L, 1);
    return object;
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

// Objects travel as luaObjc_toid and luaObjc_pushid convert them; classes
// as class wrappers.
const TNObjectRules kLuaObjcRules = {luaObjc_toid, luaObjc_pushid, luaObjc_getClass, luaObjc_pushClass};

// Sends the message with the arguments from index 2 on and pushes its
// result. The method may throw: the method calls are guarded.
int invokeAndPush(lua_State* L, TNObject* receiver, const TNMethod* method)
{
    TNInvocation invocation(method->signature);
    luaObjc_prepareInvocation(L, 2, invocation);
    invocation.setSelector(method->selector);
    invocation.setTarget(receiver);
    invocation.invoke();
    return luaObjc_pushInvocationReturn(L, invocation);
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

// A missing field of a wrapper is a method named by the key. A key that is
// neither a string nor a number names no method: the field is nil, as in
// any table.
int pushMethodClosure(lua_State* L, lua_CFunction call)
{
    if (!lua_isstring(L, 2)) {
        lua_pushnil(L);
        return 1;
    }
    lua_pushstring(L, lua_tostring(L, 2));
    lua_pushcclosure(L, call, 1);
    return 1;
}

int luaObjc_object_method_lookup(lua_State* L)
{
    return pushMethodClosure(L, tn_guarded<luaObjc_object_method_call>);
}

int luaObjc_class_method_lookup(lua_State* L)
{
    return pushMethodClosure(L, tn_guarded<luaObjc_class_method_call>);
}

// Reachable by scripts through the box's metatable: anything but one of
// our boxes is left alone.
int luaObjc_gc_metamethod(lua_State* L)
{
    auto** box = tn_toblock<TNObject*>(L, 1, kObjectBox);
    if (box && *box) {
        (*box)->release();
        *box = nullptr;
    }
    return 0;
}

int luaObjc_classlookup(lua_State* L)
{
    const char* name = tn_tostring(L, 1);
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
    const luaL_Reg boxFunctions[] = {{"__gc", luaObjc_gc_metamethod}, {nullptr, nullptr}};
    tn_newtype(L, kObjectBox, boxFunctions);
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
    if (tn_pushvalueobject(L, object))
        return;
    lua_newtable(L);
    luaL_getmetatable(L, kObjectMeta);
    lua_setmetatable(L, -2);
    auto** box = tn_newblock<TNObject*>(L, kObjectBox);
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
    case LUA_TNUMBER:
        return tn_tostringobject(L, index);
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
    return wrappedObject(L, index);
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
    tn_setinvocationarguments(L, firstIndex, invocation, 2, kLuaObjcRules);
}

int luaObjc_pushInvocationReturn(lua_State* L, const TNInvocation& invocation)
{
    return tn_pushinvocationresult(L, invocation, kLuaObjcRules);
}
