// Makes nodes by class bit: the node classes a space can create, and the
// space classes a scene can create at its top level. Each creatable class is
// one row of a table in SGNodeFactory.cpp.
#ifndef SG_NODE_FACTORY_H
#define SG_NODE_FACTORY_H

#include "lua/TNManagerLink.h"
#include "scenegraph/nodes/SGNodeClass.h"

class AssetManager;
class SGNode;
class SGSpace;
class SoundManager;

class SGNodeFactory {
public:
    // A new node of class cls for space (not yet added to it), holding its
    // creation reference; null when the class cannot be created in a space.
    static SGNode* createNode(SGNodeClass cls, SGSpace& space);
    // A new top-level space of class cls for a scene: a special space class
    // when one is listed for cls, otherwise a plain space.
    static SGSpace* createSceneSpace(SGNodeClass cls, TNManagerLink<SoundManager> soundManager,
                                     TNManagerLink<AssetManager> assetManager);
};

#endif
