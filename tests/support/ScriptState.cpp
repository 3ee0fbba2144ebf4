#include "ScriptState.h"

#include <gtest/gtest.h>

#include "lauxlib.h"
#include "lualib.h"

namespace tern_test {

ScriptState::ScriptState(std::initializer_list<lua_CFunction> modules) : L_(luaL_newstate())
{
    luaL_openlibs(L_);
    for (lua_CFunction open : modules) {
        lua_pushcfunction(L_, open);
        if (lua_pcall(L_, 0, 0, 0) != 0)
            ADD_FAILURE() << "opening a module failed: " << lua_tostring(L_, -1);
        lua_settop(L_, 0);
    }
}

ScriptState::~ScriptState()
{
    lua_close(L_);
}

void ScriptState::run(const std::string& chunk)
{
    const std::string error = errorOf(chunk);
    if (!error.empty())
        ADD_FAILURE() << "script failed: " << error;
}

std::string chunkError(lua_State* L, const std::string& chunk)
{
    const int top = lua_gettop(L);
    std::string error;
    if (luaL_loadstring(L, chunk.c_str()) != 0 || lua_pcall(L, 0, 0, 0) != 0)
        error = lua_isstring(L, -1) ? lua_tostring(L, -1) : "(error object is not a string)";
    lua_settop(L, top);
    return error;
}

std::string ScriptState::errorOf(const std::string& chunk)
{
    return chunkError(L_, chunk);
}

std::string ScriptState::eval(const std::string& expression)
{
    const int top = lua_gettop(L_);
    std::string result;
    const std::string chunk = "return tostring(" + expression + ")";
    if (luaL_loadstring(L_, chunk.c_str()) != 0 || lua_pcall(L_, 0, 1, 0) != 0)
        ADD_FAILURE() << "eval failed: " << lua_tostring(L_, -1);
    else
        result = lua_tostring(L_, -1);
    lua_settop(L_, top);
    return result;
}

}  // namespace tern_test
