#include "host/TNEngine.h"

#include <cstdlib>
#include <string>

#include "assets/wrap_AssetManager.h"
#include "audio/wrap_SoundManager.h"
#include "bridge/TNGlobalCall.h"
#include "documents/wrap_PGF.h"
#include "files/TNPathResolver.h"
#include "files/TNRegularFile.h"
#include "host/TNAllocator.h"
#include "host/TNDatabase.h"
#include "host/TNLuaAdditions.h"
#include "host/TNPlatformWrappers.h"
#include "host/wrap_GameFiles.h"
#include "lauxlib.h"
#include "log/TNLog.h"
#include "lua/TNLuaGuard.h"
#include "lualib.h"
#include "physics/wrap_Physics.h"
#include "scenegraph/wrap_SceneGraph.h"

namespace {

// The native libraries, opened in this order by TN_LoadLibs.
const luaL_Reg tn_lualibs[] = {
    {"", luaopen_base},
    {LUA_LOADLIBNAME, luaopen_package},
    {LUA_OSLIBNAME, luaopen_os},
    {LUA_DBLIBNAME, luaopen_debug},
    {LUA_TABLIBNAME, luaopen_table},
    {LUA_IOLIBNAME, luaopen_io},
    {LUA_STRLIBNAME, luaopen_string},
    {LUA_MATHLIBNAME, luaopen_math},
    {"scenegraph", luaopen_scenegraph},
    {"physics", luaopen_physics},
    {"pgf", luaopen_PGF},
    {"platformWrappers", luaopen_platformWrappers},
    {"assetManager", luaopen_assetManager},
    {"soundManager", luaopen_soundManager},
    {nullptr, nullptr},
};

// Calls the global function name with the nargs arguments on top of the
// stack. Returns the status; on failure the error is reported and the
// stack emptied.
int callFunction(TN_State* S, const char* name, int nargs, int nresults)
{
    const int status = tn_pcallglobal(S->L, name, nargs, nresults, 0);
    if (status != 0)
        TN_Report_Error(S);
    return status;
}

// As callFunction, for the method of a global object.
int callMethod(TN_State* S, const char* objectName, const char* method, int nargs, int nresults)
{
    const int status = tn_pcallmethod(S->L, objectName, method, nargs, nresults, 0);
    if (status != 0)
        TN_Report_Error(S);
    return status;
}

void callFunctionXY(TN_State* S, const char* name, float x, float y)
{
    lua_pushnumber(S->L, x);
    lua_pushnumber(S->L, y);
    callFunction(S, name, 2, 0);
}

void callFunctionString(TN_State* S, const char* name, const char* text)
{
    lua_pushstring(S->L, text);
    callFunction(S, name, 1, 0);
}

void callTouch(TN_State* S, const char* name, float x, float y, int touch, int second)
{
    lua_pushnumber(S->L, x);
    lua_pushnumber(S->L, y);
    lua_pushinteger(S->L, touch);
    lua_pushinteger(S->L, second);
    callFunction(S, name, 4, 0);
}

TN_State* stateOf(lua_State* L)
{
    return *static_cast<TN_State**>(lua_touserdata(L, lua_upvalueindex(1)));
}

// Calls the game callback that member names, when the host set it.
int callGameCallback(lua_State* L, void (*TNCallbackInfo::*member)(void*))
{
    TN_State* S = stateOf(L);
    if (auto callback = S->callbacks.*member)
        callback(S->callbacks.gameContext);
    return 0;
}

int wrap_loadingWillStart(lua_State* L) { return callGameCallback(L, &TNCallbackInfo::loadingWillStart); }
int wrap_loadingWillEnd(lua_State* L) { return callGameCallback(L, &TNCallbackInfo::loadingWillEnd); }
int wrap_gameDidEnd(lua_State* L) { return callGameCallback(L, &TNCallbackInfo::gameDidEnd); }

int wrap_callExternalFunction(lua_State* L)
{
    TN_State* S = stateOf(L);
    if (!S->callbacks.callExternalFunction)
        return 0;
    return S->callbacks.callExternalFunction(S->callbacks.externalFunctionContext, L);
}

// The host's callbacks may throw: each function is guarded.
const luaL_Reg callback_wrapper_functions[] = {
    {"loadingWillStart", tn_guarded<wrap_loadingWillStart>},
    {"loadingWillEnd", tn_guarded<wrap_loadingWillEnd>},
    {"gameDidEnd", tn_guarded<wrap_gameDidEnd>},
    {"callExternalFunction", tn_guarded<wrap_callExternalFunction>},
    {nullptr, nullptr},
};

// Reads integer fields named by null-terminated paths from the globals
// table. Runs under lua_cpcall, so a missing table is an error, not a panic.
struct FieldQuery {
    const char* const* const* paths;
    int* results;
    int count;
};

int readIntegerFields(lua_State* L)
{
    auto* query = static_cast<FieldQuery*>(lua_touserdata(L, 1));
    for (int i = 0; i < query->count; ++i) {
        const char* const* path = query->paths[i];
        lua_pushvalue(L, LUA_GLOBALSINDEX);
        for (int depth = 0; path[depth]; ++depth) {
            if (!lua_istable(L, -1) && !lua_isuserdata(L, -1))
                return luaL_error(L, "'%s' is missing", depth > 0 ? path[depth - 1] : "globals");
            lua_getfield(L, -1, path[depth]);
        }
        query->results[i] = static_cast<int>(lua_tointeger(L, -1));
        lua_settop(L, 1);
    }
    return 0;
}

// Runs readIntegerFields; results stay 0 when a table on a path is missing.
void queryIntegers(TN_State* S, const char* queryName, const char* const* const* paths, int* results, int count)
{
    for (int i = 0; i < count; ++i)
        results[i] = 0;
    FieldQuery query{paths, results, count};
    if (lua_cpcall(S->L, readIntegerFields, &query) != 0) {
        const char* message = lua_tostring(S->L, -1);
        TNLogStdout("%s: %s, reading 0 (is the game loaded?)", queryName, message ? message : "read failed");
        lua_pop(S->L, 1);
        for (int i = 0; i < count; ++i)
            results[i] = 0;
    }
}

}  // namespace

