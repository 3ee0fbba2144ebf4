#include "lua/TNGone.h"

#include "log/TNLog.h"

namespace {

// Registry key of the table of function names already reported.
const char kReportedKey[] = "tern.goneReported";

}  // namespace

bool tn_firstreport(lua_State* L, const char* func)
{
    lua_getfield(L, LUA_REGISTRYINDEX, kReportedKey);
    if (!lua_istable(L, -1)) {
        lua_pop(L, 1);
        lua_newtable(L);
        lua_pushvalue(L, -1);
        lua_setfield(L, LUA_REGISTRYINDEX, kReportedKey);
    }
    lua_getfield(L, -1, func);
    const bool first = lua_isnil(L, -1);
    lua_pop(L, 1);
    if (first) {
        lua_pushboolean(L, 1);
        lua_setfield(L, -2, func);
    }
    lua_pop(L, 1);
    return first;
}

void tn_gone(lua_State* L, const char* func, const char* what)
{
    if (tn_firstreport(L, func))
        TNLog("%s: %s no longer exists; the call does nothing (said once per function)", func, what);
}

void* tn_tolive(lua_State* L, TNHandle handle, const char* func, const char* what)
{
    void* object = TNHandleTable::lookup(handle);
    if (!object)
        tn_gone(L, func, what);
    return object;
}

int tn_pushnils(lua_State* L, int n)
{
    for (int i = 0; i < n; ++i)
        lua_pushnil(L);
    return n;
}
