#include "scenegraph/nodes/SGSoundLoaderNode.h"

#include "assets/AssetManager.h"

SGSoundLoaderNode::SGSoundLoaderNode(AssetManager* manager) : SGAssetLoaderNode(manager)
{
    asset.value = SGSoundNull;
    nodeClass |= SGSoundLoaderNodeClass;
    addOutputPort(&asset, SOUND);
    addInputPort(&name, STRING);
    if (assetManager)
        assetManager->registerSoundLoader(this);
}

SGSoundLoaderNode::~SGSoundLoaderNode()
{
    if (assetManager)
        assetManager->unregisterSoundLoader(this);
}

void SGSoundLoaderNode::compute()
{
    if (!assetManager) {
        asset.value = SGSoundNull;
        return;
    }
    const std::string text = name.stringValue();
    if (text.empty())
        return;
    try {
        asset.value = assetManager->soundForName(text);
    } catch (...) {
        dirty = true;
        throw;
    }
}

void SGSoundLoaderNode::detachFromManager()
{
    assetManager = nullptr;
    asset.value = SGSoundNull;
    asset.markAsDirty();
}
