#include "scenegraph/ports/SGBooleanPort.h"

bool SGBooleanPort::boolValue()
{
    if (sourcePort)
        return sourcePort->boolValue();
    updateNode();
    return value;
}

std::string SGBooleanPort::stringValue() { return boolValue() ? "true" : "false"; }
float SGBooleanPort::numberValue() { return boolValue() ? 1.0f : 0.0f; }
int32_t SGBooleanPort::intValue() { return boolValue() ? 1 : 0; }
