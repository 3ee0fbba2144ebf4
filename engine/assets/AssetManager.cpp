#include "assets/AssetManager.h"

#include <vector>

#include "assets/AssetScriptError.h"
#include "lua/TNHandle.h"
#include "lauxlib.h"
#include "images/TNLoadImageFromFile.h"
#include "log/TNLog.h"

namespace {

// (method name, asset name) -> project:method(name). The lookups run inside
// the protected call too, so a missing project or method is a Lua error
// with a clear message rather than an unprotected one.
int callPathMethod(lua_State* L)
{
    lua_getfield(L, LUA_GLOBALSINDEX, "project");
    if (lua_isnil(L, -1))
        return luaL_error(L, "the global 'project' is not set");
    lua_getfield(L, -1, lua_tostring(L, 1));
    if (lua_isnil(L, -1))
        return luaL_error(L, "project has no method '%s'", lua_tostring(L, 1));
    lua_insert(L, -2);  // function, project
    lua_pushvalue(L, 2);
    lua_call(L, 2, 1);
    return 1;
}

// Counts a running script call for as long as it is in scope.
class ScriptCall {
public:
    explicit ScriptCall(int& calls) : calls_(calls) { ++calls_; }
    ~ScriptCall() { --calls_; }
    ScriptCall(const ScriptCall&) = delete;
    ScriptCall& operator=(const ScriptCall&) = delete;

private:
    int& calls_;
};

std::string errorMessage(lua_State* L, int index)
{
    if (lua_type(L, index) == LUA_TSTRING || lua_type(L, index) == LUA_TNUMBER)
        return lua_tostring(L, index);
    return std::string("(error object is a ") + luaL_typename(L, index) + " value)";
}

}  // namespace

AssetManager::AssetManager(lua_State* L) : L_(L)
{
    handle_ = TNHandleTable::add(this);
}

AssetManager::~AssetManager()
{
    // From here on the links of scenes and spaces find no manager.
    TNHandleTable::remove(handle_);
    unloadAllImages();
    unloadAllSounds();
    // Detaching does not touch the registries, but iterate copies anyway.
    const std::vector<AssetLoader*> images(imageLoaders_.begin(), imageLoaders_.end());
    const std::vector<AssetLoader*> sounds(soundLoaders_.begin(), soundLoaders_.end());
    for (AssetLoader* node : images)
        node->detachFromManager();
    for (AssetLoader* node : sounds)
        node->detachFromManager();
}

bool AssetManager::askScriptForPath(const char* method, const std::string& name, std::string& path)
{
    lua_State* L = L_;
    const std::string call = std::string("project:") + method + "(\"" + name + "\")";
    if (lua_status(L) != 0)
        throw AssetScriptError(call + " cannot be made: the coroutine that created the manager is suspended");
    if (!lua_checkstack(L, 4))
        throw AssetScriptError(call + " cannot be made: the Lua stack is full");
    const int top = lua_gettop(L);
    int status = 0;
    {
        ScriptCall counted(scriptCalls_);
        lua_pushcfunction(L, callPathMethod);
        lua_pushstring(L, method);
        lua_pushlstring(L, name.data(), name.size());
        status = lua_pcall(L, 2, 1, 0);
    }
    if (status != 0) {
        const std::string message = errorMessage(L, -1);
        lua_settop(L, top);
        throw AssetScriptError(call + " failed: " + message);
    }
    const int type = lua_type(L, -1);
    const bool isText = type == LUA_TSTRING || type == LUA_TNUMBER;
    if (isText) {
        size_t length = 0;
        const char* text = lua_tolstring(L, -1, &length);
        path.assign(text, length);
    } else {
        TNLog("AssetManager: %s returned a %s value, not a path; the file counts as missing",
                     call.c_str(), lua_typename(L, type));
    }
    lua_settop(L, top);
    return isText;
}

bool AssetManager::pathForImage(const std::string& name, std::string& path)
{
    return askScriptForPath("pathForImage", name, path);
}

