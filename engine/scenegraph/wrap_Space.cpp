// Space objects: creating, removing, sorting and counting nodes. Every
// function takes its arguments from the top of the stack (the last ones
// given).
#include "log/TNLog.h"
#include "lua/TNLuaArgs.h"
#include "lua/TNLuaGuard.h"
#include "scenegraph/nodes/SGSpace.h"
#include "scenegraph/wrap_SceneGraph.h"
#include "scenegraph/wrap_Shared.h"

namespace {

// space:createNode(class) -> node, or nil for a class a space cannot create
int space_createNode(lua_State* L)
{
    SGSpace* space = liveSpace(L, tn_fromtop(L, 2, 1), "space:createNode");
    const auto cls = static_cast<SGNodeClass>(tn_tointeger(L, tn_fromtop(L, 2, 2)));
    pushNode(L, space ? space->createNode(cls) : nullptr);
    return 1;
}

// Without a node object, says so and calls the script's logtrace (when it
// has one) to show where.
int reportMissingNode(lua_State* L)
{
    TNLogStdout("Attempt to remove nil node");
    lua_getfield(L, LUA_GLOBALSINDEX, "logtrace");
    if (lua_isfunction(L, -1))
        lua_call(L, 0, 0);
    else
        lua_pop(L, 1);
    return 0;
}

// space:removeNode(node): a node not in the space is ignored, and so is a
// node already gone (removed before, a second time).
int space_removeNode(lua_State* L)
{
    const int spaceIndex = tn_fromtop(L, 2, 1);
    const int nodeIndex = spaceIndex != 0 ? spaceIndex + 1 : 0;
    if (nodeIndex == 0 || lua_type(L, nodeIndex) != LUA_TUSERDATA)
        return reportMissingNode(L);
    SGSpace* space = liveSpace(L, spaceIndex, "space:removeNode");
    SGNode* node = liveNode(L, nodeIndex, kNodeType, "space:removeNode");
    if (space && node)
        space->removeNode(node);
    return 0;
}

int space_sortRenderNodes(lua_State* L)
{
    if (SGSpace* space = liveSpace(L, tn_fromtop(L, 1, 1), "space:sortRenderNodes"))
        space->sortRenderNodes();
    return 0;
}

// 0 for a space that is gone.
int space_countRenderNodes(lua_State* L)
{
    SGSpace* space = liveSpace(L, tn_fromtop(L, 1, 1), "space:countRenderNodes");
    lua_pushinteger(L, space ? space->countRenderNodes() : 0);
    return 1;
}

}  // namespace

const luaL_Reg space_functions[] = {
    {"createNode", tn_guarded<space_createNode>},
    {"removeNode", tn_guarded<space_removeNode>},
    {"sortRenderNodes", tn_guarded<space_sortRenderNodes>},
    {"countRenderNodes", tn_guarded<space_countRenderNodes>},
    {nullptr, nullptr},
};
