#include "ScriptedEngine.h"

namespace tern_test {

ScriptedEngine::ScriptedEngine(const std::string& engineSource, const char* savePath, int usePool)
{
    const std::string enginePath = dir_.file("engine.lua");
    writeFile(enginePath, engineSource);
    S_ = TN_NewState(usePool);
    L_ = S_->L;
    initStatus_ = TN_Init(S_, enginePath.c_str(), savePath);
    lua_settop(L_, 0);
}

void ScriptedEngine::destroy()
{
    if (S_)
        TN_DestroyState(S_);
    S_ = nullptr;
    L_ = nullptr;
}

}  // namespace tern_test
