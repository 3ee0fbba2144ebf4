// Objects the script still names after they are gone. Engine scripts were
// written against a player that wrote into such objects and went on: a
// sprite kept one frame after its removal, a body used after destroyBody.
// Here such a call does nothing instead (a read gives nil or 0), and one
// line on standard error says so the first time each function meets a gone
// object in a Lua state:
//
//     port:value: the port's node no longer exists; the call does nothing (said once per function)
//
// The record of functions already reported lives in the state's registry,
// so every new state reports afresh.
#ifndef TN_GONE_H
#define TN_GONE_H

#include "lua.h"
#include "lua/TNHandle.h"

// Reports that func met what ("the body", "the port's node") gone: one line
// the first time for this func in this state, nothing after.
void tn_gone(lua_State* L, const char* func, const char* what);

// The object handle names, or null once it is gone (after tn_gone).
void* tn_tolive(lua_State* L, TNHandle handle, const char* func, const char* what);

// True the first time topic is asked about in this state (topic is a
// function's name, or a name and a kind of mistake): the record behind the
// one line per function.
bool tn_firstreport(lua_State* L, const char* topic);

// Pushes n nils: what a call that met a gone object returns.
int tn_pushnils(lua_State* L, int n);

#endif
