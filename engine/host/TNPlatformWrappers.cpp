#include "host/TNPlatformWrappers.h"

#include "host/TNDate.h"
#include "host/TNLastArguments.h"
#include "host/TNWorkspace.h"
#include "lauxlib.h"
#include "lua/TNLuaArgs.h"
#include "lua/TNLuaGuard.h"
#include "music/TNMusicPlayback.h"

namespace {

// getSystemTime() -> seconds on the shared clock.
int platform_getSystemTime(lua_State* L)
{
    lua_pushnumber(L, TNDate::getTimeAsFloat());
    return 1;
}

// playMusic(path, loop): plays the file, looping when loop's low byte is
// set; a path that is not a string plays nothing.
int platform_playMusic(lua_State* L)
{
    const char* path = tn_tostring(L, tn_lastargument(L, 2, 1));
    const int loop = tn_tointeger(L, tn_lastargument(L, 2, 2));
    TNPlayAACFile(path ? path : "", loop);
    return 0;
}

int platform_pauseMusic(lua_State*)
{
    TNPauseAACFile();
    return 0;
}

int platform_stopMusic(lua_State*)
{
    TNStopAACFile();
    return 0;
}

// setMusicVolume(volume), from 0 to 1.
int platform_setMusicVolume(lua_State* L)
{
    SetAACFileVolume(tn_tonumber(L, tn_lastargument(L, 1, 1)));
    return 0;
}

// isMusicPlaying() -> 1 or 0 (a number, not a boolean).
int platform_isMusicPlaying(lua_State* L)
{
    lua_pushinteger(L, IsAACFilePlaying());
    return 1;
}

// openExternalURL(url): opens an http, https or mailto address in the
// user's browser or mail program; anything else is refused with one line.
int platform_openExternalURL(lua_State* L)
{
    if (const char* url = tn_tostring(L, tn_lastargument(L, 1, 1)))
        TNWorkspace::openURL(url);
    return 0;
}

// The music manager and the workspace may throw: their functions are guarded.
const luaL_Reg platform_wrap_functions[] = {
    {"getSystemTime", platform_getSystemTime},
    {"playMusic", tn_guarded<platform_playMusic>},
    {"pauseMusic", tn_guarded<platform_pauseMusic>},
    {"stopMusic", tn_guarded<platform_stopMusic>},
    {"setMusicVolume", tn_guarded<platform_setMusicVolume>},
    {"isMusicPlaying", tn_guarded<platform_isMusicPlaying>},
    {"openExternalURL", tn_guarded<platform_openExternalURL>},
    {nullptr, nullptr},
};

}  // namespace

int luaopen_platformWrappers(lua_State* L)
{
    luaL_openlib(L, "platformWrappers", platform_wrap_functions, 0);
    return 1;
}
