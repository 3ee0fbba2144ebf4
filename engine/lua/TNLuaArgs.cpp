#include "lua/TNLuaArgs.h"

#include <cmath>
#include <cstring>
#include <string>

#include "lauxlib.h"
#include "log/TNLog.h"
#include "lua/TNGone.h"

int tn_fromtop(lua_State* L, int n, int k)
{
    const int index = lua_gettop(L) - n + k;
    return index >= 1 ? index : 0;
}

const char* tn_typename(lua_State* L, int index)
{
    return index == 0 || lua_isnone(L, index) ? "no value" : luaL_typename(L, index);
}

std::string tn_article(const char* word)
{
    const bool vowel = word && std::strchr("aeiouAEIOU", word[0]) && word[0] != '\0';
    return std::string(vowel ? "an " : "a ") + (word ? word : "");
}

int tn_argerror(lua_State* L, const char* func, int index, const char* expected)
{
    // A missing argument of a function that reads its last ones has no
    // position to name.
    if (index == 0)
        return luaL_error(L, "%s: argument must be %s (got no value)", func, expected);
    return luaL_error(L, "%s: argument %d must be %s (got %s)", func, index, expected, tn_typename(L, index));
}

int tn_valueerror(lua_State* L, const char* func, const char* message)
{
    return luaL_error(L, "%s: %s", func, message);
}

float tn_checknumber(lua_State* L, int index, const char* func)
{
    if (index == 0 || !lua_isnumber(L, index))
        tn_argerror(L, func, index, "a number");
    return static_cast<float>(lua_tonumber(L, index));
}

float tn_checkfinite(lua_State* L, int index, const char* func)
{
    const float value = tn_checknumber(L, index, func);
    if (!std::isfinite(value))
        tn_argerror(L, func, index, "a finite number");
    return value;
}

float tn_optnumber(lua_State* L, int index, const char* func, float fallback)
{
    return index == 0 || lua_isnoneornil(L, index) ? fallback : tn_checknumber(L, index, func);
}

float tn_tonumber(lua_State* L, int index)
{
    return index == 0 ? 0.0f : static_cast<float>(lua_tonumber(L, index));
}

float tn_tofinite(lua_State* L, int index, const char* func)
{
    const float value = tn_tonumber(L, index);
    if (index != 0 && lua_isnumber(L, index) && std::isfinite(value))
        return value;
    const std::string topic = std::string(func) + " (number)";
    if (tn_firstreport(L, topic.c_str())) {
        const char* got = index != 0 && lua_type(L, index) == LUA_TNUMBER ? (std::isnan(value) ? "NaN" : "infinity")
                                                                           : tn_typename(L, index);
        if (index == 0)
            TNLog("%s: an argument is not a finite number (got %s); read as 0 (said once per function)", func, got);
        else
            TNLog("%s: argument %d is not a finite number (got %s); read as 0 (said once per function)", func, index,
                  got);
    }
    return 0.0f;
}

int32_t tn_truncate(float value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483647.0f)
        return INT32_MAX;
    if (value <= -2147483648.0f)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

int32_t tn_checkinteger(lua_State* L, int index, const char* func)
{
    return tn_truncate(tn_checknumber(L, index, func));
}

int32_t tn_optinteger(lua_State* L, int index, const char* func, int32_t fallback)
{
    return index == 0 || lua_isnoneornil(L, index) ? fallback : tn_checkinteger(L, index, func);
}

int32_t tn_tointeger(lua_State* L, int index)
{
    return tn_truncate(tn_tonumber(L, index));
}

const char* tn_checkstring(lua_State* L, int index, const char* func, size_t* length)
{
    if (index == 0 || !lua_isstring(L, index))
        tn_argerror(L, func, index, "a string");
    return lua_tolstring(L, index, length);
}

const char* tn_optstring(lua_State* L, int index, const char* func, const char* fallback)
{
    return index == 0 || lua_isnoneornil(L, index) ? fallback : tn_checkstring(L, index, func);
}

const char* tn_tostring(lua_State* L, int index, size_t* length)
{
    if (index == 0 || !lua_isstring(L, index)) {
        if (length)
            *length = 0;
        return nullptr;
    }
    return lua_tolstring(L, index, length);
}

bool tn_toboolean(lua_State* L, int index)
{
    return index != 0 && lua_toboolean(L, index) != 0;
}

bool tn_checkboolean(lua_State* L, int index, const char* func)
{
    if (index == 0 || !lua_isboolean(L, index))
        tn_argerror(L, func, index, "a boolean");
    return lua_toboolean(L, index) != 0;
}

void tn_checktable(lua_State* L, int index, const char* func)
{
    if (index == 0 || !lua_istable(L, index))
        tn_argerror(L, func, index, "a table");
}

void tn_checkfunction(lua_State* L, int index, const char* func)
{
    if (index == 0 || !lua_isfunction(L, index))
        tn_argerror(L, func, index, "a function");
}
