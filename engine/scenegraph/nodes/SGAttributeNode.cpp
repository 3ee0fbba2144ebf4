#include "scenegraph/nodes/SGAttributeNode.h"

#include "log/TNLog.h"

#include "scenegraph/ports/SGValuePort.h"

namespace {

SGPort* makePort(SGPortValueType type)
{
    switch (type) {
    case STRING: return new SGStringPort();
    case NUMBER: return new SGNumberPort();
    case INTEGER: return new SGIntegerPort();
    case BOOLEAN: return new SGBooleanPort();
    default: return nullptr;
    }
}

}  // namespace

SGAttributeNode::SGAttributeNode(SGPortValueType type) : port(makePort(type))
{
    nodeClass |= SGAttributeNodeClass;
    if (port)
        addOutputPort(port, type);
    else
        TNLogStdout("SGAttributeNode creation failed - unsupported type");
}

SGAttributeNode::~SGAttributeNode()
{
    delete port;
}

SGPort* SGAttributeNode::portForID(SGPortID)
{
    return port;
}
