#include "scenegraph/nodes/SGClearNode.h"

#include <GL/gl.h>

SGClearNode::SGClearNode()
{
    nodeClass |= SGClearNodeClass;
    color.value = SGWhiteColor;
    addInputPort(&color, COLOR);
}

void SGClearNode::compute()
{
    dirty = false;
    const SGColor c = color.colorValue();
    glClearColor(c.r, c.g, c.b, c.a);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

SGPort* SGClearNode::portForID(SGPortID)
{
    return &color;
}
