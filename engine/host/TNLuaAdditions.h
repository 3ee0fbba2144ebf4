// The extension globals createTable, createTableT and typeCode, which let
// the engine script pre-size tables and read a value's type as a number.
#ifndef TN_LUA_ADDITIONS_H
#define TN_LUA_ADDITIONS_H

#include "lua.h"

// Defines the three globals; called by TN_LoadLibs after the library table.
int luaopen_luaExtensions(lua_State* L);

#endif
