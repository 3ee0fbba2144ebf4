#include "scenegraph/nodes/SGAssetLoaderNode.h"

SGAssetLoaderNode::SGAssetLoaderNode(AssetManager* manager) : assetManager(manager)
{
    nodeClass |= SGAssetLoaderNodeClass;
}

std::string SGAssetLoaderNode::currentName()
{
    return name.sourcePort ? name.sourcePort->stringValue() : name.value;
}

SGPort* SGAssetLoaderNode::portForID(SGPortID id)
{
    switch (id) {
    case SGPortID_name: return &name;
    case SGPortID_asset: return assetPort();
    default: return nullptr;
    }
}
