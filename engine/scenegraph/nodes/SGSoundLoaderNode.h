// Puts the sound of the name on its name port, from the asset manager's
// cache, on its asset output. An empty name leaves the output as it was.
#ifndef SG_SOUND_LOADER_NODE_H
#define SG_SOUND_LOADER_NODE_H

#include "scenegraph/nodes/SGAssetLoaderNode.h"
#include "scenegraph/ports/SGValuePort.h"

class SGSoundLoaderNode : public SGAssetLoaderNode {
public:
    // Registers with manager (when there is one) until destroyed.
    explicit SGSoundLoaderNode(AssetManager* manager);
    ~SGSoundLoaderNode() override;

    // Asks the manager, which loads the sound on first use; without a
    // manager the output is SGSoundNull. An error of the engine script's
    // path method propagates, leaving the node dirty.
    void compute() override;

    // Called by a manager being destroyed: the node forgets it, drops its
    // sound (whose buffers are gone) and marks what depends on it dirty.
    void detachFromManager() override;
    void assetDidChange() override { asset.markAsDirty(); }

    SGSoundPort asset;

protected:
    SGPort* assetPort() override { return &asset; }
};

#endif
