// Each function takes the manager at the top of the stack (its last
// argument). The userdata is the manager's only owner: "delete" empties the
// box, so an empty box is a manager that is gone, and later calls on it do
// nothing (after one line per function, lua/TNGone.h). There is no __gc: the manager lives until the script deletes it.
#include "audio/wrap_SoundManager.h"

#include <algorithm>

#include "audio/SoundManager.h"
#include "lauxlib.h"
#include "lua/TNGone.h"
#include "lua/TNLuaArgs.h"
#include "lua/TNLuaGuard.h"

const TNLuaType kSoundManager = {"sound manager", "SoundManager.MT"};

namespace {

// The box of the manager given last (argument 1 when none is given); a
// wrong-argument error naming func for any other value.
SoundManager** checkBox(lua_State* L, const char* func)
{
    return tn_checkblock<SoundManager*>(L, std::max(lua_gettop(L), 1), kSoundManager, func);
}

// () -> manager userdata
int soundManager_new(lua_State* L)
{
    SoundManager** box = tn_newblock<SoundManager*>(L, kSoundManager);
    *box = new SoundManager();
    return 1;
}

// (manager) -> ()
int soundManager_delete(lua_State* L)
{
    SoundManager** box = checkBox(L, "soundManager.delete");
    delete *box;
    *box = nullptr;
    return 0;
}

// (manager) -> ()
int soundManager_makeCurrent(lua_State* L)
{
    SoundManager** box = checkBox(L, "soundManager.makeCurrent");
    if (*box)
        (*box)->makeCurrent();
    else
        tn_gone(L, "soundManager.makeCurrent", "the sound manager (deleted)");
    return 0;
}

// (manager) -> ()
int soundManager_update(lua_State* L)
{
    SoundManager** box = checkBox(L, "soundManager.update");
    if (*box)
        (*box)->update();
    else
        tn_gone(L, "soundManager.update", "the sound manager (deleted)");
    return 0;
}

const luaL_Reg soundManager_functions[] = {
    {"new", tn_guarded<soundManager_new>},
    {"delete", soundManager_delete},
    {"makeCurrent", soundManager_makeCurrent},
    {"update", soundManager_update},
    {nullptr, nullptr},
};

}  // namespace

int luaopen_soundManager(lua_State* L)
{
    luaL_register(L, "soundManager", soundManager_functions);
    tn_newtype(L, kSoundManager, nullptr);
    tn_pushmetatable(L, kSoundManager);
    lua_pushvalue(L, -2);
    lua_setfield(L, -2, "__index");
    lua_pop(L, 1);
    return 1;
}

SoundManager** SoundManager_FromLuaState(lua_State* L)
{
    // A raw read: a strict-globals metatable must not raise here, outside
    // any protected call.
    lua_pushstring(L, "sharedSoundManager");
    lua_rawget(L, LUA_GLOBALSINDEX);
    SoundManager** box = tn_toblock<SoundManager*>(L, lua_gettop(L), kSoundManager);
    lua_pop(L, 1);
    return box;
}

void SoundManager_MakeCurrent(SoundManager** box)
{
    if (box && *box)
        (*box)->makeCurrent();
}

void SoundManager_Suspend(SoundManager** box)
{
    if (*box)
        (*box)->suspend();
}

void SoundManager_Resume(SoundManager** box)
{
    if (*box)
        (*box)->resume();
}
