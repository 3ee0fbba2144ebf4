// The "pgf" Lua module: the document reader (pgf.loadFile, pgf.loadString,
// also as pgf.parser.*) and the writers (pgf.writer.newToFile,
// pgf.writer.newToString and the methods of writer objects).
#ifndef PGF_MODULE_H
#define PGF_MODULE_H

#include "lua.h"

int luaopen_PGF(lua_State* L);

#endif
