// One typed value slot of a node. Writes mark dependent nodes dirty; reads
// follow the connection to a source port, or bring the owning node up to
// date, and convert to the asked type.
#ifndef SG_PORT_H
#define SG_PORT_H

#include <cstdint>
#include <memory>
#include <string>

#include "scenegraph/SGColor.h"
#include "images/SGImage.h"
#include "audio/SGSound.h"
#include "scenegraph/ports/SGPortList.h"
#include "scenegraph/ports/SGPortValueType.h"

class SGNode;
class SGPort;

// What the order of connections keeps for a port that has edges (see
// SGPortOrder); a port without any stays small.
struct SGPortLinks {
    // A topological position: every edge goes from a smaller order to a
    // larger one.
    int64_t order = 0;
    // The last search to reach the port (see SGPortOrder::makeRoom).
    uint64_t visited = 0;
    SGPortList upstreamPorts;  // ports having this one in destPorts
};

class SGPort {
public:
    SGPort() = default;
    // A port dies with its node. Ports reading from this one are not told:
    // each holds a reference on this port's node, so that cannot happen
    // while any is connected. The links in both directions are undone.
    virtual ~SGPort();
    SGPort(const SGPort&) = delete;
    SGPort& operator=(const SGPort&) = delete;

    // Reads; the base answers "", 0, false, white and the null values.
    virtual std::string stringValue();
    virtual float numberValue();
    virtual int32_t intValue();
    virtual bool boolValue();
    virtual SGColor colorValue();
    virtual SGSound soundValue();
    virtual SGImage imageValue();

    // Connects this port to read from source (null disconnects). Holds a
    // reference on the source's node while connected; marks nothing dirty.
    // A connection that would close a cycle is refused: see canConnectTo.
    virtual void setValue(SGPort* source);
    void disconnect();
    // False when source depends on this port already (or is this port), so
    // that connecting would close a cycle and the dirty walk would not end.
    // When true, the ports' order already has source before this port (see
    // SGPortOrder), so adding the connection costs nothing more.
    bool canConnectTo(const SGPort* source) const;

    void markAsDirty();
    // Tells the owning node that what this input reads may have changed
    // without marking anything dirty: a raw store, a connection made or
    // undone. markAsDirty() tells it too.
    void noteChanged();
    // Adds a dependency edge from this port to dest. An edge that would
    // close a cycle is refused with one line.
    void addDestPort(SGPort* dest);
    void removeDestPort(SGPort* dest);

    SGNode* node = nullptr;            // owner, set on registration; not owned
    SGPortValueType type = NIL;        // set on registration
    // The SGPortValueType of the value a subclass holds, set by its
    // constructor; one byte, so that inputBit fits beside it.
    uint8_t storage = NIL;
    uint16_t inputBit = 0;             // this input's bit in node->changedInputs; 0 past the 16th input
    SGPortList destPorts;              // ports depending on this one; duplicates allowed
    SGPort* sourcePort = nullptr;      // the port read from, or null

    // The port's place in the order of connections, made with its first
    // edge; mutable because checking a connection may move ports in the
    // order without changing the graph.
    SGPortLinks& links() const;
    bool hasLinks() const { return links_ != nullptr; }

protected:
    // Brings the owning node up to date before a stored value is returned.
    void updateNode();

private:
    mutable std::unique_ptr<SGPortLinks> links_;
};

#endif
