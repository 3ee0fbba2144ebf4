// The scenegraph Lua module: scenes, spaces, nodes and ports for the engine
// script.
#ifndef SCENEGRAPH_MODULE_H
#define SCENEGRAPH_MODULE_H

#include "lua.h"

class SGNode;

// Builds the module's registry metatables and sets the global "scenegraph".
// Returns no values.
int luaopen_scenegraph(lua_State* L);

// Pushes a new script object for node (nil for null), with the type of its
// kind. The object holds no reference (nodes belong to their space), except
// an attribute node's, but notices when the node is gone.
void pushNode(lua_State* L, SGNode* node);

#endif
