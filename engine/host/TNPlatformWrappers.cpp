#include "host/TNPlatformWrappers.h"

#include <exception>
#include <string>

#include "lauxlib.h"
#include "music/TNMusicPlayback.h"
#include "host/TNDate.h"
#include "host/TNWorkspace.h"

namespace {

// Arguments are read from the top of the stack; missing ones count as nil
// (never read below the caller's arguments).
void padArguments(lua_State* L, int count)
{
    if (lua_gettop(L) < count)
        lua_settop(L, count);
}

// Runs body, which returns its number of results. An exception from the
// player's C++ side becomes a Lua error raised after the catch block, so
// no C++ exception is in flight when Lua unwinds.
template <typename Body>
int guarded(lua_State* L, const char* function, Body body)
{
    std::string error;
    try {
        return body();
    } catch (const std::exception& e) {
        error = e.what();
    }
    return luaL_error(L, "%s: %s", function, error.c_str());
}

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
    padArguments(L, 2);
    const char* path = lua_tostring(L, -2);
    const int loop = static_cast<int>(lua_tointeger(L, -1));
    return guarded(L, "playMusic", [&] {
        TNPlayAACFile(path ? path : "", loop);
        return 0;
    });
}

int platform_pauseMusic(lua_State* L)
{
    return guarded(L, "pauseMusic", [] {
        TNPauseAACFile();
        return 0;
    });
}

int platform_stopMusic(lua_State* L)
{
    return guarded(L, "stopMusic", [] {
        TNStopAACFile();
        return 0;
    });
}

// setMusicVolume(volume), from 0 to 1.
int platform_setMusicVolume(lua_State* L)
{
    padArguments(L, 1);
    const float volume = static_cast<float>(lua_tonumber(L, -1));
    return guarded(L, "setMusicVolume", [volume] {
        SetAACFileVolume(volume);
        return 0;
    });
}

// isMusicPlaying() -> 1 or 0 (a number, not a boolean).
int platform_isMusicPlaying(lua_State* L)
{
    const int playing = guarded(L, "isMusicPlaying", [] { return IsAACFilePlaying(); });
    lua_pushinteger(L, playing);
    return 1;
}

// openExternalURL(url): opens an http, https or mailto address in the
// user's browser or mail program; anything else is refused with one line.
int platform_openExternalURL(lua_State* L)
{
    padArguments(L, 1);
    const char* url = lua_tostring(L, -1);
    if (!url)
        return 0;
    return guarded(L, "openExternalURL", [url] {
        TNWorkspace::openURL(url);
        return 0;
    });
}

const luaL_Reg platform_wrap_functions[] = {
    {"getSystemTime", platform_getSystemTime},
    {"playMusic", platform_playMusic},
    {"pauseMusic", platform_pauseMusic},
    {"stopMusic", platform_stopMusic},
    {"setMusicVolume", platform_setMusicVolume},
    {"isMusicPlaying", platform_isMusicPlaying},
    {"openExternalURL", platform_openExternalURL},
    {nullptr, nullptr},
};

}  // namespace

int luaopen_platformWrappers(lua_State* L)
{
    luaL_openlib(L, "platformWrappers", platform_wrap_functions, 0);
    return 1;
}
