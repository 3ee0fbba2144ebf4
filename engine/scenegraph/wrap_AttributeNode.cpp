// Attribute node objects: free-standing values the script owns. new and
// __gc take their argument from the top of the stack; setValue takes the
// node, the value and the mark flag by position.
#include "log/TNLog.h"
#include "lua/TNLuaArgs.h"
#include "lua/TNLuaGuard.h"
#include "scenegraph/nodes/SGAttributeNode.h"
#include "scenegraph/wrap_SceneGraph.h"
#include "scenegraph/wrap_Shared.h"

namespace {

// attributeNode.new(valueType) -> attribute node object owning the node
int attributeNode_new(lua_State* L)
{
    const auto type = static_cast<SGPortValueType>(tn_tointeger(L, tn_fromtop(L, 1, 1)));
    auto* node = new SGAttributeNode(type);
    // Creating the userdata may raise a memory error: do not leak the node.
    struct Releaser {
        SGNode* node;
        ~Releaser() { node->release(); }
    } creationReference{node};
    pushNode(L, node);  // the object takes its own reference
    return 1;
}

// attributeNode:setValue(value, mark): stores into the node's one port with
// the conversions of port:setValue (a table is not taken as a port).
int attributeNode_setValue(lua_State* L)
{
    SGAttributeNode* node = liveAttributeNode(L, 1, "attributeNode:setValue");
    if (!node || !node->port)
        return 0;
    switch (storeScriptValue(L, node->port, 2, tn_toboolean(L, 3))) {
    case SGStoreResult::stored:
        break;
    case SGStoreResult::noText:
        lua_pushfstring(L, "a %s value cannot be stored in a string attribute", luaL_typename(L, 2));
        return tn_valueerror(L, "attributeNode:setValue", lua_tostring(L, -1));
    case SGStoreResult::unhandledType:
        TNLogStdout("AttributeNode:setValue unhandled type");
        break;
    }
    return 0;
}

// Releases the object's reference; anything else, or a second call, does nothing.
int attributeNode_gc(lua_State* L)
{
    auto* block = tn_toblock<SGScriptBlock>(L, tn_fromtop(L, 1, 1), kAttributeNodeType);
    if (!block)
        return 0;
    if (SGObject* node = SGObject::fromHandle(block->handle))
        node->release();
    block->handle = TNHandle();
    return 0;
}

}  // namespace

const luaL_Reg attributeNode_functions[] = {
    {"new", tn_guarded<attributeNode_new>},
    {"setValue", tn_guarded<attributeNode_setValue>},
    {"__gc", tn_guarded<attributeNode_gc>},
    {nullptr, nullptr},
};
