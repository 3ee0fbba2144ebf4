// A manager is a full userdata holding an AssetManager pointer (null after
// delete) with the metatable "AssetManager.MT"; there is no __gc, the
// manager lives until the script deletes it. Every function takes its
// arguments counted from the top of the stack: the manager one below the
// top and the name or list at the top (functions without a name or list
// take the manager at the top). Names are strings or numbers (7 names the
// asset "7"); a list is a table whose values are names, keys ignored.
#include "assets/wrap_AssetManager.h"

#include <exception>
#include <set>
#include <string>

#include "assets/AssetManager.h"
#include "lauxlib.h"

namespace {

const char* const kMetatableName = "AssetManager.MT";

// Absolute index of the k-th (from 1) of the last n arguments, or 0 when
// the call gave fewer than n.
int lastArg(lua_State* L, int n, int k)
{
    const int index = lua_gettop(L) - n + k;
    return index >= 1 ? index : 0;
}

const char* typeNameAt(lua_State* L, int index)
{
    return index > 0 ? luaL_typename(L, index) : "no value";
}

// The box of the manager object at index, or null for any other value.
AssetManager** toBox(lua_State* L, int index)
{
    if (index <= 0 || lua_type(L, index) != LUA_TUSERDATA || !lua_getmetatable(L, index))
        return nullptr;
    luaL_getmetatable(L, kMetatableName);
    const bool isManager = lua_rawequal(L, -1, -2) != 0;
    lua_pop(L, 2);
    return isManager ? static_cast<AssetManager**>(lua_touserdata(L, index)) : nullptr;
}

// The live manager at index; a Lua error naming fn for anything else.
AssetManager* checkManager(lua_State* L, int index, const char* fn)
{
    AssetManager** box = toBox(L, index);
    if (!box)
        luaL_error(L, "%s: asset manager expected, got %s", fn, typeNameAt(L, index));
    if (!*box)
        luaL_error(L, "%s: the asset manager was deleted", fn);
    return *box;
}

bool isName(lua_State* L, int index)
{
    const int type = lua_type(L, index);
    return type == LUA_TSTRING || type == LUA_TNUMBER;
}

// The name at index (a number becomes its string form).
std::string checkName(lua_State* L, int index, const char* fn)
{
    if (index <= 0 || !isName(L, index))
        luaL_error(L, "%s: asset name (string or number) expected, got %s", fn, typeNameAt(L, index));
    size_t length = 0;
    const char* text = lua_tolstring(L, index, &length);
    return std::string(text, length);
}

// The values of the list at index, duplicates once.
std::set<std::string> checkNameList(lua_State* L, int index, const char* fn)
{
    if (index <= 0 || !lua_istable(L, index))
        luaL_error(L, "%s: list of asset names expected, got %s", fn, typeNameAt(L, index));
    luaL_checkstack(L, 3, fn);
    std::set<std::string> names;
    lua_pushnil(L);
    while (lua_next(L, index) != 0) {
        if (!isName(L, -1))
            luaL_error(L, "%s: the list holds a %s where an asset name belongs", fn, luaL_typename(L, -1));
        size_t length = 0;
        const char* text = lua_tolstring(L, -1, &length);  // converts the value only, never the key
        names.emplace(text, length);
        lua_pop(L, 1);
    }
    return names;
}

// Runs a manager operation; an exception (a failed path method, memory)
// becomes a Lua error raised after the catch block.
template <class Operation>
int run(lua_State* L, const char* fn, Operation operation)
{
    std::string failure;
    try {
        operation();
        return 0;
    } catch (const std::exception& e) {
        failure = e.what();
    }
    return luaL_error(L, "%s: %s", fn, failure.c_str());
}

// () -> manager bound to the calling state
int assetManager_new(lua_State* L)
{
    auto** box = static_cast<AssetManager**>(lua_newuserdata(L, sizeof(AssetManager*)));
    *box = nullptr;
    luaL_getmetatable(L, kMetatableName);
    lua_setmetatable(L, -2);
    // The manager calls the script on this state: keep it (a coroutine,
    // maybe) alive through the userdata's environment.
    lua_createtable(L, 1, 0);
    lua_pushthread(L);
    lua_rawseti(L, -2, 1);
    lua_setfenv(L, -2);
    std::string failure;
    try {
        *box = new AssetManager(L);
    } catch (const std::exception& e) {
        failure = e.what();
    }
    if (!failure.empty())
        return luaL_error(L, "assetManager.new: %s", failure.c_str());
    return 1;
}

// (manager) -> (); a second delete or a value that is no manager does
// nothing. Loader nodes still using the manager are detached (they output
// no asset from then on) and reported as a Lua error after the deletion.
int assetManager_delete(lua_State* L)
{
    AssetManager** box = toBox(L, lua_gettop(L));
    if (!box || !*box)
        return 0;
    AssetManager* manager = *box;
    if (manager->isAskingScript())
        return luaL_error(L, "assetManager.delete: the manager cannot be deleted from inside its own "
                             "project:pathForImage or project:pathForSound call");
    const size_t detached = manager->loaderNodeCount();
    *box = nullptr;
    delete manager;
    if (detached > 0)
        return luaL_error(L, "assetManager.delete: %d loader node(s) still used the manager; they now output no "
                             "asset (delete the scenes before the manager)", static_cast<int>(detached));
    return 0;
}

int assetManager_loadImageForName(lua_State* L)
{
    const char* fn = "assetManager.loadImageForName";
    AssetManager* manager = checkManager(L, lastArg(L, 2, 1), fn);
    const std::string name = checkName(L, lastArg(L, 2, 2), fn);
    return run(L, fn, [&] { manager->loadImageForName(name); });
}

int assetManager_loadSoundForName(lua_State* L)
{
    const char* fn = "assetManager.loadSoundForName";
    AssetManager* manager = checkManager(L, lastArg(L, 2, 1), fn);
    const std::string name = checkName(L, lastArg(L, 2, 2), fn);
    return run(L, fn, [&] { manager->loadSoundForName(name); });
}

int assetManager_unloadImage(lua_State* L)
{
    const char* fn = "assetManager.unloadImage";
    AssetManager* manager = checkManager(L, lastArg(L, 2, 1), fn);
    const std::string name = checkName(L, lastArg(L, 2, 2), fn);
    return run(L, fn, [&] { manager->unloadImage(name); });
}

int assetManager_unloadAllImages(lua_State* L)
{
    const char* fn = "assetManager.unloadAllImages";
    AssetManager* manager = checkManager(L, lastArg(L, 1, 1), fn);
    return run(L, fn, [&] { manager->unloadAllImages(); });
}

int assetManager_unloadSound(lua_State* L)
{
    const char* fn = "assetManager.unloadSound";
    AssetManager* manager = checkManager(L, lastArg(L, 2, 1), fn);
    const std::string name = checkName(L, lastArg(L, 2, 2), fn);
    return run(L, fn, [&] { manager->unloadSound(name); });
}

int assetManager_cleanupAndLoadImages(lua_State* L)
{
    const char* fn = "assetManager.cleanupAndLoadImages";
    AssetManager* manager = checkManager(L, lastArg(L, 2, 1), fn);
    const std::set<std::string> names = checkNameList(L, lastArg(L, 2, 2), fn);
    return run(L, fn, [&] {
        manager->cleanupUnusedImages(names);
        manager->loadNewImages(names);
    });
}

int assetManager_cleanupUnusedImages(lua_State* L)
{
    const char* fn = "assetManager.cleanupUnusedImages";
    AssetManager* manager = checkManager(L, lastArg(L, 2, 1), fn);
    const std::set<std::string> names = checkNameList(L, lastArg(L, 2, 2), fn);
    return run(L, fn, [&] { manager->cleanupUnusedImages(names); });
}

int assetManager_cleanupAndLoadSounds(lua_State* L)
{
    const char* fn = "assetManager.cleanupAndLoadSounds";
    AssetManager* manager = checkManager(L, lastArg(L, 2, 1), fn);
    const std::set<std::string> names = checkNameList(L, lastArg(L, 2, 2), fn);
    return run(L, fn, [&] {
        manager->cleanupUnusedSounds(names);
        manager->loadNewSounds(names);
    });
}

int assetManager_cleanupUnusedSounds(lua_State* L)
{
    const char* fn = "assetManager.cleanupUnusedSounds";
    AssetManager* manager = checkManager(L, lastArg(L, 2, 1), fn);
    const std::set<std::string> names = checkNameList(L, lastArg(L, 2, 2), fn);
    return run(L, fn, [&] { manager->cleanupUnusedSounds(names); });
}

int assetManager_loadImages(lua_State* L)
{
    const char* fn = "assetManager.loadImages";
    AssetManager* manager = checkManager(L, lastArg(L, 2, 1), fn);
    const std::set<std::string> names = checkNameList(L, lastArg(L, 2, 2), fn);
    return run(L, fn, [&] { manager->loadNewImages(names); });
}

int assetManager_loadSounds(lua_State* L)
{
    const char* fn = "assetManager.loadSounds";
    AssetManager* manager = checkManager(L, lastArg(L, 2, 1), fn);
    const std::set<std::string> names = checkNameList(L, lastArg(L, 2, 2), fn);
    return run(L, fn, [&] { manager->loadNewSounds(names); });
}

const luaL_Reg assetManager_functions[] = {
    {"new", assetManager_new},
    {"delete", assetManager_delete},
    {"loadImageForName", assetManager_loadImageForName},
    {"loadSoundForName", assetManager_loadSoundForName},
    {"unloadImage", assetManager_unloadImage},
    {"unloadAllImages", assetManager_unloadAllImages},
    {"unloadSound", assetManager_unloadSound},
    {"cleanupAndLoadImages", assetManager_cleanupAndLoadImages},
    {"cleanupUnusedImages", assetManager_cleanupUnusedImages},
    {"cleanupAndLoadSounds", assetManager_cleanupAndLoadSounds},
    {"cleanupUnusedSounds", assetManager_cleanupUnusedSounds},
    {"loadImages", assetManager_loadImages},
    {"loadSounds", assetManager_loadSounds},
    {nullptr, nullptr},
};

}  // namespace

int luaopen_assetManager(lua_State* L)
{
    luaL_register(L, "assetManager", assetManager_functions);
    luaL_newmetatable(L, kMetatableName);
    lua_pushvalue(L, -2);
    lua_setfield(L, -2, "__index");
    lua_pop(L, 1);
    return 1;
}
