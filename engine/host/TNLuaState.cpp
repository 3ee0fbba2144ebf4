#include "host/TNLuaState.h"

#include "audio/wrap_SoundManager.h"
#include "bridge/LuaObject.h"
#include "bridge/TNExternalFunctionTable.h"
#include "bridge/TNGlobalCall.h"

namespace {

// Holds the engine lock for a scope and restores the stack height found.
class LockedStack {
public:
    explicit LockedStack(LuaState& state) : state_(state)
    {
        state_.lockState();
        L_ = state_.state();
        top_ = L_ ? lua_gettop(L_) : 0;
    }
    ~LockedStack()
    {
        if (L_)
            lua_settop(L_, top_);
        state_.unlockState();
    }
    LockedStack(const LockedStack&) = delete;
    LockedStack& operator=(const LockedStack&) = delete;

    lua_State* L() const { return L_; }

private:
    LuaState& state_;
    lua_State* L_;
    int top_;
};

}  // namespace

TNRef<TNLuaState> TNLuaState::create(const std::string& enginePath, const char* savePath)
{
    TNRef<TNLuaState> state = TNRef<TNLuaState>::adopt(new TNLuaState());
    if (!state->initWithEnginePath(enginePath, savePath))
        return nullptr;
    return state;
}

bool TNLuaState::initWithEnginePath(const std::string& enginePath, const char* savePath)
{
    TN_State* S = TN_NewState(0);
    S->callbacks.gameContext = this;
    S->callbacks.callExternalFunction = callExternalFunction;
    TN_Init(S, enginePath.c_str(), savePath);  // failures are printed by the host
    if (!initWithState(S->L)) {
        TN_DestroyState(S);  // nobody else would release it
        return false;
    }
    S_.store(S);
    return true;
}

TNLuaState::~TNLuaState()
{
    TNLuaState::close();
}

void TNLuaState::close()
{
    releaseGlobalObject();
    lockState();
    TN_State* S = S_.exchange(nullptr);
    if (S) {
        // Forgotten first: finalisers run while closing must not reach it.
        forgetState();
        TNExternalFunctionTable::destroyExternalFunctionTableForState(S->L);
        TN_DestroyState(S);
    }
    unlockState();
}

TNRef<LuaObject> TNLuaState::game()
{
    TNRef<LuaObject> globals = globalObject();
    TNRef<TNObject> value = globals ? globals->valueForKey("game") : nullptr;
    return TNRef<LuaObject>(dynamic_cast<LuaObject*>(value.get()));
}

TNDisplaySize TNLuaState::intendedDisplaySize()
{
    int width = 0, height = 0;
    LockedStack locked(*this);
    if (TN_State* S = S_.load())
        TN_GetIntendedDisplaySize(S, &width, &height);
    return {static_cast<double>(width), static_cast<double>(height)};
}

bool TNLuaState::resolutionIndependence()
{
    LockedStack locked(*this);
    TN_State* S = S_.load();
    return S && static_cast<char>(TN_GetResolutionIndependence(S)) != 0;
}

int TNLuaState::targetDisplayResolution()
{
    LockedStack locked(*this);
    TN_State* S = S_.load();
    return S ? TN_GetTargetDisplayResolution(S) : 0;
}

void TNLuaState::makeOpenALContextCurrent()
{
    LockedStack locked(*this);
    if (lua_State* L = locked.L())
        SoundManager_MakeCurrent(SoundManager_FromLuaState(L));
}

void TNLuaState::freeGLAssets()
{
    LockedStack locked(*this);
    lua_State* L = locked.L();
    if (!L)
        return;
    // An error (no manager yet) is ignored; the stack is restored on exit.
    tn_pcallmethod(L, "sharedAssetManager", "unloadAllImages", 0, 0, 0);
}
