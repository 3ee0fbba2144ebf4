// The scenegraph Lua module: the global table with the value-type and
// node-class constants, and the registry metatables of scenes, ports and
// nodes, built in a fixed order. The functions live in wrap_Scene.cpp,
// wrap_Port.cpp, wrap_Node.cpp, wrap_AttributeNode.cpp, wrap_RenderNode.cpp
// and wrap_Space.cpp.
#include "scenegraph/wrap_SceneGraph.h"

#include "scenegraph/nodes/SGPortID.h"
#include "scenegraph/ports/SGPortValueType.h"
#include "scenegraph/wrap_Shared.h"

const char* const kPortMT = "scenegraph.portMT";
const char* const kNodeConstants = "scenegraph.nodeConstants";

namespace {

struct Constant {
    const char* name;
    int value;
};

const Constant kConstants[] = {
    {"NIL", NIL}, {"STRING", STRING}, {"NUMBER", NUMBER}, {"INTEGER", INTEGER},
    {"BOOLEAN", BOOLEAN}, {"COLOR", COLOR}, {"SOUND", SOUND}, {"IMAGE", IMAGE},
    {"attributeNode", SGAttributeNodeClass}, {"arithmeticNode", SGArithmeticNodeClass},
    {"assetLoaderNode", SGAssetLoaderNodeClass}, {"clearNode", SGClearNodeClass},
    {"colorNode", SGColorNodeClass}, {"imageLoaderNode", SGImageLoaderNodeClass},
    {"ortho2DSpace", SGOrtho2DSpaceClass}, {"particleSystemNode", SGParticleSystemNodeClass},
    {"replicatorSpace", SGReplicatorSpaceClass}, {"space", SGSpaceClass},
    {"spriteNode", SGSpriteNodeClass}, {"soundListenerNode", SGSoundListenerNodeClass},
    {"soundLoaderNode", SGSoundLoaderNodeClass}, {"soundPlayerNode", SGSoundPlayerNodeClass},
    {"stringToImageNode", SGStringToImageNodeClass}, {"wrapSpace", SGWrapSpaceClass},
    {nullptr, 0},
};

// Makes a node type's metatable with its functions, parent's metatable as
// its metatable (when given) and the port lookup as __index. Leaves it pushed.
void newNodeType(lua_State* L, const TNLuaType& type, const luaL_Reg* functions, const TNLuaType* parent)
{
    tn_newtype(L, type, functions);
    tn_pushmetatable(L, type);
    if (parent) {
        tn_pushmetatable(L, *parent);
        lua_setmetatable(L, -2);
    }
    lua_pushvalue(L, -1);
    lua_getfield(L, LUA_REGISTRYINDEX, kNodeConstants);
    luaL_getmetatable(L, kPortMT);
    lua_pushcclosure(L, node_index, 3);
    lua_setfield(L, -2, "__index");
}

void registerPortMetatable(lua_State* L)
{
    luaL_newmetatable(L, kPortMT);
    luaL_register(L, nullptr, port_functions);
    lua_pushvalue(L, -1);
    lua_setfield(L, -2, "__index");
    lua_pop(L, 1);
}

void registerPortNames(lua_State* L)
{
    lua_newtable(L);
    for (const SGPortIDName* entry = SGPortIDNames; entry->name; ++entry) {
        lua_pushinteger(L, entry->id);
        lua_setfield(L, -2, entry->name);
    }
    lua_setfield(L, LUA_REGISTRYINDEX, kNodeConstants);
}

}  // namespace

int luaopen_scenegraph(lua_State* L)
{
    lua_newtable(L);
    const int module = lua_gettop(L);
    for (const Constant* constant = kConstants; constant->name; ++constant) {
        lua_pushinteger(L, constant->value);
        lua_setfield(L, module, constant->name);
    }

    tn_newtype(L, kSceneType, scene_functions);
    tn_pushmetatable(L, kSceneType);
    lua_setfield(L, module, "scene");
    registerPortMetatable(L);
    registerPortNames(L);
    newNodeType(L, kNodeType, node_functions, nullptr);
    lua_pop(L, 1);
    newNodeType(L, kAttributeNodeType, attributeNode_functions, nullptr);
    lua_setfield(L, module, "attributeNode");  // replaces the class constant
    newNodeType(L, kRenderNodeType, renderNode_functions, &kNodeType);
    lua_pop(L, 1);
    newNodeType(L, kSpaceType, space_functions, &kRenderNodeType);
    lua_pop(L, 1);

    lua_setfield(L, LUA_GLOBALSINDEX, "scenegraph");
    return 0;
}
