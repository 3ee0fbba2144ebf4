// What the wrap_*.cpp files of the scenegraph module share: the script
// object types, their blocks and checks, and the function tables that
// luaopen_scenegraph assembles.
//
// Scene and node objects are userdata blocks holding the object's handle
// (SGObject::handle), so an object that is gone is never touched: the call
// does nothing (a read gives nil or 0) after one line (lua/TNGone.h).
// Port objects are tables {node, port id, node handle}.
#ifndef SCENEGRAPH_WRAP_SHARED_H
#define SCENEGRAPH_WRAP_SHARED_H

#include "lauxlib.h"
#include "lua.h"
#include "lua/TNHandle.h"
#include "lua/TNLuaType.h"
#include "scenegraph/nodes/SGNodeClass.h"

class SGAttributeNode;
class SGNode;
class SGPort;
class SGRenderNode;
class SGScene;
class SGSpace;

extern const TNLuaType kSceneType;
extern const TNLuaType kNodeType;
extern const TNLuaType kAttributeNodeType;
extern const TNLuaType kRenderNodeType;
extern const TNLuaType kSpaceType;

extern const char* const kPortMT;
extern const char* const kNodeConstants;

// The block of a scene or node object. A scene's handle is null after
// delete; an attribute node's block holds one reference on the node until
// its __gc, which nulls the handle.
struct SGScriptBlock {
    TNHandle handle;
};

// The scene of the scene object at index, or null (after the one line of
// tn_gone) when the scene was deleted; raises the wrong-argument error
// naming func when it is no scene object.
SGScene* liveScene(lua_State* L, int index, const char* func);
// The node of the object at index of type (or one deriving from it), or
// null (after the one line) when the node is gone; raises the
// wrong-argument error naming func for anything else.
SGNode* liveNode(lua_State* L, int index, const TNLuaType& type, const char* func);
SGSpace* liveSpace(lua_State* L, int index, const char* func);
SGRenderNode* liveRenderNode(lua_State* L, int index, const char* func);
SGAttributeNode* liveAttributeNode(lua_State* L, int index, const char* func);

// A handle as one Lua value (a light userdata packing index and generation):
// Lua numbers are 32-bit floats and cannot hold the parts exactly.
void pushHandle(lua_State* L, TNHandle handle);
TNHandle toHandle(lua_State* L, int index);

// Converts the Lua value at index for the port's type and stores it,
// marking dependants dirty when mark is set.
enum class SGStoreResult { stored, unhandledType, noText };
SGStoreResult storeScriptValue(lua_State* L, SGPort* port, int index, bool mark);

// __index of node objects: a port name gives a port object, any other key
// the entry of the metatable the closure belongs to. Upvalues: that
// metatable, the port name table, the port metatable.
int node_index(lua_State* L);

extern const luaL_Reg scene_functions[];
extern const luaL_Reg port_functions[];
extern const luaL_Reg node_functions[];
extern const luaL_Reg attributeNode_functions[];
extern const luaL_Reg renderNode_functions[];
extern const luaL_Reg space_functions[];

#endif
