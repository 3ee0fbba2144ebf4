// A render node that owns other nodes and draws its render nodes in list
// order between willRender() and didRender().
#ifndef SG_SPACE_H
#define SG_SPACE_H

#include <vector>

#include "lua/TNManagerLink.h"
#include "scenegraph/nodes/SGRenderNode.h"

class AssetManager;
class SoundManager;

class SGSpace : public SGRenderNode {
public:
    SGSpace(TNManagerLink<SoundManager> soundManager, TNManagerLink<AssetManager> assetManager);
    // A space inside parent, sharing its managers.
    explicit SGSpace(SGSpace& parent);
    ~SGSpace() override;

    void compute() override;
    // Calls compute() of every render node in list order. The list is the
    // one of the moment render() starts, each node kept alive meanwhile; a node
    // the code it calls removes from this space is not drawn from then on,
    // and a node it adds is drawn from the next render().
    virtual void render();
    // Set up and restore drawing state around render(); nothing here.
    virtual void willRender() {}
    virtual void didRender() {}

    // Creates a node of class cls (see SGNodeFactory) and adds it; null,
    // with nothing changed, for a class that cannot be created here.
    SGNode* createNode(SGNodeClass cls);
    // Takes over the caller's reference.
    void addNode(SGNode* node);
    // Releases the node if it is in this space; ignores it otherwise.
    void removeNode(SGNode* node);
    void addRenderNode(SGRenderNode* node);
    void removeRenderNode(SGRenderNode* node);
    void removeAllNodes();
    // Orders render nodes by ascending layer (not a stable sort).
    void sortRenderNodes();
    int countRenderNodes() const { return static_cast<int>(renderNodes.size()); }

    std::vector<SGNode*> nodes;               // one reference held on each
    std::vector<SGRenderNode*> renderNodes;   // the render nodes among nodes
    // Handed to the nodes made here; the managers may be deleted before the space.
    TNManagerLink<AssetManager> assetManager;
    TNManagerLink<SoundManager> soundManager;

private:
    // Releases the space's reference on node, or, while a render pass runs,
    // when the last one ends.
    void releaseAfterWalks(SGNode* node);
    void endWalk();

    uint32_t removals_ = 0;  // counts removals from renderNodes, for walks in progress
    int walks_ = 0;          // render passes in progress
    std::vector<SGNode*> releasedDuringWalks_;
};

#endif