TN_State* TN_NewState(int usePoolAllocator)
{
    auto* S = static_cast<TN_State*>(std::calloc(1, sizeof(TN_State)));
    S->allocator = TNPoolAllocatorNew();
    S->L = usePoolAllocator == 1 ? lua_newstate(TN_PoolLuaAlloc, S->allocator) : luaL_newstate();
    return S;
}

void TN_LoadLibs(lua_State* L)
{
    for (const luaL_Reg* lib = tn_lualibs; lib->func; ++lib) {
        lua_pushcfunction(L, lib->func);
        lua_pushstring(L, lib->name);
        lua_call(L, 1, 0);
    }
    luaopen_luaExtensions(L);
    luaopen_gameFiles(L);
}

int TN_Init(TN_State* S, const char* enginePath, const char* savePath)
{
    lua_State* L = S->L;
    TN_LoadLibs(L);

    auto** box = static_cast<TN_State**>(lua_newuserdata(L, sizeof(TN_State*)));
    *box = S;
    luaL_openlib(L, "callbacks", callback_wrapper_functions, 1);
    lua_pop(L, 1);

    lua_pushinteger(L, 1);
    lua_setfield(L, LUA_GLOBALSINDEX, "_debuglevel");

    if (savePath) {
        S->database = TNDatabaseOpen(savePath);
        TNDatabaseLoadLib(S->database, L);
    }

    if (TN_LoadScriptFile(L, enginePath) != 0 || lua_pcall(L, 0, 0, 0) != 0)
        TN_Report_Error(S);

    // The status is returned; a failing initEngine leaves its message on the stack.
    return tn_pcallglobal(L, "initEngine", 0, 0, 0);
}

int TN_LoadGame(TN_State* S, const char* gamePath)
{
    lua_State* L = S->L;
    const int top = lua_gettop(L);
    if (tn_pcallmethod(L, "Project", "new", 0, 1, 0) != 0) {
        // Report the failure rather than keeping its message as the project.
        TN_Report_Error(S);
        lua_pushnil(L);
    }
    lua_setfield(L, LUA_GLOBALSINDEX, "project");

    lua_pushstring(L, gamePath);
    if (callMethod(S, "project", "load", 1, 0) == 0)
        lua_settop(L, top);
    return 0;
}

void TN_DestroyState(TN_State* S)
{
    if (!S)
        return;
    if (S->database) {
        TNDatabaseDetachLib(S->L);
        TNDatabaseClose(S->database);
        S->database = nullptr;
    }
    if (tn_pcallglobal(S->L, "shutdownEngine", 0, 0, 0) != 0)
        lua_pop(S->L, 1);
    lua_close(S->L);
    TNPoolAllocatorDestroy(S->allocator);
    std::free(S);
}

int TN_LoadScriptFile(lua_State* L, const char* path)
{
    std::string reason;
    const std::string file = TNPathResolver::shared().resolve(path);
    if (!TNIsRegularFile(file.c_str(), reason)) {
        lua_pushfstring(L, "cannot open %s: %s", path, reason.c_str());
        return LUA_ERRFILE;
    }
    return luaL_loadfile(L, file.c_str());
}

void TN_Report_Error(TN_State* S)
{
    if (const char* message = lua_tolstring(S->L, -1, nullptr))
        TNLog("Lua Error: %s", message);
    lua_settop(S->L, 0);
}

