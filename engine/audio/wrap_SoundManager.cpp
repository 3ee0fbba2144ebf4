#include "audio/wrap_SoundManager.h"

#include <exception>
#include <string>

#include "audio/SoundManager.h"
#include "lauxlib.h"

namespace {

const char* const kMetatableName = "SoundManager.MT";

// The box of the manager userdata at index 1 (a Lua error for any other value).
SoundManager** checkBox(lua_State* L)
{
    return static_cast<SoundManager**>(luaL_checkudata(L, 1, kMetatableName));
}

// True when the value at index has the manager metatable, so that another
// kind of userdata stored in the global is never taken for a manager.
bool hasManagerMetatable(lua_State* L, int index)
{
    if (!lua_getmetatable(L, index))
        return false;
    luaL_getmetatable(L, kMetatableName);
    const bool same = lua_rawequal(L, -1, -2) != 0;
    lua_pop(L, 2);
    return same;
}

// () -> manager userdata
int soundManager_new(lua_State* L)
{
    auto** box = static_cast<SoundManager**>(lua_newuserdata(L, sizeof(SoundManager*)));
    *box = nullptr;
    luaL_getmetatable(L, kMetatableName);
    lua_setmetatable(L, -2);
    std::string failure;
    try {
        *box = new SoundManager();
    } catch (const std::exception& e) {
        failure = e.what();
    }
    if (!failure.empty())
        return luaL_error(L, "soundManager.new: %s", failure.c_str());
    return 1;
}

// (manager) -> ()
int soundManager_delete(lua_State* L)
{
    SoundManager** box = checkBox(L);
    delete *box;
    *box = nullptr;
    return 0;
}

// (manager) -> ()
int soundManager_makeCurrent(lua_State* L)
{
    SoundManager** box = checkBox(L);
    if (*box)
        (*box)->makeCurrent();
    return 0;
}

// (manager) -> ()
int soundManager_update(lua_State* L)
{
    SoundManager** box = checkBox(L);
    if (*box)
        (*box)->update();
    return 0;
}

const luaL_Reg soundManager_functions[] = {
    {"new", soundManager_new},
    {"delete", soundManager_delete},
    {"makeCurrent", soundManager_makeCurrent},
    {"update", soundManager_update},
    {nullptr, nullptr},
};

}  // namespace

int luaopen_soundManager(lua_State* L)
{
    luaL_register(L, "soundManager", soundManager_functions);
    luaL_newmetatable(L, kMetatableName);
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
    SoundManager** box = nullptr;
    if (lua_type(L, -1) == LUA_TUSERDATA && hasManagerMetatable(L, -1))
        box = static_cast<SoundManager**>(lua_touserdata(L, -1));
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
