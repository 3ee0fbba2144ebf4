// Scene objects: scene.new and the scene's methods. Every function takes
// its arguments from the top of the stack (the last ones given).
#include "lua/TNGone.h"
#include "lua/TNLuaArgs.h"
#include "lua/TNLuaGuard.h"
#include "scenegraph/SGScene.h"
#include "scenegraph/wrap_SceneGraph.h"
#include "scenegraph/wrap_Shared.h"

const TNLuaType kSceneType = {"scene", "scenegraph.sceneMT"};

namespace {

const char* const kSoundManagerMT = "SoundManager.MT";
const char* const kAssetManagerMT = "AssetManager.MT";

bool hasRegistryMetatable(lua_State* L, int index, const char* name)
{
    if (index == 0 || !lua_getmetatable(L, index))
        return false;
    luaL_getmetatable(L, name);
    const bool same = lua_rawequal(L, -1, -2) != 0;
    lua_pop(L, 2);
    return same;
}

// The manager pointer in a manager object with the given registry
// metatable (a block holding the pointer); null for anything else: a
// missing manager is no manager.
void* managerAt(lua_State* L, int index, const char* metatable)
{
    if (index == 0 || lua_type(L, index) != LUA_TUSERDATA || lua_objlen(L, index) < sizeof(void*) ||
        !hasRegistryMetatable(L, index, metatable))
        return nullptr;
    return *static_cast<void**>(lua_touserdata(L, index));
}

// scene.new(soundManager, assetManager) -> scene. A deleted asset manager
// is an error: its loader nodes would output nothing, silently.
int scene_new(lua_State* L)
{
    auto* soundManager = static_cast<SoundManager*>(managerAt(L, tn_fromtop(L, 2, 1), kSoundManagerMT));
    const int assetIndex = tn_fromtop(L, 2, 2);
    auto* assetManager = static_cast<AssetManager*>(managerAt(L, assetIndex, kAssetManagerMT));
    if (!assetManager && hasRegistryMetatable(L, assetIndex, kAssetManagerMT))
        return tn_valueerror(L, "scene.new", "the asset manager was deleted");
    SGScriptBlock* block = tn_newblock<SGScriptBlock>(L, kSceneType);
    block->handle = (new SGScene(soundManager, assetManager))->handle();
    return 1;
}

// scene:delete(): empties the scene and destroys it; a second call does
// nothing. Called while the scene draws (from code its nodes run), the
// scene draws nothing more and goes when its render returns.
int scene_delete(lua_State* L)
{
    auto* block = tn_checkblock<SGScriptBlock>(L, tn_fromtop(L, 1, 1), kSceneType, "scene:delete");
    auto* scene = dynamic_cast<SGScene*>(SGObject::fromHandle(block->handle));
    block->handle = TNHandle();
    if (scene) {
        scene->close();
        scene->release();
    }
    return 0;
}

int scene_defaultSpace(lua_State* L)
{
    SGScene* scene = liveScene(L, tn_fromtop(L, 1, 1), "scene:defaultSpace");
    pushNode(L, scene ? &scene->defaultSpace : nullptr);
    return 1;
}

int scene_createSpace(lua_State* L)
{
    SGScene* scene = liveScene(L, tn_fromtop(L, 2, 1), "scene:createSpace");
    const auto cls = static_cast<SGNodeClass>(tn_tointeger(L, tn_fromtop(L, 2, 2)));
    pushNode(L, scene ? scene->createSpace(cls) : nullptr);
    return 1;
}

// A space that is gone (removed before) is ignored, as one not in the scene.
int scene_removeSpace(lua_State* L)
{
    SGScene* scene = liveScene(L, tn_fromtop(L, 2, 1), "scene:removeSpace");
    SGSpace* space = liveSpace(L, tn_fromtop(L, 2, 2), "scene:removeSpace");
    if (scene && space)
        scene->removeSpace(space);
    return 0;
}

int scene_render(lua_State* L)
{
    if (SGScene* scene = liveScene(L, tn_fromtop(L, 1, 1), "scene:render"))
        scene->render();
    return 0;
}

int scene_renderWithInitialState(lua_State* L)
{
    SGScene* scene = liveScene(L, tn_fromtop(L, 2, 1), "scene:renderWithInitialState");
    SGScene* initial = liveScene(L, tn_fromtop(L, 2, 2), "scene:renderWithInitialState");
    if (scene && initial)
        scene->renderWithInitialState(*initial);
    return 0;
}

}  // namespace

SGScene* liveScene(lua_State* L, int index, const char* func)
{
    auto* block = tn_checkblock<SGScriptBlock>(L, index, kSceneType, func);
    auto* scene = dynamic_cast<SGScene*>(SGObject::fromHandle(block->handle));
    if (!scene)
        tn_gone(L, func, "the scene (deleted)");
    return scene;
}

const luaL_Reg scene_functions[] = {
    {"new", tn_guarded<scene_new>},
    {"delete", tn_guarded<scene_delete>},
    {"defaultSpace", tn_guarded<scene_defaultSpace>},
    {"createSpace", tn_guarded<scene_createSpace>},
    {"removeSpace", tn_guarded<scene_removeSpace>},
    {"render", tn_guarded<scene_render>},
    {"renderWithInitialState", tn_guarded<scene_renderWithInitialState>},
    {nullptr, nullptr},
};
