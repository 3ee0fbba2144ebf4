// Lua values into invocation arguments and invocation results into Lua
// values, by the first character of each type code. luaObjc and the
// external function table convert numbers alike ("i" and "I" as integers
// cut to 32 bits, "d" and "f" as numbers) and strings alike; how each
// treats other objects and classes is its own, given as a TNObjectRules.
// A type code with no rule leaves the argument at zero and gives no result.
#ifndef TN_INVOCATION_CONVERSION_H
#define TN_INVOCATION_CONVERSION_H

#include "bridge/runtime/TNObject.h"
#include "lua.h"

class TNClass;
class TNInvocation;

struct TNObjectRules {
    // "@": the object for the Lua value at index, and the Lua value pushed
    // for a returned object.
    TNRef<TNObject> (*toObject)(lua_State* L, int index);
    void (*pushObject)(lua_State* L, TNObject* object);
    // "#": the same for classes, or null where classes are not converted.
    TNClass* (*toClass)(lua_State* L, int index);
    void (*pushClass)(lua_State* L, TNClass* cls);
};

// A Lua string or number as a string object (a number arrives as its
// text); null for any other value.
TNRef<TNObject> tn_tostringobject(lua_State* L, int index);
// Pushes a number object as its number and a string object as its text;
// returns false, pushing nothing, for any other object.
bool tn_pushvalueobject(lua_State* L, TNObject* object);

// Fills the invocation's arguments from slot firstSlot on with the Lua
// values from firstIndex on, one per declared argument.
void tn_setinvocationarguments(lua_State* L, int firstIndex, TNInvocation& invocation, size_t firstSlot,
                               const TNObjectRules& rules);
// Pushes the invocation's return value; returns the number of values
// pushed (0 or 1).
int tn_pushinvocationresult(lua_State* L, const TNInvocation& invocation, const TNObjectRules& rules);

#endif
