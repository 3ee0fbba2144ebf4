#include "host/TNLuaAdditions.h"

#include "lauxlib.h"
#include "lobject.h"

namespace {

// Arguments are read from the top of the stack; missing ones count as nil
// (never read below the caller's arguments).
void padArguments(lua_State* L, int count)
{
    if (lua_gettop(L) < count)
        lua_settop(L, count);
}

// The largest size createTable accepts: far beyond what a game pre-sizes,
// small enough that a mistaken size cannot exhaust the memory.
constexpr lua_Number kMaxTableSize = 1 << 22;

// Reads a size argument as lua_tointeger would, refusing what no table
// can have (negative, NaN or enormous sizes).
int checkSize(lua_State* L, int index, const char* which)
{
    const lua_Number size = lua_tonumber(L, index);
    if (!(size > -1 && size <= kMaxTableSize))
        return luaL_error(L, "createTable: %s size must be between 0 and %d", which, int(kMaxTableSize));
    return static_cast<int>(size);
}

// createTable(narr, nrec) -> a new table pre-sized for narr array items and
// nrec named fields.
int createTable(lua_State* L)
{
    padArguments(L, 2);
    const int narr = checkSize(L, -2, "array");
    const int nrec = checkSize(L, -1, "hash");
    lua_createtable(L, narr, nrec);
    return 1;
}

// createTableT(t) -> a new empty table with t's current array and hash sizes.
int createTableT(lua_State* L)
{
    padArguments(L, 1);
    if (!lua_istable(L, -1))
        return luaL_error(L, "createTableT: table expected, got %s", luaL_typename(L, -1));
    const auto* t = static_cast<const Table*>(lua_topointer(L, -1));
    lua_createtable(L, t->sizearray, sizenode(t));
    return 1;
}

// typeCode(v) -> v's type as lua_type numbers it (0 nil ... 8 thread).
int typeCode(lua_State* L)
{
    padArguments(L, 1);
    lua_pushinteger(L, lua_type(L, -1));
    return 1;
}

}  // namespace

int luaopen_luaExtensions(lua_State* L)
{
    lua_register(L, "createTable", createTable);
    lua_register(L, "createTableT", createTableT);
    lua_register(L, "typeCode", typeCode);
    return 0;
}
