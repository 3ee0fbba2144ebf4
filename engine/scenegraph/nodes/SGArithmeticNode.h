// output = input1 <operation> input2, with operation one of + - * / %.
#ifndef SG_ARITHMETIC_NODE_H
#define SG_ARITHMETIC_NODE_H

#include "scenegraph/nodes/SGNode.h"
#include "scenegraph/ports/SGValuePort.h"

class SGArithmeticNode : public SGNode {
public:
    SGArithmeticNode();

    void compute() override;
    SGPort* portForID(SGPortID id) override;

    SGNumberPort input1;
    SGNumberPort input2;
    SGStringPort operation;  // read from its stored value: a connection is ignored
    SGNumberPort output;
};

#endif
