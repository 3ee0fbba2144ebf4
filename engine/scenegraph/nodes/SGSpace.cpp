#include "scenegraph/nodes/SGSpace.h"

#include <algorithm>
#include <unordered_set>

#include "scenegraph/SGHold.h"

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
    SGHold hold(this);  // the script may remove this space while it draws
    dirty = false;
    willRender();
    render();
    didRender();
}

namespace {

// The render nodes one pass draws: the list as it was when the pass began.
// Nodes the code run by the pass removes from the space are skipped from
// then on (the space keeps them alive until its last pass ends); nodes it
// adds wait for the next pass.
class SGRenderWalk {
public:
    SGRenderWalk(const std::vector<SGRenderNode*>& listed, const uint32_t& removals)
        : nodes_(listed), removals_(removals), seenRemovals_(removals)
    {
    }
    SGRenderWalk(const SGRenderWalk&) = delete;
    SGRenderWalk& operator=(const SGRenderWalk&) = delete;

    const std::vector<SGRenderNode*>& nodes() const { return nodes_; }

    // Whether node is still listed in current. Asked only after a removal,
    // so the plain pass costs nothing.
    bool stillListed(SGRenderNode* node, const std::vector<SGRenderNode*>& current)
    {
        if (removals_ == seenRemovals_ && !changed_)
            return true;
        if (removals_ != seenRemovals_) {
            seenRemovals_ = removals_;
            changed_ = true;
            listed_ = std::unordered_set<SGRenderNode*>(current.begin(), current.end());
        }
        return listed_.count(node) != 0;
    }

private:
    std::vector<SGRenderNode*> nodes_;
    const uint32_t& removals_;
    uint32_t seenRemovals_;
    bool changed_ = false;
    std::unordered_set<SGRenderNode*> listed_;
};

// Asks the processor for the first lines of a node a few places ahead, the
// ones a sprite's drawing reads: a large space no longer fits in the caches,
// and the nodes are drawn one after another, each waiting on its own misses.
void prefetchAhead(const std::vector<SGRenderNode*>& nodes, size_t current)
{
    constexpr size_t kDistance = 6;
    constexpr int kLines = 5;
    if (current + kDistance >= nodes.size())
        return;
    const char* ahead = reinterpret_cast<const char*>(nodes[current + kDistance]);
    for (int line = 0; line < kLines; ++line)
        __builtin_prefetch(ahead + line * 64);
}

}  // namespace

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
    // Held without touching each node: a node removed meanwhile is released
    // when the last pass over this space ends.
    ++walks_;
    struct Walking {
        SGSpace* space;
        ~Walking() { space->endWalk(); }
    } walking{this};
    SGRenderWalk walk(renderNodes, removals_);
    const std::vector<SGRenderNode*>& listed = walk.nodes();
    for (size_t i = 0; i < listed.size(); ++i) {
        SGRenderNode* node = listed[i];
        prefetchAhead(listed, i);
        if (!walk.stillListed(node, renderNodes))
            continue;
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
    releaseAfterWalks(node);
}

void SGSpace::addRenderNode(SGRenderNode* node)
{
    renderNodes.push_back(node);
}

void SGSpace::removeRenderNode(SGRenderNode* node)
{
    auto found = std::find(renderNodes.begin(), renderNodes.end(), node);
    if (found == renderNodes.end())
        return;
    renderNodes.erase(found);
    ++removals_;
}

void SGSpace::removeAllNodes()
{
    // Empty the lists first: a release may destroy a node whose ports release
    // further nodes, and nothing should then find stale entries here.
    std::vector<SGNode*> released;
    released.swap(nodes);
    renderNodes.clear();
    ++removals_;
    for (SGNode* node : released)
        releaseAfterWalks(node);
}

void SGSpace::releaseAfterWalks(SGNode* node)
{
    if (walks_ > 0)
        releasedDuringWalks_.push_back(node);
    else
        node->release();
}

void SGSpace::endWalk()
{
    if (--walks_ > 0)
        return;
    // A release may destroy a node whose ports release further nodes, or
    // (through the script) remove more nodes from this space: take the list
    // first.
    std::vector<SGNode*> released;
    released.swap(releasedDuringWalks_);
    for (SGNode* node : released)
        node->release();
}

void SGSpace::sortRenderNodes()
{
    std::sort(renderNodes.begin(), renderNodes.end(), SGRenderNode::compare);
}