uint64_t TN_TotalBytesUsed(TN_State* S)
{
    uint64_t allocated = 0;
    TNPoolAllocatorGetSize(S->allocator, nullptr, &allocated, nullptr);
    return allocated;
}

void TN_Update(TN_State* S, float dt)
{
    lua_pushnumber(S->L, dt);
    callFunction(S, "update", 1, 0);
}

void TN_Render(TN_State* S) { callFunction(S, "render", 0, 0); }
void TN_Play(TN_State* S) { callFunction(S, "play", 0, 0); }
void TN_Pause(TN_State* S) { callFunction(S, "pause", 0, 0); }
void TN_Stop(TN_State* S) { callFunction(S, "stop", 0, 0); }
void TN_Reset(TN_State* S) { callFunction(S, "reset", 0, 0); }

void TN_SetScreenSize(TN_State* S, int width, int height)
{
    lua_pushinteger(S->L, width);
    lua_pushinteger(S->L, height);
    callMethod(S, "devices", "setScreenSize", 2, 0);
}

void TN_KeyDown(TN_State* S, const char* name) { callFunctionString(S, "keyDown", name); }
void TN_KeyUp(TN_State* S, const char* name) { callFunctionString(S, "keyUp", name); }
void TN_MouseDown(TN_State* S, float x, float y) { callFunctionXY(S, "mouseDown", x, y); }
void TN_MouseUp(TN_State* S, float x, float y) { callFunctionXY(S, "mouseUp", x, y); }
void TN_MouseMoved(TN_State* S, float x, float y) { callFunctionXY(S, "mouseMoved", x, y); }

void TN_TouchDown(TN_State* S, float x, float y, int touch, int second) { callTouch(S, "touchDown", x, y, touch, second); }
void TN_TouchUp(TN_State* S, float x, float y, int touch, int second) { callTouch(S, "touchUp", x, y, touch, second); }

void TN_TouchMoved(TN_State* S, float x, float y, int touch)
{
    lua_pushnumber(S->L, x);
    lua_pushnumber(S->L, y);
    lua_pushinteger(S->L, touch);
    callFunction(S, "touchMoved", 3, 0);
}

void TN_Accelerated(TN_State* S, float x, float y, float z)
{
    lua_pushnumber(S->L, x);
    lua_pushnumber(S->L, y);
    lua_pushnumber(S->L, z);
    callFunction(S, "accelerated", 3, 0);
}

void TN_SetVolume(TN_State* S, float volume)
{
    lua_pushnumber(S->L, volume);
    callFunction(S, "setVolume", 1, 0);
}

float TN_GetVolume(TN_State* S)
{
    if (callFunction(S, "getVolume", 0, 1) != 0)
        return 0;
    const float volume = static_cast<float>(lua_tonumber(S->L, -1));
    lua_pop(S->L, 1);
    return volume;
}

void TN_SetShouldChangeToScene(TN_State* S, const char* sceneName)
{
    lua_pushstring(S->L, sceneName);
    lua_pushboolean(S->L, 0);
    callMethod(S, "game", "setNeedsToChangeScene", 2, 0);
}

void TN_SetDeviceOrientation(TN_State* S, int orientation, bool flag)
{
    lua_pushinteger(S->L, orientation);
    lua_pushboolean(S->L, flag);
    callFunction(S, "deviceOrientationChanged", 2, 0);
}

int TN_GetInterfaceOrientation(TN_State* S)
{
    if (callFunction(S, "getInterfaceOrientation", 0, 1) != 0)
        return 0;
    const int orientation = static_cast<int>(lua_tointeger(S->L, -1));
    lua_pop(S->L, 1);
    return orientation;
}

void TN_GetIntendedDisplaySize(TN_State* S, int* width, int* height)
{
    static const char* const widthPath[] = {"game", "attributes", "displaySize", "width", "_value", nullptr};
    static const char* const heightPath[] = {"game", "attributes", "displaySize", "height", "_value", nullptr};
    static const char* const* const paths[] = {widthPath, heightPath};
    int values[2];
    queryIntegers(S, "TN_GetIntendedDisplaySize", paths, values, 2);
    *width = values[0];
    *height = values[1];
}

int TN_GetResolutionIndependence(TN_State* S)
{
    static const char* const path[] = {"game", "resolutionIndependence", nullptr};
    static const char* const* const paths[] = {path};
    int value;
    queryIntegers(S, "TN_GetResolutionIndependence", paths, &value, 1);
    return value;
}

int TN_GetTargetDisplayResolution(TN_State* S)
{
    static const char* const path[] = {"game", "resolution", nullptr};
    static const char* const* const paths[] = {path};
    int value;
    queryIntegers(S, "TN_GetTargetDisplayResolution", paths, &value, 1);
    return value;
}
