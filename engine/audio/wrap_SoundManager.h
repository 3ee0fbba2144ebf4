// The soundManager Lua module and the C entry points through which the host
// reaches the manager the engine script keeps in the global
// "sharedSoundManager".
#ifndef SOUND_MANAGER_WRAP_H
#define SOUND_MANAGER_WRAP_H

#include "lua.h"
#include "lua/TNLuaType.h"

class SoundManager;

// A manager in Lua: a userdata whose block is a SoundManager* (null once
// the script deleted it), with the registry metatable "SoundManager.MT".
extern const TNLuaType kSoundManager;

// Registers the global table "soundManager" and the metatable
// "SoundManager.MT" (whose __index is that table); returns 1.
int luaopen_soundManager(lua_State* L);

// The userdata box held by the global "sharedSoundManager", or null when the
// global is not a sound manager. Leaves the stack as it found it.
SoundManager** SoundManager_FromLuaState(lua_State* L);
// Makes the manager's context current; a null box is ignored.
void SoundManager_MakeCurrent(SoundManager** box);
// suspend() and resume() of the boxed manager; box must not be null.
void SoundManager_Suspend(SoundManager** box);
void SoundManager_Resume(SoundManager** box);

#endif
