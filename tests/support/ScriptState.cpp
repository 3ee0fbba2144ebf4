#include "ScriptState.h"

#include <gtest/gtest.h>

#include "lauxlib.h"
#include "lualib.h"

namespace tern_test {

void ChunkRunner::run(const std::string& chunk)
{
    const std::string error = errorOf(chunk);
    if (!error.empty())
        ADD_FAILURE() << "script failed: " << error;
}

std::string ChunkRunner::errorOf(const std::string& chunk)
{
    const int top = lua_gettop(L_);
    std::string error;
    if (luaL_loadstring(L_, chunk.c_str()) != 0 || lua_pcall(L_, 0, 0, 0) != 0)
        error = lua_isstring(L_, -1) ? lua_tostring(L_, -1) : "(error object is not a string)";
    lua_settop(L_, top);
    return error;
}

std::string ChunkRunner::eval(const std::string& expression)
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

ScriptState::ScriptState(std::initializer_list<lua_CFunction> modules)
{
    L_ = luaL_newstate();
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

}  // namespace tern_test
