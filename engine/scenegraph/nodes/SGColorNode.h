// Assembles a colour from four numbers, unclamped.
#ifndef SG_COLOR_NODE_H
#define SG_COLOR_NODE_H

#include "scenegraph/nodes/SGNode.h"
#include "scenegraph/ports/SGValuePort.h"

class SGColorNode : public SGNode {
public:
    SGColorNode();

    void compute() override;
    SGPort* portForID(SGPortID id) override;

    SGNumberPort r;
    SGNumberPort g;
    SGNumberPort b;
    SGNumberPort a;
    SGColorPort output;
};

#endif
