// The assetManager Lua module: the engine script creates AssetManager
// objects, preloads or releases the assets of a scene by name list, and
// loads or unloads single names.
#ifndef ASSET_MANAGER_WRAP_H
#define ASSET_MANAGER_WRAP_H

#include "lua.h"
#include "lua/TNLuaType.h"

// A manager in Lua: a userdata whose block is an AssetManager* (null once
// the script deleted it), with the registry metatable "AssetManager.MT".
extern const TNLuaType kAssetManager;

// Registers the global table "assetManager" and the metatable
// "AssetManager.MT" (whose __index is that table); returns 1.
int luaopen_assetManager(lua_State* L);

#endif
