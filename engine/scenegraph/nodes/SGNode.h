// A scene-graph node: reference counted, with typed ports and a lazy
// compute() that runs when a port read finds the node dirty.
#ifndef SG_NODE_H
#define SG_NODE_H

#include <vector>

#include "scenegraph/SGObject.h"
#include "scenegraph/nodes/SGNodeClass.h"
#include "scenegraph/nodes/SGPortID.h"
#include "scenegraph/ports/SGPort.h"

class SGNode : public SGObject {
public:
    SGNode* asNode() override { return this; }
    SGNode() = default;
    ~SGNode() override = default;

    // Brings the outputs up to date from the inputs; nothing here.
    virtual void compute() {}
    // The node's port with that identifier, or null.
    virtual SGPort* portForID(SGPortID id);

    // Runs compute() once if the node is dirty.
    void update();
    bool isKindOf(SGNodeClass cls) const { return (nodeClass & cls) == cls; }

    // Registration, done by constructors: all outputs first, then inputs, so
    // that marking an input dirty reaches what depends on the outputs.
    void addOutputPort(SGPort* port, SGPortValueType type);
    void addInputPort(SGPort* port, SGPortValueType type);

    bool dirty = true;                  // so the first read computes

private:
    uint8_t inputCount_ = 0;  // inputs registered so far; beside dirty, where the node has room

public:
    // One bit per input (SGPort::inputBit) whose value may have changed since
    // the node last took its inputs; nodes that cache their inputs read only
    // these again.
    uint16_t changedInputs = 0;
    SGNodeClass nodeClass = 0;          // bits of every class of the node
    std::vector<SGPort*> outputPorts;   // member ports, not owned by the list
};

#endif
