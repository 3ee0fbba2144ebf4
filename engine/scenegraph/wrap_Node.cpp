// Node objects: the node types, their checks and port lookup, and
// node:compute. The function takes its argument from the top of the stack.
#include "lua/TNGone.h"
#include "lua/TNLuaArgs.h"
#include "lua/TNLuaGuard.h"
#include "scenegraph/SGHold.h"
#include "scenegraph/nodes/SGAttributeNode.h"
#include "scenegraph/nodes/SGSpace.h"
#include "scenegraph/wrap_SceneGraph.h"
#include "scenegraph/wrap_Shared.h"

const TNLuaType kNodeType = {"node", "scenegraph.nodeMT"};
const TNLuaType kAttributeNodeType = {"attribute node", "scenegraph.attributeNodeMT", &kNodeType};
const TNLuaType kRenderNodeType = {"render node", "scenegraph.renderNodeMT", &kNodeType};
const TNLuaType kSpaceType = {"space", "scenegraph.spaceMT", &kRenderNodeType};

namespace {

// The class bits every node of a type carries.
SGNodeClass classOf(const TNLuaType& type)
{
    if (&type == &kSpaceType)
        return SGSpaceClass;
    if (&type == &kRenderNodeType)
        return SGRenderNodeClass;
    if (&type == &kAttributeNodeType)
        return SGAttributeNodeClass;
    return 0;
}

const TNLuaType& typeOf(const SGNode* node)
{
    if (node->isKindOf(SGSpaceClass))
        return kSpaceType;
    if (node->isKindOf(SGRenderNodeClass))
        return kRenderNodeType;
    if (node->isKindOf(SGAttributeNodeClass))
        return kAttributeNodeType;
    return kNodeType;
}

// Pushes a new port object {node, id, node handle} with the port metatable
// at stack index metatable.
void pushPort(lua_State* L, TNHandle node, int id, int metatable)
{
    lua_createtable(L, 3, 0);
    lua_pushlightuserdata(L, TNHandleTable::lookup(node));
    lua_rawseti(L, -2, 1);
    lua_pushinteger(L, id);
    lua_rawseti(L, -2, 2);
    pushHandle(L, node);
    lua_rawseti(L, -2, 3);
    lua_pushvalue(L, metatable);
    lua_setmetatable(L, -2);
}

// The block of the node object at index when its metatable is the one at
// metatable, else null. The port lookup runs on every port access, so it
// asks no more than that of the object it serves.
const SGScriptBlock* blockServedBy(lua_State* L, int index, int metatable)
{
    if (lua_type(L, index) != LUA_TUSERDATA || !lua_getmetatable(L, index))
        return nullptr;
    const bool served = lua_rawequal(L, -1, metatable) != 0;
    lua_pop(L, 1);
    return served ? static_cast<const SGScriptBlock*>(lua_touserdata(L, index)) : nullptr;
}

int node_compute(lua_State* L)
{
    SGNode* node = liveNode(L, tn_fromtop(L, 1, 1), kNodeType, "node:compute");
    SGHold hold(node);  // compute may run script code that removes the node
    if (node)
        node->compute();
    return 0;
}

}  // namespace

SGNode* liveNode(lua_State* L, int index, const TNLuaType& type, const char* func)
{
    auto* block = tn_checkblock<SGScriptBlock>(L, index, type, func);
    SGObject* object = SGObject::fromHandle(block->handle);
    SGNode* node = object ? object->asNode() : nullptr;
    if (!node) {
        lua_pushfstring(L, "the %s (removed from its space, or its scene deleted)", type.name);
        tn_gone(L, func, lua_tostring(L, -1));
        lua_pop(L, 1);
        return nullptr;
    }
    // The object's type follows its node's class; a metatable changed by
    // the debug library must not make a sprite pass for a space.
    if (!node->isKindOf(classOf(type)))
        tn_argerror(L, func, index, tn_article(type.name).c_str());
    return node;
}

SGSpace* liveSpace(lua_State* L, int index, const char* func)
{
    return static_cast<SGSpace*>(liveNode(L, index, kSpaceType, func));
}

SGRenderNode* liveRenderNode(lua_State* L, int index, const char* func)
{
    return static_cast<SGRenderNode*>(liveNode(L, index, kRenderNodeType, func));
}

SGAttributeNode* liveAttributeNode(lua_State* L, int index, const char* func)
{
    return static_cast<SGAttributeNode*>(liveNode(L, index, kAttributeNodeType, func));
}

void pushHandle(lua_State* L, TNHandle handle)
{
    static_assert(sizeof(void*) >= sizeof(uint64_t), "a handle must fit in a light userdata");
    const uint64_t packed = (static_cast<uint64_t>(handle.index) << 32) | handle.generation;
    lua_pushlightuserdata(L, reinterpret_cast<void*>(static_cast<uintptr_t>(packed)));
}

TNHandle toHandle(lua_State* L, int index)
{
    const auto packed = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(lua_touserdata(L, index)));
    return TNHandle{static_cast<uint32_t>(packed >> 32), static_cast<uint32_t>(packed)};
}

void pushNode(lua_State* L, SGNode* node)
{
    if (!node) {
        lua_pushnil(L);
        return;
    }
    const TNLuaType& type = typeOf(node);
    tn_newblock<SGScriptBlock>(L, type)->handle = node->handle();
    // The object's environment keeps its port objects, made on first use.
    lua_createtable(L, 0, 0);
    lua_setfenv(L, -2);
    if (&type == &kAttributeNodeType)
        node->retain();  // released by the object's __gc
}

int node_index(lua_State* L)
{
    lua_pushvalue(L, 2);
    lua_rawget(L, lua_upvalueindex(2));
    if (lua_type(L, -1) == LUA_TNUMBER) {
        const int id = tn_tointeger(L, lua_gettop(L));
        const SGScriptBlock* block = blockServedBy(L, 1, lua_upvalueindex(1));
        if (!block)
            return 0;
        // The node's life is not checked here: the port object carries the
        // handle, and every use of it checks. The same object serves every
        // lookup of the port, so that a frame of port writes allocates nothing.
        lua_getfenv(L, 1);
        const int cache = lua_gettop(L);
        const bool cached = lua_istable(L, cache) && !lua_rawequal(L, cache, LUA_GLOBALSINDEX);
        if (cached) {
            lua_rawgeti(L, cache, id);
            if (lua_istable(L, -1))
                return 1;
            lua_pop(L, 1);
        }
        pushPort(L, block->handle, id, lua_upvalueindex(3));
        if (cached) {
            lua_pushvalue(L, -1);
            lua_rawseti(L, cache, id);
        }
        return 1;
    }
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_pushvalue(L, 2);
    lua_gettable(L, -2);
    return 1;
}

const luaL_Reg node_functions[] = {
    {"compute", tn_guarded<node_compute>},
    {nullptr, nullptr},
};
