#include "scenegraph/ports/SGSoundPort.h"

SGSound SGSoundPort::soundValue()
{
    if (sourcePort)
        return sourcePort->soundValue();
    updateNode();
    return value;
}
