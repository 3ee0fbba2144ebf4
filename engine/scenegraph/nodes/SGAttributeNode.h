// A free-standing value holder with one output port, set by the script;
// many node inputs can follow it through connections.
#ifndef SG_ATTRIBUTE_NODE_H
#define SG_ATTRIBUTE_NODE_H

#include "scenegraph/nodes/SGNode.h"

class SGAttributeNode : public SGNode {
public:
    // STRING, NUMBER, INTEGER or BOOLEAN; any other type leaves the node
    // without a port (with a printed line).
    explicit SGAttributeNode(SGPortValueType type);
    ~SGAttributeNode() override;

    // The one port, whatever the identifier (null when there is none).
    SGPort* portForID(SGPortID id) override;

    SGPort* port;  // owned
};

#endif
