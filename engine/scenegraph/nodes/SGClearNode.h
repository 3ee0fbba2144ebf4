// A render node that clears the colour and depth buffers to its colour.
// Where it stands in its space's render order decides what it wipes.
#ifndef SG_CLEAR_NODE_H
#define SG_CLEAR_NODE_H

#include "scenegraph/nodes/SGRenderNode.h"
#include "scenegraph/ports/SGValuePort.h"

class SGClearNode : public SGRenderNode {
public:
    SGClearNode();

    void compute() override;
    // The colour port, whatever the identifier.
    SGPort* portForID(SGPortID id) override;

    SGColorPort color;
};

#endif
