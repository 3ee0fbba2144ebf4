#include "scenegraph/nodes/SGNodeFactory.h"

#include "scenegraph/SGOrtho2DSpace.h"
#include "scenegraph/nodes/SGArithmeticNode.h"
#include "scenegraph/nodes/SGClearNode.h"
#include "scenegraph/nodes/SGColorNode.h"
#include "scenegraph/nodes/SGImageLoaderNode.h"
#include "scenegraph/nodes/SGParticleSystemNode.h"
#include "scenegraph/nodes/SGReplicatorNode.h"
#include "scenegraph/nodes/SGSoundListenerNode.h"
#include "scenegraph/nodes/SGSoundLoaderNode.h"
#include "scenegraph/nodes/SGSoundPlayerNode.h"
#include "scenegraph/nodes/SGSpace.h"
#include "scenegraph/nodes/SGStringToImageNode.h"
#include "scenegraph/nodes/SGSpriteNode.h"
#include "scenegraph/nodes/SGWrapNode.h"

namespace {

// Constructor shapes of the node classes. A row below picks the one its
// class needs.
template <class Node>
SGNode* makeNode(SGSpace&)
{
    return new Node();
}

// Loader nodes take the space's asset manager, or none when it was deleted
// (the manager detaches the loaders it knows when it goes).
template <class Node>
SGNode* makeWithAssetManager(SGSpace& space)
{
    return new Node(space.assetManager.get());
}

// Sound player nodes take the link to the space's sound manager.
template <class Node>
SGNode* makeWithSoundManager(SGSpace& space)
{
    return new Node(space.soundManager);
}

// Spaces inside a space take it as their parent.
template <class Node>
SGNode* makeChildSpace(SGSpace& space)
{
    return new Node(space);
}

template <class Space>
SGSpace* makeSceneSpace(TNManagerLink<SoundManager> soundManager, TNManagerLink<AssetManager> assetManager)
{
    return new Space(soundManager, assetManager);
}

struct NodeMaker {
    SGNodeClass cls;
    SGNode* (*make)(SGSpace& space);
};

// The classes SGSpace::createNode can make, one row each.
const NodeMaker kNodeMakers[] = {
    {SGArithmeticNodeClass, makeNode<SGArithmeticNode>},
    {SGClearNodeClass, makeNode<SGClearNode>},
    {SGColorNodeClass, makeNode<SGColorNode>},
    {SGImageLoaderNodeClass, makeWithAssetManager<SGImageLoaderNode>},
    {SGSpaceClass, makeChildSpace<SGSpace>},
    {SGSoundListenerNodeClass, makeNode<SGSoundListenerNode>},
    {SGSoundLoaderNodeClass, makeWithAssetManager<SGSoundLoaderNode>},
    {SGSoundPlayerNodeClass, makeWithSoundManager<SGSoundPlayerNode>},
    {SGStringToImageNodeClass, makeNode<SGStringToImageNode>},
    {SGParticleSystemNodeClass, makeNode<SGParticleSystemNode>},
    {SGReplicatorSpaceClass, makeChildSpace<SGReplicatorNode>},
    {SGSpriteNodeClass, makeNode<SGSpriteNode>},
    {SGWrapSpaceClass, makeChildSpace<SGWrapNode>},
    {0, nullptr},
};

struct SceneSpaceMaker {
    SGNodeClass cls;
    SGSpace* (*make)(TNManagerLink<SoundManager> soundManager, TNManagerLink<AssetManager> assetManager);
};

// Top-level space classes other than the plain space, one row each.
const SceneSpaceMaker kSceneSpaceMakers[] = {
    {SGOrtho2DSpaceClass, makeSceneSpace<SGOrtho2DSpace>},
    {0, nullptr},
};

}  // namespace

SGNode* SGNodeFactory::createNode(SGNodeClass cls, SGSpace& space)
{
    for (const NodeMaker* row = kNodeMakers; row->make; ++row) {
        if (row->cls == cls)
            return row->make(space);
    }
    return nullptr;
}

SGSpace* SGNodeFactory::createSceneSpace(SGNodeClass cls, TNManagerLink<SoundManager> soundManager,
                                         TNManagerLink<AssetManager> assetManager)
{
    for (const SceneSpaceMaker* row = kSceneSpaceMakers; row->make; ++row) {
        if (row->cls == cls)
            return row->make(soundManager, assetManager);
    }
    return makeSceneSpace<SGSpace>(soundManager, assetManager);
}
