// Render node objects: the layer. Both functions take their arguments from
// the top of the stack (the last ones given).
#include "lua/TNLuaArgs.h"
#include "lua/TNLuaGuard.h"
#include "scenegraph/nodes/SGRenderNode.h"
#include "scenegraph/wrap_Shared.h"

namespace {

int renderNode_getLayer(lua_State* L)
{
    SGRenderNode* node = liveRenderNode(L, tn_fromtop(L, 1, 1), "renderNode:getLayer");
    lua_pushinteger(L, node ? node->layer : 0);
    return 1;
}

// renderNode:setLayer(layer): no re-sort until space:sortRenderNodes.
int renderNode_setLayer(lua_State* L)
{
    SGRenderNode* node = liveRenderNode(L, tn_fromtop(L, 2, 1), "renderNode:setLayer");
    if (node)
        node->layer = tn_tointeger(L, tn_fromtop(L, 2, 2));
    return 0;
}

}  // namespace

const luaL_Reg renderNode_functions[] = {
    {"getLayer", tn_guarded<renderNode_getLayer>},
    {"setLayer", tn_guarded<renderNode_setLayer>},
    {nullptr, nullptr},
};
