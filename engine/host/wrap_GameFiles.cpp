#include "host/wrap_GameFiles.h"

#include <cstring>
#include <exception>
#include <string>

#include "files/TNPathResolver.h"
#include "lauxlib.h"
#include "lualib.h"

namespace {

// An io.open mode that may create the file: its folder is resolved and a
// new name kept as given.
bool createsFile(lua_State* L)
{
    if (!lua_toboolean(L, lua_upvalueindex(2)) || lua_type(L, 2) != LUA_TSTRING)
        return false;
    const char* mode = lua_tostring(L, 2);
    return std::strchr(mode, 'w') || std::strchr(mode, 'a');
}

// The disk path of argument 1 replaces it. An argument that is not a string
// (io.lines() and dofile() read standard input) is left alone, and so is the
// path when resolving fails: the library's own message follows.
void resolveFirstArgument(lua_State* L)
{
    if (lua_type(L, 1) != LUA_TSTRING)
        return;
    const std::string asked = lua_tostring(L, 1);
    std::string found;
    try {
        TNPathResolver& resolver = TNPathResolver::shared();
        found = createsFile(L) ? resolver.resolveForWriting(asked) : resolver.resolve(asked);
    } catch (const std::exception&) {
        return;
    }
    if (found != asked) {
        lua_pushlstring(L, found.data(), found.size());
        lua_replace(L, 1);
    }
}

// Lua's own argument checks, made here so that their messages name the
// function the script called: raised inside the wrapped function they would
// say "bad argument #1 to '?'". io.open needs a path; the others read
// standard input without one.
void checkArguments(lua_State* L)
{
    const bool isOpen = lua_toboolean(L, lua_upvalueindex(2));
    if (isOpen) {
        luaL_checkstring(L, 1);
        luaL_optstring(L, 2, "r");
    } else {
        luaL_optstring(L, 1, nullptr);
    }
}

// upvalue 1: the library's function; upvalue 2: true for io.open, whose
// second argument is a mode. [-0, +n]: the function's own results.
int resolvingCall(lua_State* L)
{
    checkArguments(L);
    resolveFirstArgument(L);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
    return lua_gettop(L);
}

// Replaces table[name] (a function) by its resolving wrapper.
void wrapField(lua_State* L, int table, const char* name, bool takesMode)
{
    lua_getfield(L, table, name);
    if (!lua_isfunction(L, -1)) {
        lua_pop(L, 1);
        return;
    }
    lua_pushboolean(L, takesMode);
    lua_pushcclosure(L, resolvingCall, 2);
    lua_setfield(L, table, name);
}

}  // namespace

int luaopen_gameFiles(lua_State* L)
{
    wrapField(L, LUA_GLOBALSINDEX, "dofile", false);
    wrapField(L, LUA_GLOBALSINDEX, "loadfile", false);
    lua_getglobal(L, LUA_IOLIBNAME);
    if (lua_istable(L, -1)) {
        const int io = lua_gettop(L);
        wrapField(L, io, "open", true);
        wrapField(L, io, "lines", false);
    }
    lua_pop(L, 1);
    return 0;
}
