// Calls into the script by name: a global function, or a method of a
// global object (which the method receives as its first argument). The
// name is looked up inside the protected call, so a missing global, or a
// globals table whose metatable raises, fails the call like any other
// script error instead of ending the process.
//
// The caller pushes the nargs arguments; the call replaces them by its
// nresults results, or by the error value, and returns lua_pcall's status.
// errfunc is 0 or the absolute index of a message handler below the
// arguments.
#ifndef TN_GLOBAL_CALL_H
#define TN_GLOBAL_CALL_H

#include "lua.h"

int tn_pcallglobal(lua_State* L, const char* name, int nargs, int nresults, int errfunc);
// A global object that is neither a table nor a userdata fails the call
// with "attempt to index global 'NAME' (a TYPE value)".
int tn_pcallmethod(lua_State* L, const char* objectName, const char* method, int nargs, int nresults, int errfunc);

#endif
