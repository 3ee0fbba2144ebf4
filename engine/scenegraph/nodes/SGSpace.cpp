#include "scenegraph/nodes/SGSpace.h"

#include <algorithm>

#include "scenegraph/nodes/SGNodeFactory.h"
#include "scenegraph/drawing/SGQuadBatch.h"

SGSpace::SGSpace(TNManagerLink<SoundManager> soundManager, TNManagerLink<AssetManager> assetManager)
    : assetManager(assetManager), soundManager(soundManager)
{
    nodeClass |= SGSpaceClass;
}

SGSpace::SGSpace(SGSpace& parent) : SGSpace(parent.soundManager, parent.assetManager) {}

SGSpace::~SGSpace()
{
    removeAllNodes();
}

void SGSpace::compute()
{
    dirty = false;
    willRender();
    render();
    didRender();
}

void SGSpace::render()
{
    // Sprites and particle systems add their quads to the shared batch; it
    // is drawn before any other node touches GL state or the matrices, and
    // at the end of the pass (the caller may change the matrices next).
    const bool batching = SGQuadBatch::enabled();
    SGQuadBatch& batch = SGQuadBatch::shared();
    // Ends the pass also when a node's compute raises an error, so what was
    // collected is drawn as the immediate path would have drawn it.
    struct Pass {
        SGQuadBatch* batch;
        ~Pass()
        {
            if (batch)
                batch->endPass();
        }
    } pass{batching ? &batch : nullptr};
    if (batching)
        batch.beginPass();
    for (SGRenderNode* node : renderNodes) {
        if (batching && !node->isKindOf(SGSpriteNodeClass) && !node->isKindOf(SGParticleSystemNodeClass))
            batch.flush();
        node->compute();
    }
}

SGNode* SGSpace::createNode(SGNodeClass cls)
{
    SGNode* node = SGNodeFactory::createNode(cls, *this);
    if (node)
        addNode(node);
    return node;
}

void SGSpace::addNode(SGNode* node)
{
    nodes.push_back(node);
    if (node->isKindOf(SGRenderNodeClass))
        renderNodes.push_back(static_cast<SGRenderNode*>(node));
}

void SGSpace::removeNode(SGNode* node)
{
    auto found = std::find(nodes.begin(), nodes.end(), node);
    if (found == nodes.end())
        return;
    if (node->isKindOf(SGRenderNodeClass))
        removeRenderNode(static_cast<SGRenderNode*>(node));
    nodes.erase(found);
    node->release();
}

void SGSpace::addRenderNode(SGRenderNode* node)
{
    renderNodes.push_back(node);
}

void SGSpace::removeRenderNode(SGRenderNode* node)
{
    auto found = std::find(renderNodes.begin(), renderNodes.end(), node);
    if (found != renderNodes.end())
        renderNodes.erase(found);
}

void SGSpace::removeAllNodes()
{
    // Empty the lists first: a release may destroy a node whose ports release
    // further nodes, and nothing should then find stale entries here.
    std::vector<SGNode*> released;
    released.swap(nodes);
    renderNodes.clear();
    for (SGNode* node : released)
        node->release();
}

void SGSpace::sortRenderNodes()
{
    std::sort(renderNodes.begin(), renderNodes.end(), SGRenderNode::compare);
}
