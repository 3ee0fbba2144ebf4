// Typed userdata: each kind of object the script holds is a TNLuaType,
// given once as a constant. Its metatable lives in the registry under the
// type's registry name (the name games know it by, "physics.WorldMT") and
// carries the type itself under a key no script can make, so that a check
// is one metatable read and a pointer comparison. A type may name a base: a userdata of the type also passes
// where the base is asked for (a space is a node).
//
// Messages name the type by its name, the word a game author knows
// ("Body", "space", "sound manager").
#ifndef TN_LUA_TYPE_H
#define TN_LUA_TYPE_H

#include <cstddef>

#include "lauxlib.h"
#include "lua.h"

struct TNLuaType {
    const char* name;          // for messages: "Body", "space", "sound manager"
    const char* registryName;  // the metatable's name in the registry
    const TNLuaType* base = nullptr;

    // True when this is type or derives from it.
    bool isA(const TNLuaType& type) const;
};

// Makes type's metatable in this state (once; a second call adds to it):
// methods go into the metatable, which is made its own __index (set
// another __index afterwards where the object's functions live elsewhere).
// Leaves the stack as it was.
void tn_newtype(lua_State* L, const TNLuaType& type, const luaL_Reg* methods);
// Pushes type's metatable (nil when tn_newtype has not made it).
void tn_pushmetatable(lua_State* L, const TNLuaType& type);
// Pushes a new userdata of size bytes with type's metatable; returns its block.
void* tn_newuserdata(lua_State* L, const TNLuaType& type, size_t size);

// The type of the userdata at index, or null when it is not one of ours.
const TNLuaType* tn_typeof(lua_State* L, int index);
// The block of the userdata at index when it is of type (or derives from
// it), else null.
void* tn_touserdata(lua_State* L, int index, const TNLuaType& type);
// As tn_touserdata, raising the wrong-argument error naming func otherwise.
void* tn_checkuserdata(lua_State* L, int index, const TNLuaType& type, const char* func);

template <class Block>
Block* tn_newblock(lua_State* L, const TNLuaType& type)
{
    return new (tn_newuserdata(L, type, sizeof(Block))) Block();
}

template <class Block>
Block* tn_toblock(lua_State* L, int index, const TNLuaType& type)
{
    return static_cast<Block*>(tn_touserdata(L, index, type));
}

template <class Block>
Block* tn_checkblock(lua_State* L, int index, const TNLuaType& type, const char* func)
{
    return static_cast<Block*>(tn_checkuserdata(L, index, type, func));
}

#endif
