// The script's own file access, io.open, io.lines, dofile and loadfile,
// finding the game's files the way every other reader does: a path inside
// the game's bundle or save folder that does not exist as written is looked
// up regardless of letter case and Unicode form (files/TNPathResolver.h).
// Relative paths are taken from the current folder, as Lua takes them.
#ifndef TN_WRAP_GAME_FILES_H
#define TN_WRAP_GAME_FILES_H

#include "lua.h"

// Replaces the four functions by resolving wrappers of themselves; called by
// TN_LoadLibs once the base and io libraries are open.
int luaopen_gameFiles(lua_State* L);

#endif
