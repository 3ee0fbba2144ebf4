// The luaObjc bridge: runtime classes and objects wrapped in Lua tables whose
// metatables turn any missing field into a method call, underscores in the
// Lua name standing for the colons of the selector (setObject_forKey_ sends
// "setObject:forKey:"). Arguments and results convert by type code.
#ifndef LUA_OBJC_H
#define LUA_OBJC_H

#include "lua.h"
#include "bridge/runtime/TNObject.h"

class TNClass;
class TNInvocation;
class TNMethodSignature;

// Type codes of the runtime; only the first character is compared.
#define OBJC_TYPE_DOUBLE "d"
#define OBJC_TYPE_FLOAT "f"
#define OBJC_TYPE_CHAR "c"
#define OBJC_TYPE_UNSIGNED_CHAR "C"
#define OBJC_TYPE_INT "i"
#define OBJC_TYPE_UNSIGNED_INT "I"
#define OBJC_TYPE_LONG "q"
#define OBJC_TYPE_UNSIGNED_LONG "Q"
#define OBJC_TYPE_LONG_LONG "q"
#define OBJC_TYPE_UNSIGNED_LONG_LONG "Q"
#define OBJC_TYPE_SHORT "s"
#define OBJC_TYPE_UNSIGNED_SHORT "S"
#define OBJC_TYPE_NSINTEGER "q"
#define OBJC_TYPE_NSUINTEGER "Q"
#define OBJC_TYPE_BOOL "c"
#define OBJC_TYPE_VOID "v"
#define OBJC_TYPE_ID "@"
#define OBJC_TYPE_CLASS "#"
#define OBJC_TYPE_VOID_POINTER "^v"
#define OBJC_TYPE_STRING "*"
#define OBJC_TYPE_SELECTOR ":"

// True when the first characters of the two codes are equal.
bool objcTypeMatches(const char* typeCode, const char* constant);

// Opens the module (argument 1: its name): the global table "luaObjc" and
// the metatables "luaObjc.gc", "luaObjc.object", "luaObjc.class".
int luaopen_luaObjc(lua_State* L);

// Null pushes nil, numbers their value, strings their text; any other
// object a new retaining wrapper.
void luaObjc_pushid(lua_State* L, TNObject* object);
void luaObjc_pushClass(lua_State* L, TNClass* cls);
// Strings and numbers become string objects, nil null, wrappers their
// object or class; anything else null.
TNRef<TNObject> luaObjc_toid(lua_State* L, int index);
bool luaObjc_isid(lua_State* L, int index);
bool luaObjc_isClass(lua_State* L, int index);
TNObject* luaObjc_getid(lua_State* L, int index);
// The value must be a table (otherwise a Lua indexing error is raised).
TNClass* luaObjc_getClass(lua_State* L, int index);

// Fills the invocation's arguments from the Lua values from firstIndex on.
void luaObjc_prepareInvocation(lua_State* L, int firstIndex, TNInvocation& invocation);
// Pushes the return value; returns the number of values pushed (0 or 1).
int luaObjc_pushInvocationReturn(lua_State* L, const TNInvocation& invocation);

#endif
