#include "scenegraph/ports/SGValueConversion.h"

#include <cstdio>
#include <sstream>

std::string SGFormatNumber(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2g", static_cast<double>(value));
    return text;
}

std::string SGFormatInteger(int32_t value)
{
    return std::to_string(value);
}

float SGParseNumber(const std::string& text)
{
    std::istringstream in(text);
    float value = 0.0f;
    in >> value;
    return value;
}

int32_t SGParseInteger(const std::string& text)
{
    std::istringstream in(text);
    int32_t value = 0;
    in >> value;
    return value;
}

bool SGParseBoolean(const std::string& text)
{
    return SGParseInteger(text) == 1;
}
