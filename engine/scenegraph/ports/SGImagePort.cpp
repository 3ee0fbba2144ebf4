#include "scenegraph/ports/SGImagePort.h"

SGImage SGImagePort::imageValue()
{
    if (sourcePort)
        return sourcePort->imageValue();
    updateNode();
    return value;
}
