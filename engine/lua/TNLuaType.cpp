#include "lua/TNLuaType.h"

#include "lua/TNLuaArgs.h"

namespace {

// The metatable field that holds the type (a light userdata key, which a
// script cannot make).
char typeKey;

}  // namespace

bool TNLuaType::isA(const TNLuaType& type) const
{
    for (const TNLuaType* t = this; t; t = t->base) {
        if (t == &type)
            return true;
    }
    return false;
}

void tn_pushmetatable(lua_State* L, const TNLuaType& type)
{
    lua_getfield(L, LUA_REGISTRYINDEX, type.registryName);
}

void tn_newtype(lua_State* L, const TNLuaType& type, const luaL_Reg* methods)
{
    if (luaL_newmetatable(L, type.registryName)) {
        lua_pushlightuserdata(L, &typeKey);
        lua_pushlightuserdata(L, const_cast<TNLuaType*>(&type));
        lua_rawset(L, -3);
        lua_pushvalue(L, -1);
        lua_setfield(L, -2, "__index");
    }
    for (const luaL_Reg* m = methods; m && m->name; ++m) {
        lua_pushcfunction(L, m->func);
        lua_setfield(L, -2, m->name);
    }
    lua_pop(L, 1);
}

void* tn_newuserdata(lua_State* L, const TNLuaType& type, size_t size)
{
    void* block = lua_newuserdata(L, size);
    tn_pushmetatable(L, type);
    lua_setmetatable(L, -2);
    return block;
}

const TNLuaType* tn_typeof(lua_State* L, int index)
{
    if (index == 0 || lua_type(L, index) != LUA_TUSERDATA || !lua_getmetatable(L, index))
        return nullptr;
    lua_pushlightuserdata(L, &typeKey);
    lua_rawget(L, -2);
    const TNLuaType* type = lua_islightuserdata(L, -1) ? static_cast<const TNLuaType*>(lua_touserdata(L, -1)) : nullptr;
    lua_pop(L, 2);
    return type;
}

void* tn_touserdata(lua_State* L, int index, const TNLuaType& type)
{
    const TNLuaType* actual = tn_typeof(L, index);
    return actual && actual->isA(type) ? lua_touserdata(L, index) : nullptr;
}

void* tn_checkuserdata(lua_State* L, int index, const TNLuaType& type, const char* func)
{
    void* block = tn_touserdata(L, index, type);
    if (!block)
        tn_argerror(L, func, index, tn_article(type.name).c_str());
    return block;
}
