#include "bridge/TNGlobalCall.h"

#include "bridge/TNScriptCallWatch.h"
#include "lauxlib.h"

namespace {

// (name, args...) -> the results of name(args...).
int callGlobalFunction(lua_State* L)
{
    const int nargs = lua_gettop(L) - 1;
    lua_getfield(L, LUA_GLOBALSINDEX, lua_tostring(L, 1));
    lua_replace(L, 1);
    lua_call(L, nargs, LUA_MULTRET);
    return lua_gettop(L);
}

// (objectName, method, args...) -> the results of objectName:method(args...).
int callGlobalMethod(lua_State* L)
{
    const int nargs = lua_gettop(L) - 2;
    const char* objectName = lua_tostring(L, 1);
    lua_getfield(L, LUA_GLOBALSINDEX, objectName);
    const int type = lua_type(L, -1);
    if (type != LUA_TTABLE && type != LUA_TUSERDATA)
        return luaL_error(L, "attempt to index global '%s' (a %s value)", objectName, lua_typename(L, type));
    lua_getfield(L, -1, lua_tostring(L, 2));
    lua_replace(L, 1);  // the method
    lua_replace(L, 2);  // the object, its first argument
    lua_call(L, nargs + 1, LUA_MULTRET);
    return lua_gettop(L);
}

// Pushes helper, kept in the registry under key from its first use on, so
// that a call by name allocates nothing (a frame calls several).
void pushHelper(lua_State* L, const char* key, lua_CFunction helper)
{
    lua_getfield(L, LUA_REGISTRYINDEX, key);
    if (!lua_isnil(L, -1))
        return;
    lua_pop(L, 1);
    lua_pushcfunction(L, helper);
    lua_pushvalue(L, -1);
    lua_setfield(L, LUA_REGISTRYINDEX, key);
}

// Moves the value on top below the nargs values under it.
void insertBelowArguments(lua_State* L, int nargs)
{
    lua_insert(L, lua_gettop(L) - nargs);
}

}  // namespace

int tn_pcallglobal(lua_State* L, const char* name, int nargs, int nresults, int errfunc)
{
    pushHelper(L, "TNGlobalCall.function", callGlobalFunction);
    insertBelowArguments(L, nargs);
    lua_pushstring(L, name);
    insertBelowArguments(L, nargs);
    const TNScriptCallWatch watch(name);
    return lua_pcall(L, nargs + 1, nresults, errfunc);
}

int tn_pcallmethod(lua_State* L, const char* objectName, const char* method, int nargs, int nresults, int errfunc)
{
    pushHelper(L, "TNGlobalCall.method", callGlobalMethod);
    insertBelowArguments(L, nargs);
    lua_pushstring(L, objectName);
    insertBelowArguments(L, nargs);
    lua_pushstring(L, method);
    insertBelowArguments(L, nargs);
    const TNScriptCallWatch watch(objectName, method);
    return lua_pcall(L, nargs + 2, nresults, errfunc);
}
