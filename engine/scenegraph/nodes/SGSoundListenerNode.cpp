#include "scenegraph/nodes/SGSoundListenerNode.h"

#include <AL/al.h>

#include "audio/TNOpenALCheck.h"

SGSoundListenerNode::SGSoundListenerNode()
{
    nodeClass |= SGSoundListenerNodeClass;
    x.value = 240.0f;
    y.value = 160.0f;
    gain.value = 1.0f;
    addInputPort(&x, NUMBER);
    addInputPort(&y, NUMBER);
    addInputPort(&gain, NUMBER);
}

void SGSoundListenerNode::compute()
{
    dirty = false;
    TNCheckALError("SGSoundListenerNode::compute");
    // 50 units in front of the plane: with each source's reference distance
    // of 50, a source right below the listener plays at full gain.
    alListener3f(AL_POSITION, x.numberValue(), y.numberValue(), -50.0f);
    TNCheckALError("SGSoundListenerNode::compute: alListener3f");
    alListenerf(AL_GAIN, gain.numberValue());
    TNCheckALError("SGSoundListenerNode::compute: alListenerf");
}

SGPort* SGSoundListenerNode::portForID(SGPortID id)
{
    switch (id) {
    case SGPortID_x: return &x;
    case SGPortID_y: return &y;
    case SGPortID_gain: return &gain;
    default: return nullptr;
    }
}
