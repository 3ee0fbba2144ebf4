// The conversions between the scalar port value types (string, number,
// integer, boolean).
#ifndef SG_VALUE_CONVERSION_H
#define SG_VALUE_CONVERSION_H

#include <cstdint>
#include <string>

#include "lua/TNLuaArgs.h"

// At most two significant digits, printf "%.2g" style: 100 -> "1e+02", 2.5 -> "2.5".
std::string SGFormatNumber(float value);
std::string SGFormatInteger(int32_t value);

// Formatted stream extraction: leading white space skipped, the valid prefix
// taken, 0 when there is none ("3.5abc" -> 3.5 and 3).
float SGParseNumber(const std::string& text);
int32_t SGParseInteger(const std::string& text);
// True only for text that reads as the integer 1.
bool SGParseBoolean(const std::string& text);

// A value of one scalar type read as another.
inline std::string SGAsString(const std::string& v) { return v; }
inline std::string SGAsString(float v) { return SGFormatNumber(v); }
inline std::string SGAsString(int32_t v) { return SGFormatInteger(v); }
inline std::string SGAsString(bool v) { return v ? "true" : "false"; }

inline float SGAsNumber(const std::string& v) { return SGParseNumber(v); }
inline float SGAsNumber(float v) { return v; }
inline float SGAsNumber(int32_t v) { return static_cast<float>(v); }
inline float SGAsNumber(bool v) { return v ? 1.0f : 0.0f; }

inline int32_t SGAsInteger(const std::string& v) { return SGParseInteger(v); }
// Truncated toward zero, saturated at the 32-bit limits, NaN as 0.
inline int32_t SGAsInteger(float v) { return tn_truncate(v); }
inline int32_t SGAsInteger(int32_t v) { return v; }
inline int32_t SGAsInteger(bool v) { return v ? 1 : 0; }

inline bool SGAsBoolean(const std::string& v) { return SGParseBoolean(v); }
inline bool SGAsBoolean(float v) { return v != 0.0f; }  // NaN reads as true
inline bool SGAsBoolean(int32_t v) { return v != 0; }
inline bool SGAsBoolean(bool v) { return v; }

#endif
