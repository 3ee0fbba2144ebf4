// The per-game cache of decoded images and sounds, keyed by asset name
// (exact bytes, case-sensitive). The engine script says where a name's file
// is (project:pathForImage / project:pathForSound); the cache decodes it
// once and keeps it until told to unload it. Cache entries own their
// texture and buffers; the values handed out are plain copies, valid while
// the entry stays cached.
//
// Loader nodes register themselves while they exist, so that unloading a
// name makes the nodes showing it compute again. A manager destroyed while
// loader nodes are still registered detaches them: from then on they
// output no asset and never reach the manager.
// Scenes and spaces hold a TNManagerLink to it, so loader nodes made after
// the manager is gone get none.
//
// Needs the GL context current for image work and the OpenAL context for
// sound work, on the thread that runs the Lua state.
#ifndef ASSET_MANAGER_H
#define ASSET_MANAGER_H

#include <map>
#include <set>
#include <string>

#include "audio/SGSound.h"
#include "images/SGImage.h"
#include "lua.h"
#include "lua/TNHandle.h"

#include "assets/AssetLoader.h"

class AssetManager {
public:
    // Names this manager while it lives (see TNManagerLink).
    TNHandle handle() const { return handle_; }

    using ImageCache = std::map<std::string, SGImage>;
    using SoundCache = std::map<std::string, SGSound>;

    // L is the state the path methods are called on; it must outlive the manager.
    explicit AssetManager(lua_State* L);
    // Frees every image, then every sound, then detaches the loader nodes
    // still registered.
    ~AssetManager();
    AssetManager(const AssetManager&) = delete;
    AssetManager& operator=(const AssetManager&) = delete;

    // The file path the engine script gives for a name: project:pathForImage(name)
    // (or pathForSound) called in protected mode. False, after one printed
    // line, when the method returns neither a string nor a number. An error
    // raised by the script (or a missing project or method) throws
    // AssetScriptError carrying its message.
    bool pathForImage(const std::string& name, std::string& path);
    bool pathForSound(const std::string& name, std::string& path);

    // Decodes and caches the image unless the name is cached. An unusable
    // file, or no path from the script, caches the missing-image picture
    // (or SGImageNull when there is none), and is not retried until erased.
    void loadImageForName(const std::string& name);
    SGImage imageForName(const std::string& name);
    // Decodes and caches the sound unless the name is cached; a sound that
    // fails to decode, or has no path, caches nothing.
    void loadSoundForName(const std::string& name);
    // As loadSoundForName; a name still not cached then caches SGSoundNull.
    SGSound soundForName(const std::string& name);

    // Remove the entry and free what it owned; an uncached name is ignored.
    void eraseImage(const std::string& name);
    void eraseImage(ImageCache::iterator entry);
    void eraseSound(const std::string& name);
    void eraseSound(SoundCache::iterator entry);

    // Erase, then mark the loader nodes showing the name dirty.
    void unloadImage(const std::string& name);
    void unloadSound(const std::string& name);
    void updateAllImageLoaders(const std::string& name);
    void updateAllSoundLoaders(const std::string& name);

    // Erase every entry whose name is not in keep (loader nodes not told).
    void cleanupUnusedImages(const std::set<std::string>& keep);
    void cleanupUnusedSounds(const std::set<std::string>& keep);
    // Load each name not cached yet, in ascending order.
    void loadNewImages(const std::set<std::string>& names);
    void loadNewSounds(const std::set<std::string>& names);
    // Erase every entry (loader nodes not told).
    void unloadAllImages();
    void unloadAllSounds();

    // Called by loader nodes from their constructors and destructors.
    void registerImageLoader(AssetLoader* node) { imageLoaders_.insert(node); }
    void unregisterImageLoader(AssetLoader* node) { imageLoaders_.erase(node); }
    void registerSoundLoader(AssetLoader* node) { soundLoaders_.insert(node); }
    void unregisterSoundLoader(AssetLoader* node) { soundLoaders_.erase(node); }

    size_t loaderNodeCount() const { return imageLoaders_.size() + soundLoaders_.size(); }
    // True while a path method of the script is running for this manager
    // (the manager must not be destroyed then).
    bool isAskingScript() const { return scriptCalls_ > 0; }
    const ImageCache& images() const { return images_; }
    const SoundCache& sounds() const { return sounds_; }

private:
    TNHandle handle_;
    bool askScriptForPath(const char* method, const std::string& name, std::string& path);

    std::set<AssetLoader*> soundLoaders_;   // not owned
    std::set<AssetLoader*> imageLoaders_;   // not owned
    lua_State* L_;                                // not owned
    ImageCache images_;
    SoundCache sounds_;
    int scriptCalls_ = 0;
};

#endif
