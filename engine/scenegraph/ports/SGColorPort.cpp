#include "scenegraph/ports/SGColorPort.h"

SGColor SGColorPort::colorValue()
{
    if (sourcePort)
        return sourcePort->colorValue();
    updateNode();
    return value;
}