bool AssetManager::pathForSound(const std::string& name, std::string& path)
{
    return askScriptForPath("pathForSound", name, path);
}

void AssetManager::loadImageForName(const std::string& name)
{
    if (images_.count(name))
        return;
    std::string path;
    const bool havePath = pathForImage(name, path);
    if (images_.count(name))
        return;  // the path method loaded it itself
    SGImage image = havePath ? TNLoadImageFromFile(path.c_str()) : TNLoadMissingImage();
    try {
        images_.emplace(name, image);
    } catch (...) {
        if (image.isPresent())
            image.freeImage();
        throw;
    }
}

SGImage AssetManager::imageForName(const std::string& name)
{
    loadImageForName(name);
    const auto entry = images_.find(name);
    return entry != images_.end() ? entry->second : SGImageNull;
}

void AssetManager::loadSoundForName(const std::string& name)
{
    if (sounds_.count(name))
        return;
    std::string path;
    if (!pathForSound(name, path) || sounds_.count(name))
        return;
    // Decoding failures throw (an int, or std::bad_alloc): nothing is cached
    // and the name is tried again next time.
    try {
        SGSound sound = SGSound::loadFromFile(path.c_str());
        try {
            sounds_.emplace(name, sound);
        } catch (...) {
            sound.freeSound();
            throw;
        }
    } catch (...) {
    }
}

SGSound AssetManager::soundForName(const std::string& name)
{
    loadSoundForName(name);
    return sounds_.emplace(name, SGSoundNull).first->second;
}

void AssetManager::eraseImage(const std::string& name)
{
    const auto entry = images_.find(name);
    if (entry != images_.end())
        eraseImage(entry);
}

void AssetManager::eraseImage(ImageCache::iterator entry)
{
    SGImage image = entry->second;
    images_.erase(entry);
    if (image.isPresent())
        image.freeImage();
}

void AssetManager::eraseSound(const std::string& name)
{
    const auto entry = sounds_.find(name);
    if (entry != sounds_.end())
        eraseSound(entry);
}

void AssetManager::eraseSound(SoundCache::iterator entry)
{
    SGSound sound = entry->second;
    sounds_.erase(entry);
    sound.freeSound();
}

void AssetManager::unloadImage(const std::string& name)
{
    eraseImage(name);
    updateAllImageLoaders(name);
}

void AssetManager::unloadSound(const std::string& name)
{
    eraseSound(name);
    updateAllSoundLoaders(name);
}

void AssetManager::updateAllImageLoaders(const std::string& name)
{
    for (AssetLoader* node : imageLoaders_) {
        if (node->currentName() == name)
            node->assetDidChange();
    }
}

void AssetManager::updateAllSoundLoaders(const std::string& name)
{
    for (AssetLoader* node : soundLoaders_) {
        if (node->currentName() == name)
            node->assetDidChange();
    }
}

void AssetManager::cleanupUnusedImages(const std::set<std::string>& keep)
{
    for (auto entry = images_.begin(); entry != images_.end();) {
        auto current = entry++;
        if (!keep.count(current->first))
            eraseImage(current);
    }
}

void AssetManager::cleanupUnusedSounds(const std::set<std::string>& keep)
{
    for (auto entry = sounds_.begin(); entry != sounds_.end();) {
        auto current = entry++;
        if (!keep.count(current->first))
            eraseSound(current);
    }
}

void AssetManager::loadNewImages(const std::set<std::string>& names)
{
    for (const std::string& name : names) {
        if (!images_.count(name))
            loadImageForName(name);
    }
}

void AssetManager::loadNewSounds(const std::set<std::string>& names)
{
    for (const std::string& name : names) {
        if (!sounds_.count(name))
            loadSoundForName(name);
    }
}

void AssetManager::unloadAllImages()
{
    while (!images_.empty())
        eraseImage(images_.begin());
}

void AssetManager::unloadAllSounds()
{
    while (!sounds_.empty())
        eraseSound(sounds_.begin());
}
