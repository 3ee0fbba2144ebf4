// A space that draws its contents a number of times, each copy offset by a
// fixed distance along a direction from the one before.
#ifndef SG_REPLICATOR_NODE_H
#define SG_REPLICATOR_NODE_H

#include "scenegraph/nodes/SGSpace.h"
#include "scenegraph/ports/SGValuePort.h"

class SGReplicatorNode : public SGSpace {
public:
    // The most copies drawn in one render; a larger count is cut to this with
    // one printed line, so an absurd value cannot stall the frame.
    static constexpr int32_t kMaxCopies = 10000;

    explicit SGReplicatorNode(SGSpace& parent);

    SGPort* portForID(SGPortID id) override;
    // Draws copy k offset by k × (cos angle, sin angle) × spacing.
    void render() override;

    SGNumberPort angle;    // degrees counter-clockwise from +x
    SGNumberPort spacing;  // distance between consecutive copies
    SGIntegerPort copies;  // 1 by default; 0 or less draws nothing

private:
    bool reportedCap_ = false;  // the cap is reported once per node
};

#endif
