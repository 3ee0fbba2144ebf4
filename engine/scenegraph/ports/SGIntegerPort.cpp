#include "scenegraph/ports/SGIntegerPort.h"

#include "scenegraph/ports/SGValueConversion.h"

int32_t SGIntegerPort::intValue()
{
    if (sourcePort)
        return sourcePort->intValue();
    updateNode();
    return value;
}

std::string SGIntegerPort::stringValue() { return SGFormatInteger(intValue()); }
float SGIntegerPort::numberValue() { return static_cast<float>(intValue()); }
bool SGIntegerPort::boolValue() { return intValue() != 0; }
