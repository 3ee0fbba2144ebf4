// The soundManager Lua module and the C entry points through which the host
// reaches the manager the engine script keeps in the global
// "sharedSoundManager".
#ifndef SOUND_MANAGER_WRAP_H
#define SOUND_MANAGER_WRAP_H

#include "lua.h"

class SoundManager;

// Registers the global table "soundManager" and the metatable
// "SoundManager.MT"; returns 1.
int luaopen_soundManager(lua_State* L);

// The userdata box held by the global "sharedSoundManager", or null when the
// global is not a userdata. Leaves the stack as it found it.
SoundManager** SoundManager_FromLuaState(lua_State* L);
// Makes the manager's context current; a null box is ignored.
void SoundManager_MakeCurrent(SoundManager** box);
// suspend() and resume() of the boxed manager; box must not be null.
void SoundManager_Suspend(SoundManager** box);
void SoundManager_Resume(SoundManager** box);

#endif
