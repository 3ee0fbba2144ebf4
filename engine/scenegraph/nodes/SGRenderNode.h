// A node that draws from its compute(), which its space calls on every
// render. Render nodes are drawn in their space's list order; the layer
// decides that order only when the space sorts its list.
#ifndef SG_RENDER_NODE_H
#define SG_RENDER_NODE_H

#include <cstdint>

#include "scenegraph/nodes/SGNode.h"

class SGRenderNode : public SGNode {
public:
    SGRenderNode() { nodeClass |= SGRenderNodeClass; }

    // True when a is drawn before b after sorting.
    static bool compare(const SGRenderNode* a, const SGRenderNode* b) { return a->layer < b->layer; }

    int32_t layer = 0;
};

#endif
