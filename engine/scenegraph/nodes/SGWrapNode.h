// A space that makes its world wrap around: besides the normal pass it draws
// its contents again one wrap width to the side, one wrap height up or down,
// and diagonally, towards the side of the wrap rectangle that the reference
// position (x, y) is farther from, so that the seam is never visible.
#ifndef SG_WRAP_NODE_H
#define SG_WRAP_NODE_H

#include "scenegraph/nodes/SGSpace.h"
#include "scenegraph/ports/SGValuePort.h"

class SGWrapNode : public SGSpace {
public:
    explicit SGWrapNode(SGSpace& parent);

    SGPort* portForID(SGPortID id) override;
    // One, two or four passes of the contents, each under its own translation.
    void render() override;

    SGNumberPort x;
    SGNumberPort y;
    SGBooleanPort wrapX;
    SGBooleanPort wrapY;
    SGNumberPort wrapWidth;
    SGNumberPort wrapHeight;

private:
    // One pass of the contents translated by (dx, dy).
    void renderTranslated(float dx, float dy);
};

#endif
