// The conversions between port value types that are not trivial.
#ifndef SG_VALUE_CONVERSION_H
#define SG_VALUE_CONVERSION_H

#include <cstdint>
#include <string>

// At most two significant digits, printf "%.2g" style: 100 -> "1e+02", 2.5 -> "2.5".
std::string SGFormatNumber(float value);
std::string SGFormatInteger(int32_t value);

// Formatted stream extraction: leading white space skipped, the valid prefix
// taken, 0 when there is none ("3.5abc" -> 3.5 and 3).
float SGParseNumber(const std::string& text);
int32_t SGParseInteger(const std::string& text);
// True only for text that reads as the integer 1.
bool SGParseBoolean(const std::string& text);

// Truncation toward zero that saturates out-of-range values at the integer
// limits and gives 0 for NaN (a plain cast would be undefined there).
int32_t SGTruncateToInteger(float value);

#endif
