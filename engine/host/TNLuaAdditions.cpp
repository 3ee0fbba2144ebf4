#include "host/TNLuaAdditions.h"

#include <cstdio>

#include "host/TNLastArguments.h"
#include "lobject.h"
#include "lua/TNLuaArgs.h"

namespace {

// The largest size createTable accepts: far beyond what a game pre-sizes,
// small enough that a mistaken size cannot exhaust the memory.
constexpr lua_Number kMaxTableSize = 1 << 22;

// Reads a size argument as lua_tointeger would, refusing what no table
// can have (negative, NaN or enormous sizes).
int checkSize(lua_State* L, int index, const char* which)
{
    const lua_Number size = tn_tonumber(L, index);
    if (!(size > -1 && size <= kMaxTableSize)) {
        char message[64];
        std::snprintf(message, sizeof message, "%s size must be between 0 and %d", which, int(kMaxTableSize));
        return tn_valueerror(L, "createTable", message);
    }
    return static_cast<int>(size);
}

// createTable(narr, nrec) -> a new table pre-sized for narr array items and
// nrec named fields.
int createTable(lua_State* L)
{
    const int narr = checkSize(L, tn_lastargument(L, 2, 1), "array");
    const int nrec = checkSize(L, tn_lastargument(L, 2, 2), "hash");
    lua_createtable(L, narr, nrec);
    return 1;
}

// createTableT(t) -> a new empty table with t's current array and hash sizes.
int createTableT(lua_State* L)
{
    const int index = tn_lastargument(L, 1, 1);
    tn_checktable(L, index, "createTableT");
    const auto* t = static_cast<const Table*>(lua_topointer(L, index));
    lua_createtable(L, t->sizearray, sizenode(t));
    return 1;
}

// typeCode(v) -> v's type as lua_type numbers it (0 nil ... 8 thread).
int typeCode(lua_State* L)
{
    lua_pushinteger(L, lua_type(L, tn_lastargument(L, 1, 1)));
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
