// Puts the image of the name on its name port, from the asset manager's
// cache, on its asset output: SGImageNull for an empty name.
#ifndef SG_IMAGE_LOADER_NODE_H
#define SG_IMAGE_LOADER_NODE_H

#include "scenegraph/nodes/SGAssetLoaderNode.h"
#include "scenegraph/ports/SGValuePort.h"

class SGImageLoaderNode : public SGAssetLoaderNode {
public:
    // Registers with manager (when there is one) until destroyed.
    explicit SGImageLoaderNode(AssetManager* manager);
    ~SGImageLoaderNode() override;

    // Asks the manager, which loads the image on first use. An error of the
    // engine script's path method propagates (AssetScriptError), leaving
    // the node dirty so that the next read asks again.
    void compute() override;

    // Called by a manager being destroyed: the node forgets it, drops its
    // image and marks what depends on it dirty.
    void detachFromManager() override;
    void assetDidChange() override { asset.markAsDirty(); }

    SGImagePort asset;

protected:
    SGPort* assetPort() override { return &asset; }
};

#endif
