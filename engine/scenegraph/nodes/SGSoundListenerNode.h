// Places the one OpenAL listener 50 units in front of the scene plane at
// (x, y), with a gain. A render node, so it runs every time its space renders.
#ifndef SG_SOUND_LISTENER_NODE_H
#define SG_SOUND_LISTENER_NODE_H

#include "scenegraph/nodes/SGRenderNode.h"
#include "scenegraph/ports/SGValuePort.h"

class SGSoundListenerNode : public SGRenderNode {
public:
    SGSoundListenerNode();

    void compute() override;
    SGPort* portForID(SGPortID id) override;

    SGNumberPort x;
    SGNumberPort y;
    SGNumberPort gain;
};

#endif
