/*
 * Number configuration of the player's Lua interpreter: every Lua number is
 * a 32-bit float. Included at the end of luaconf.h, so each setting first
 * undoes the stock double-precision one.
 */
#ifndef TERN_LUACONF_H
#define TERN_LUACONF_H

#include <limits.h>
#include <math.h>
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#undef LUA_NUMBER_DOUBLE
#undef LUA_NUMBER
#define LUA_NUMBER float

/* Arguments of variadic C calls are promoted to double anyway. */
#undef LUAI_UACNUMBER
#define LUAI_UACNUMBER double

#undef LUA_NUMBER_SCAN
#define LUA_NUMBER_SCAN "%f"
#undef LUA_NUMBER_FMT
#define LUA_NUMBER_FMT "%g"

#undef lua_str2number
#define lua_str2number(s, p) strtof((s), (p))

#undef luai_nummod
#define luai_nummod(a, b) ((a) - floorf((a) / (b)) * (b))
#undef luai_numpow
#define luai_numpow(a, b) (powf(a, b))

/*
 * The stock conversions rely on the bit layout of a double. A plain cast of
 * a number outside the target's range (string.rep(s, 2^40), a table index
 * of 1e30) is undefined behaviour: these saturate at the range's ends, and
 * NaN converts to 0.
 */
static inline int tern_number2int(float d)
{
    if (!(d == d))
        return 0;
    if (d >= 2147483648.0f)
        return INT_MAX;
    if (d <= -2147483648.0f)
        return INT_MIN;
    return (int)d;
}

static inline ptrdiff_t tern_number2integer(float d)
{
    if (!(d == d))
        return 0;
    if (d >= (float)PTRDIFF_MAX)
        return PTRDIFF_MAX;
    if (d <= (float)PTRDIFF_MIN)
        return PTRDIFF_MIN;
    return (ptrdiff_t)d;
}

#undef lua_number2int
#define lua_number2int(i, d) ((i) = tern_number2int(d))
#undef lua_number2integer
#define lua_number2integer(i, d) ((i) = tern_number2integer(d))

#endif
