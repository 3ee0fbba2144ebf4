// The host's library functions (the extension globals, platformWrappers)
// read the last n arguments the script gave, whatever came before them. A
// call that gives fewer is padded with nils at the end, so that the
// arguments it did give are the first of the n.
#ifndef TN_LAST_ARGUMENTS_H
#define TN_LAST_ARGUMENTS_H

#include "lua.h"
#include "lua/TNLuaArgs.h"

// Pads the call to n arguments; returns the index of the k-th (from 1) of
// the last n.
inline int tn_lastargument(lua_State* L, int n, int k)
{
    if (lua_gettop(L) < n)
        lua_settop(L, n);
    return tn_fromtop(L, n, k);
}

#endif
