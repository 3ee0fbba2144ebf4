#include "scenegraph/nodes/SGReplicatorNode.h"

#include <GL/gl.h>

#include <cmath>

#include "log/TNLog.h"

SGReplicatorNode::SGReplicatorNode(SGSpace& parent) : SGSpace(parent)
{
    nodeClass |= SGReplicatorSpaceClass;
    addInputPort(&angle, NUMBER);
    addInputPort(&spacing, NUMBER);
    addInputPort(&copies, INTEGER);
    copies.value = 1;
}

SGPort* SGReplicatorNode::portForID(SGPortID id)
{
    switch (id) {
    case SGPortID_angle: return &angle;
    case SGPortID_spacing: return &spacing;
    case SGPortID_copies: return &copies;
    default: return nullptr;
    }
}

void SGReplicatorNode::render()
{
    dirty = false;
    const float s = spacing.numberValue();
    const float degrees = angle.numberValue();
    int32_t n = copies.intValue();
    if (n > kMaxCopies) {
        if (!reportedCap_)
            TNLogStdout("SGReplicatorNode: copies %d capped at %d", n, kMaxCopies);
        reportedCap_ = true;
        n = kMaxCopies;
    }

    const float a = static_cast<float>(degrees * 0.017453292519943295);
    const float dx = std::cos(a) * s;
    const float dy = std::sin(a) * s;
    glPushMatrix();
    for (int32_t i = 0; i < n; ++i) {
        SGSpace::render();
        glTranslatef(dx, dy, 0.0f);
    }
    glPopMatrix();
}
