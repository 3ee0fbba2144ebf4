#include "scenegraph/ports/SGNumberPort.h"

#include "scenegraph/ports/SGValueConversion.h"

float SGNumberPort::numberValue()
{
    if (sourcePort)
        return sourcePort->numberValue();
    updateNode();
    return value;
}

std::string SGNumberPort::stringValue() { return SGFormatNumber(numberValue()); }
int32_t SGNumberPort::intValue() { return SGTruncateToInteger(numberValue()); }
bool SGNumberPort::boolValue() { return numberValue() != 0.0f; }  // NaN reads as true
