// What the asset manager knows of a node that loads through it: the name
// the node asks for, how to tell it the cached asset of that name changed,
// and how to tell it the manager is going away.
#ifndef ASSET_LOADER_H
#define ASSET_LOADER_H

#include <string>

class AssetLoader {
public:
    // The name the loader currently asks for, read without loading anything.
    virtual std::string currentName() = 0;
    // The cached asset of currentName() was unloaded or replaced.
    virtual void assetDidChange() = 0;
    // The manager is being destroyed: forget it and drop the asset.
    virtual void detachFromManager() = 0;

protected:
    ~AssetLoader() = default;
};

#endif
