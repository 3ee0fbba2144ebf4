#include "scenegraph/nodes/SGAttributeNode.h"

#include <cstdio>

#include "scenegraph/ports/SGBooleanPort.h"
#include "scenegraph/ports/SGIntegerPort.h"
#include "scenegraph/ports/SGNumberPort.h"
#include "scenegraph/ports/SGStringPort.h"

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
        std::printf("SGAttributeNode creation failed - unsupported type\n");
}

SGAttributeNode::~SGAttributeNode()
{
    delete port;
}

SGPort* SGAttributeNode::portForID(SGPortID)
{
    return port;
}
