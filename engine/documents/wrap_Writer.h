// The writer objects of the "pgf" module: pgf.writer.newToFile and
// pgf.writer.newToString make them, and every function of pgf.writer is
// also a method of each writer.
#ifndef PGF_WRAP_WRITER_H
#define PGF_WRAP_WRITER_H

#include "lauxlib.h"
#include "lua.h"
#include "lua/TNLuaType.h"

// A writer object: a userdata holding one PGFWriter pointer, null once the
// writer is closed.
extern const TNLuaType kPGFWriter;

// The functions of pgf.writer: the two constructors and the methods.
extern const luaL_Reg pgf_writerFunctions[];

// Makes the writer metatable, with the table on top of the stack (the
// pgf.writer table) as its __index. Leaves the stack as it was.
void pgf_newWriterType(lua_State* L);

#endif
