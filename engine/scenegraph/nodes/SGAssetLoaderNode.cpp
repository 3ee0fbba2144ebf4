#include "scenegraph/nodes/SGAssetLoaderNode.h"

SGAssetLoaderNode::SGAssetLoaderNode(AssetManager* manager) : assetManager(manager)
{
    nodeClass |= SGAssetLoaderNodeClass;
}

std::string SGAssetLoaderNode::currentName()
{
    return name.sourcePort ? name.sourcePort->stringValue() : name.value;
}
