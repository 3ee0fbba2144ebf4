// The common part of the image and sound loader nodes: the name input and
// the asset manager the node asks. Never created on its own.
#ifndef SG_ASSET_LOADER_NODE_H
#define SG_ASSET_LOADER_NODE_H

#include <string>

#include "assets/AssetLoader.h"
#include "scenegraph/nodes/SGNode.h"
#include "scenegraph/ports/SGValuePort.h"

class AssetManager;

class SGAssetLoaderNode : public SGNode, public AssetLoader {
public:
    // manager may be null (a scene made without one): the node then
    // outputs no asset.
    explicit SGAssetLoaderNode(AssetManager* manager);
    ~SGAssetLoaderNode() override = default;

    // The text on the name port, read without computing this node (a
    // connected source is brought up to date as any read does), so that
    // the manager can compare names without loading anything.
    std::string currentName() override;
    // name, and the asset output of the concrete loader.
    SGPort* portForID(SGPortID id) override;

    SGStringPort name;
    AssetManager* assetManager;  // not owned; null once the manager is destroyed

protected:
    virtual SGPort* assetPort() = 0;
};

#endif
