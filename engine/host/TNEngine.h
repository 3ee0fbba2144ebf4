// The engine host: one Lua interpreter with its allocator, saved-values
// store and host callbacks, the native library table, and the entry points
// that forward events to the engine script's globals.
#ifndef TN_ENGINE_H
#define TN_ENGINE_H

#include <cstdint>

#include "lua.h"

struct TNPoolAllocator;
struct TNDatabase;

struct TNCallbackInfo {
    void (*loadingWillStart)(void* gameContext);
    void (*loadingWillEnd)(void* gameContext);
    void (*gameDidEnd)(void* gameContext);
    void* gameContext;
    // Returns the number of results it left on the Lua stack; may throw
    // (the exception becomes a Lua error in the script's call).
    int (*callExternalFunction)(void* externalFunctionContext, lua_State* L);
    void* externalFunctionContext;
};

struct TN_State {
    lua_State* L;
    TNPoolAllocator* allocator;
    TNDatabase* database;
    TNCallbackInfo callbacks;
};

// Life cycle.
TN_State* TN_NewState(int usePoolAllocator);
void TN_LoadLibs(lua_State* L);
int TN_Init(TN_State* S, const char* enginePath, const char* savePath);
int TN_LoadGame(TN_State* S, const char* gamePath);
void TN_DestroyState(TN_State* S);
void TN_Report_Error(TN_State* S);
// luaL_loadfile for the engine script, refusing anything but a regular file
// (a FIFO would block the loader for ever) with "cannot open PATH: REASON".
int TN_LoadScriptFile(lua_State* L, const char* path);
// Unpacks a zip archive into the current directory. The archive's
// directory is checked against the limits first, and an archive over any of
// them is refused whole with one line, before anything is written: more
// entries than maxEntries, more than maxTotalBytes once unpacked, or an
// entry of more than ratioFloorBytes unpacking to more than maxRatio times
// its packed size (a "zip bomb").
struct TNArchiveLimits {
    uint64_t maxTotalBytes;
    uint64_t maxEntries;
    uint64_t maxRatio;
    uint64_t ratioFloorBytes;
};
extern const TNArchiveLimits TNDefaultArchiveLimits;
int TN_ExtractGameAtPath(const char* zipPath);
int TN_ExtractArchive(const char* zipPath, const TNArchiveLimits& limits);
uint64_t TN_TotalBytesUsed(TN_State* S);

// Entry points into the engine script.
void TN_Update(TN_State* S, float dt);
void TN_Render(TN_State* S);
void TN_Play(TN_State* S);
void TN_Pause(TN_State* S);
void TN_Stop(TN_State* S);
void TN_Reset(TN_State* S);
void TN_SetScreenSize(TN_State* S, int width, int height);
void TN_KeyDown(TN_State* S, const char* name);
void TN_KeyUp(TN_State* S, const char* name);
void TN_MouseDown(TN_State* S, float x, float y);
void TN_MouseUp(TN_State* S, float x, float y);
void TN_MouseMoved(TN_State* S, float x, float y);
void TN_TouchDown(TN_State* S, float x, float y, int touch, int second);
void TN_TouchUp(TN_State* S, float x, float y, int touch, int second);
void TN_TouchMoved(TN_State* S, float x, float y, int touch);
void TN_Accelerated(TN_State* S, float x, float y, float z);
void TN_SetVolume(TN_State* S, float volume);
float TN_GetVolume(TN_State* S);
void TN_SetShouldChangeToScene(TN_State* S, const char* sceneName);
void TN_SetDeviceOrientation(TN_State* S, int orientation, bool flag);
int TN_GetInterfaceOrientation(TN_State* S);

// Queries of script data; a missing table reads as 0 with one printed line.
void TN_GetIntendedDisplaySize(TN_State* S, int* width, int* height);
int TN_GetResolutionIndependence(TN_State* S);
int TN_GetTargetDisplayResolution(TN_State* S);

#endif
