// Reading a Lua function's arguments, and the one message for a wrong one:
//
//     FUNC: argument N must be EXPECTED (got TYPE)
//
// for example "World.createBody: argument 2 must be a BodyDefinition (got
// table)". FUNC is the name the script calls the function by.
//
// Some of the engine's functions take their arguments by position, others
// the last n given (from the top of the stack, whatever the script passed
// before them): tn_fromtop gives the index of one of those. Index 0 stands
// for an argument the call did not give; every reader accepts it.
//
// Readers named check* raise the message; readers named to* never raise and
// read what lua_tonumber and lua_toboolean would (0, false, null).
#ifndef TN_LUA_ARGS_H
#define TN_LUA_ARGS_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "lua.h"

// Index of the k-th (from 1) of the last n arguments, or 0 when the call
// gave fewer than n.
int tn_fromtop(lua_State* L, int n, int k);
// The Lua type name of the argument, "no value" for a missing one.
const char* tn_typename(lua_State* L, int index);
// "a word" or "an word", as English wants it.
std::string tn_article(const char* word);

// Raises "FUNC: argument N must be EXPECTED (got TYPE)", or "FUNC: argument
// must be EXPECTED (got no value)" for index 0. Never returns.
int tn_argerror(lua_State* L, const char* func, int index, const char* expected);
// Raises "FUNC: MESSAGE" for an argument that has the right type but a
// value the function cannot take. Never returns.
int tn_valueerror(lua_State* L, const char* func, const char* message);

// Numbers. A finite number is one that is neither NaN nor infinite.
float tn_checknumber(lua_State* L, int index, const char* func);
float tn_checkfinite(lua_State* L, int index, const char* func);
float tn_optnumber(lua_State* L, int index, const char* func, float fallback);
float tn_tonumber(lua_State* L, int index);
// A number as the engine scripts' first player read it, with lua_tonumber:
// anything that is no number reads as 0. NaN and infinite numbers read as 0
// too (they would break the engine's state). Either prints one line the
// first time func meets one in this state:
//     FUNC: argument N is not a finite number (got TYPE); read as 0 (said once per function)
float tn_tofinite(lua_State* L, int index, const char* func);

// Integers: the number truncated toward zero and held to the 32-bit range,
// NaN read as 0 (a plain cast of such numbers is undefined).
int32_t tn_truncate(float value);
int32_t tn_checkinteger(lua_State* L, int index, const char* func);
int32_t tn_optinteger(lua_State* L, int index, const char* func, int32_t fallback);
int32_t tn_tointeger(lua_State* L, int index);

// Strings (numbers are accepted and converted, as Lua does). The pointer
// stays valid while the value stays on the stack.
const char* tn_checkstring(lua_State* L, int index, const char* func, size_t* length = nullptr);
const char* tn_optstring(lua_State* L, int index, const char* func, const char* fallback);
const char* tn_tostring(lua_State* L, int index, size_t* length = nullptr);

// Booleans: any value, read as Lua reads a condition (nil and false are false).
bool tn_toboolean(lua_State* L, int index);
// A value that must be a boolean.
bool tn_checkboolean(lua_State* L, int index, const char* func);

// Tables and functions: raise unless the argument is one.
void tn_checktable(lua_State* L, int index, const char* func);
void tn_checkfunction(lua_State* L, int index, const char* func);

#endif
