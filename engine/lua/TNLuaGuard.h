// The one seam between C++ exceptions and Lua errors. Lua is built as C++
// and raises its errors as exceptions of its own; a C++ exception must not
// cross its frames (Lua's catch-all would swallow it). A module function
// that calls code that may throw is registered as tn_guarded<function>: an
// exception becomes a Lua error with the exception's message, raised after
// the catch block has ended.
#ifndef TN_LUA_GUARD_H
#define TN_LUA_GUARD_H

#include <exception>
#include <new>
#include <string>

#include "lauxlib.h"
#include "lua.h"

template <lua_CFunction F>
int tn_guarded(lua_State* L)
{
    std::string failure;
    try {
        return F(L);
    } catch (const std::bad_alloc&) {
        failure = "not enough memory";
    } catch (const std::exception& e) {
        failure = e.what();
    }
    return luaL_error(L, "%s", failure.c_str());
}

#endif
