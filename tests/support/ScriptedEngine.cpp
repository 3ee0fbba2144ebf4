#include "ScriptedEngine.h"

#include <gtest/gtest.h>

#include "lauxlib.h"

namespace tern_test {

ScriptedEngine::ScriptedEngine(const std::string& engineSource, const char* savePath, int usePool)
{
    const std::string enginePath = dir_.file("engine.lua");
    writeFile(enginePath, engineSource);
    S_ = TN_NewState(usePool);
    initStatus_ = TN_Init(S_, enginePath.c_str(), savePath);
    lua_settop(S_->L, 0);
}

ScriptedEngine::~ScriptedEngine()
{
    destroy();
}

void ScriptedEngine::destroy()
{
    if (S_)
        TN_DestroyState(S_);
    S_ = nullptr;
}

void ScriptedEngine::run(const std::string& chunk)
{
    const int top = lua_gettop(L());
    if (luaL_loadstring(L(), chunk.c_str()) != 0 || lua_pcall(L(), 0, 0, 0) != 0) {
        ADD_FAILURE() << "script failed: " << lua_tostring(L(), -1);
    }
    lua_settop(L(), top);
}

std::string ScriptedEngine::errorOf(const std::string& chunk)
{
    return chunkError(L(), chunk);
}

std::string ScriptedEngine::eval(const std::string& expression)
{
    const int top = lua_gettop(L());
    std::string result;
    const std::string chunk = "return tostring(" + expression + ")";
    if (luaL_loadstring(L(), chunk.c_str()) != 0 || lua_pcall(L(), 0, 1, 0) != 0)
        ADD_FAILURE() << "eval failed: " << lua_tostring(L(), -1);
    else
        result = lua_tostring(L(), -1);
    lua_settop(L(), top);
    return result;
}

}  // namespace tern_test
