#include "scenegraph/nodes/SGImageLoaderNode.h"

#include "assets/AssetManager.h"

SGImageLoaderNode::SGImageLoaderNode(AssetManager* manager) : SGAssetLoaderNode(manager)
{
    asset.value = SGImageNull;
    nodeClass |= SGImageLoaderNodeClass;
    addOutputPort(&asset, IMAGE);
    addInputPort(&name, STRING);
    if (assetManager)
        assetManager->registerImageLoader(this);
}

SGImageLoaderNode::~SGImageLoaderNode()
{
    if (assetManager)
        assetManager->unregisterImageLoader(this);
}

void SGImageLoaderNode::compute()
{
    const std::string text = name.stringValue();
    if (text.empty() || !assetManager) {
        asset.value = SGImageNull;
        return;
    }
    try {
        asset.value = assetManager->imageForName(text);
    } catch (...) {
        dirty = true;
        throw;
    }
}

void SGImageLoaderNode::detachFromManager()
{
    assetManager = nullptr;
    asset.value = SGImageNull;
    asset.markAsDirty();
}
