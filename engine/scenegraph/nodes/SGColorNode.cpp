#include "scenegraph/nodes/SGColorNode.h"

SGColorNode::SGColorNode()
{
    nodeClass |= SGColorNodeClass;
    output.value = SGWhiteColor;
    addOutputPort(&output, COLOR);
    addInputPort(&r, NUMBER);
    addInputPort(&g, NUMBER);
    addInputPort(&b, NUMBER);
    addInputPort(&a, NUMBER);
    r.setValue(1.0f);
    g.setValue(1.0f);
    b.setValue(1.0f);
    a.setValue(1.0f);
}

void SGColorNode::compute()
{
    SGColor color;
    color.r = r.numberValue();
    color.g = g.numberValue();
    color.b = b.numberValue();
    color.a = a.numberValue();
    output.value = color;
}

SGPort* SGColorNode::portForID(SGPortID id)
{
    switch (id) {
    case SGPortID_r: return &r;
    case SGPortID_g: return &g;
    case SGPortID_b: return &b;
    case SGPortID_a: return &a;
    case SGPortID_output: return &output;
    default: return nullptr;
    }
}
