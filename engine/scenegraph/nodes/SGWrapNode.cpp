#include "scenegraph/nodes/SGWrapNode.h"

#include <GL/gl.h>

SGWrapNode::SGWrapNode(SGSpace& parent) : SGSpace(parent)
{
    nodeClass |= SGWrapSpaceClass;
    addInputPort(&x, NUMBER);
    addInputPort(&y, NUMBER);
    addInputPort(&wrapX, BOOLEAN);
    addInputPort(&wrapY, BOOLEAN);
    addInputPort(&wrapWidth, NUMBER);
    addInputPort(&wrapHeight, NUMBER);
}

SGPort* SGWrapNode::portForID(SGPortID id)
{
    switch (id) {
    case SGPortID_x: return &x;
    case SGPortID_y: return &y;
    case SGPortID_wrapX: return &wrapX;
    case SGPortID_wrapY: return &wrapY;
    case SGPortID_wrapWidth: return &wrapWidth;
    case SGPortID_wrapHeight: return &wrapHeight;
    default: return nullptr;
    }
}

void SGWrapNode::renderTranslated(float dx, float dy)
{
    glPushMatrix();
    glTranslatef(dx, dy, 0.0f);
    SGSpace::render();
    glPopMatrix();
}

void SGWrapNode::render()
{
    dirty = false;
    const bool horizontal = wrapX.boolValue();
    const bool vertical = wrapY.boolValue();
    SGSpace::render();

    float ox = 0.0f;
    if (horizontal) {
        const float w = wrapWidth.numberValue();
        ox = static_cast<double>(w) * 0.5 > static_cast<double>(x.numberValue()) ? w : -w;
        renderTranslated(ox, 0.0f);
    }
    if (vertical) {
        const float h = wrapHeight.numberValue();
        const float oy = static_cast<double>(h) * 0.5 > static_cast<double>(y.numberValue()) ? h : -h;
        renderTranslated(0.0f, oy);
        if (horizontal)
            renderTranslated(ox, oy);
    }
}
