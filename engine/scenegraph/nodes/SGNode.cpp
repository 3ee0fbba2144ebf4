#include "scenegraph/nodes/SGNode.h"

SGPort* SGNode::portForID(SGPortID)
{
    return nullptr;
}

void SGNode::update()
{
    if (!dirty)
        return;
    dirty = false;
    compute();
}

void SGNode::addOutputPort(SGPort* port, SGPortValueType type)
{
    port->type = type;
    port->node = this;
    outputPorts.push_back(port);
}

void SGNode::addInputPort(SGPort* port, SGPortValueType type)
{
    port->type = type;
    port->node = this;
    if (inputCount_ < 16)
        port->inputBit = static_cast<uint16_t>(1u << inputCount_++);
    for (SGPort* output : outputPorts)
        port->addDestPort(output);
}
