// A manager is a full userdata holding an AssetManager pointer (null after
// delete) with the metatable "AssetManager.MT"; there is no __gc, the
// manager lives until the script deletes it. Every function takes its
// arguments counted from the top of the stack: the manager one below the
// top and the name or list at the top (functions without a name or list
// take the manager at the top). Names are strings or numbers (7 names the
// asset "7"); a list is a table whose values are names, keys ignored.
#include "assets/wrap_AssetManager.h"

#include <set>
#include <string>

#include "assets/AssetManager.h"
#include "lauxlib.h"
#include "log/TNLog.h"
#include "lua/TNLuaArgs.h"
#include "lua/TNLuaGuard.h"

const TNLuaType kAssetManager = {"asset manager", "AssetManager.MT"};

namespace {

// The live manager at index; a Lua error naming func for any other value
// and for a manager the script deleted.
AssetManager* checkManager(lua_State* L, int index, const char* func)
{
    AssetManager* manager = *tn_checkblock<AssetManager*>(L, index, kAssetManager, func);
    if (!manager)
        tn_valueerror(L, func, "the asset manager was deleted");
    return manager;
}

// The name at index (a number becomes its string form).
std::string checkName(lua_State* L, int index, const char* func)
{
    size_t length = 0;
    const char* text = tn_checkstring(L, index, func, &length);
    return std::string(text, length);
}

// The values of the list at index, duplicates once.
std::set<std::string> checkNameList(lua_State* L, int index, const char* func)
{
    tn_checktable(L, index, func);
    luaL_checkstack(L, 3, func);
    std::set<std::string> names;
    lua_pushnil(L);
    while (lua_next(L, index) != 0) {
        size_t length = 0;
        const char* text = tn_tostring(L, -1, &length);  // converts the value only, never the key
        if (!text) {
            const std::string message =
                "the list holds " + tn_article(luaL_typename(L, -1)) + " where an asset name belongs";
            tn_valueerror(L, func, message.c_str());
        }
        names.emplace(text, length);
        lua_pop(L, 1);
    }
    return names;
}

// The manager one below the top and the name at the top.
AssetManager* checkManagerAndName(lua_State* L, const char* func, std::string& name)
{
    AssetManager* manager = checkManager(L, tn_fromtop(L, 2, 1), func);
    name = checkName(L, tn_fromtop(L, 2, 2), func);
    return manager;
}

// The manager one below the top and the name list at the top.
AssetManager* checkManagerAndList(lua_State* L, const char* func, std::set<std::string>& names)
{
    AssetManager* manager = checkManager(L, tn_fromtop(L, 2, 1), func);
    names = checkNameList(L, tn_fromtop(L, 2, 2), func);
    return manager;
}

// () -> manager bound to the calling state
int assetManager_new(lua_State* L)
{
    AssetManager** box = tn_newblock<AssetManager*>(L, kAssetManager);
    // The manager calls the script on this state: keep it (a coroutine,
    // maybe) alive through the userdata's environment.
    lua_createtable(L, 1, 0);
    lua_pushthread(L);
    lua_rawseti(L, -2, 1);
    lua_setfenv(L, -2);
    *box = new AssetManager(L);
    return 1;
}

// (manager) -> (); a second delete or a value that is no manager does
// nothing. Loader nodes still using the manager are detached (they output
// no asset from then on) and reported in one line; from inside the
// manager's own path question the call does nothing but say so.
int assetManager_delete(lua_State* L)
{
    const char* func = "assetManager.delete";
    AssetManager** box = tn_toblock<AssetManager*>(L, lua_gettop(L), kAssetManager);
    if (!box || !*box)
        return 0;
    AssetManager* manager = *box;
    if (manager->isAskingScript()) {
        TNLog("%s: the manager cannot be deleted from inside its own project:pathForImage or "
              "project:pathForSound call; the call does nothing", func);
        return 0;
    }
    const size_t detached = manager->loaderNodeCount();
    *box = nullptr;
    delete manager;
    if (detached > 0)
        TNLog("%s: %zu loader node(s) still used the manager; they now output no asset (delete the scenes "
              "before the manager)", func, detached);
    return 0;
}

int assetManager_loadImageForName(lua_State* L)
{
    std::string name;
    AssetManager* manager = checkManagerAndName(L, "assetManager.loadImageForName", name);
    manager->loadImageForName(name);
    return 0;
}

int assetManager_loadSoundForName(lua_State* L)
{
    std::string name;
    AssetManager* manager = checkManagerAndName(L, "assetManager.loadSoundForName", name);
    manager->loadSoundForName(name);
    return 0;
}

int assetManager_unloadImage(lua_State* L)
{
    std::string name;
    AssetManager* manager = checkManagerAndName(L, "assetManager.unloadImage", name);
    manager->unloadImage(name);
    return 0;
}

int assetManager_unloadAllImages(lua_State* L)
{
    checkManager(L, tn_fromtop(L, 1, 1), "assetManager.unloadAllImages")->unloadAllImages();
    return 0;
}

int assetManager_unloadSound(lua_State* L)
{
    std::string name;
    AssetManager* manager = checkManagerAndName(L, "assetManager.unloadSound", name);
    manager->unloadSound(name);
    return 0;
}

int assetManager_cleanupAndLoadImages(lua_State* L)
{
    std::set<std::string> names;
    AssetManager* manager = checkManagerAndList(L, "assetManager.cleanupAndLoadImages", names);
    manager->cleanupUnusedImages(names);
    manager->loadNewImages(names);
    return 0;
}

int assetManager_cleanupUnusedImages(lua_State* L)
{
    std::set<std::string> names;
    AssetManager* manager = checkManagerAndList(L, "assetManager.cleanupUnusedImages", names);
    manager->cleanupUnusedImages(names);
    return 0;
}

int assetManager_cleanupAndLoadSounds(lua_State* L)
{
    std::set<std::string> names;
    AssetManager* manager = checkManagerAndList(L, "assetManager.cleanupAndLoadSounds", names);
    manager->cleanupUnusedSounds(names);
    manager->loadNewSounds(names);
    return 0;
}

int assetManager_cleanupUnusedSounds(lua_State* L)
{
    std::set<std::string> names;
    AssetManager* manager = checkManagerAndList(L, "assetManager.cleanupUnusedSounds", names);
    manager->cleanupUnusedSounds(names);
    return 0;
}

int assetManager_loadImages(lua_State* L)
{
    std::set<std::string> names;
    AssetManager* manager = checkManagerAndList(L, "assetManager.loadImages", names);
    manager->loadNewImages(names);
    return 0;
}

int assetManager_loadSounds(lua_State* L)
{
    std::set<std::string> names;
    AssetManager* manager = checkManagerAndList(L, "assetManager.loadSounds", names);
    manager->loadNewSounds(names);
    return 0;
}

const luaL_Reg assetManager_functions[] = {
    {"new", tn_guarded<assetManager_new>},
    {"delete", assetManager_delete},
    {"loadImageForName", tn_guarded<assetManager_loadImageForName>},
    {"loadSoundForName", tn_guarded<assetManager_loadSoundForName>},
    {"unloadImage", tn_guarded<assetManager_unloadImage>},
    {"unloadAllImages", tn_guarded<assetManager_unloadAllImages>},
    {"unloadSound", tn_guarded<assetManager_unloadSound>},
    {"cleanupAndLoadImages", tn_guarded<assetManager_cleanupAndLoadImages>},
    {"cleanupUnusedImages", tn_guarded<assetManager_cleanupUnusedImages>},
    {"cleanupAndLoadSounds", tn_guarded<assetManager_cleanupAndLoadSounds>},
    {"cleanupUnusedSounds", tn_guarded<assetManager_cleanupUnusedSounds>},
    {"loadImages", tn_guarded<assetManager_loadImages>},
    {"loadSounds", tn_guarded<assetManager_loadSounds>},
    {nullptr, nullptr},
};

}  // namespace

int luaopen_assetManager(lua_State* L)
{
    luaL_register(L, "assetManager", assetManager_functions);
    tn_newtype(L, kAssetManager, nullptr);
    tn_pushmetatable(L, kAssetManager);
    lua_pushvalue(L, -2);
    lua_setfield(L, -2, "__index");
    lua_pop(L, 1);
    return 1;
}
