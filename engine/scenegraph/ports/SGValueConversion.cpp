#include "scenegraph/ports/SGValueConversion.h"

#include <cmath>
#include <cstdio>
#include <limits>
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

int32_t SGTruncateToInteger(float value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483648.0f)
        return std::numeric_limits<int32_t>::max();
    if (value < -2147483648.0f)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}
