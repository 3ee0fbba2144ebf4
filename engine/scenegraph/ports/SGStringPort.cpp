#include "scenegraph/ports/SGStringPort.h"

#include "scenegraph/ports/SGValueConversion.h"

std::string SGStringPort::stringValue()
{
    if (sourcePort)
        return sourcePort->stringValue();
    updateNode();
    return value;
}

float SGStringPort::numberValue() { return SGParseNumber(stringValue()); }
int32_t SGStringPort::intValue() { return SGParseInteger(stringValue()); }
bool SGStringPort::boolValue() { return SGParseBoolean(stringValue()); }
