// The interpreter's build: 32-bit float numbers, C++ unwinding, the tools.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "host/TNEngine.h"
#include "ScriptedEngine.h"
#include "TestSupport.h"
#include "lauxlib.h"

using tern_test::ScriptedEngine;
using tern_test::TempDir;

namespace {

std::string tool(const char* name)
{
    return std::string(TERN_BUILD_DIR) + "/" + name;
}

// Numbers outside an integer's range convert to the range's nearest end
// (NaN to 0) instead of whatever the processor makes of an overflowing cast.
TEST(LuaConfiguration, NumbersAreSinglePrecisionAndIntegerConversionsSaturate)
{
    EXPECT_EQ(sizeof(lua_Number), 4u);
    ScriptedEngine engine("function initEngine() end\n");
    lua_State* L = engine.L();
    const std::pair<float, lua_Integer> numbers[] = {
        {1e30f, PTRDIFF_MAX}, {-1e30f, PTRDIFF_MIN}, {HUGE_VALF, PTRDIFF_MAX}, {-HUGE_VALF, PTRDIFF_MIN},
        {NAN, 0}, {3e9f, 3000000000}, {-3e9f, -3000000000}, {-2.75f, -2}, {9.5e18f, PTRDIFF_MAX},
    };
    for (const auto& [number, integer] : numbers) {
        lua_pushnumber(L, number);
        EXPECT_EQ(lua_tointeger(L, -1), integer) << number;
        lua_pop(L, 1);
    }
    const std::pair<const char*, const char*> script[] = {
        {"1/3", "0.333333"}, {"16777217", "1.67772e+07"}, {"16777216 + 1 == 16777216", "true"},
        {"tonumber('0.1') == 0.1", "true"}, {"7 % 3", "1"}, {"-7 % 3", "2"}, {"2 ^ 10", "1024"},
        {"string.format('%d', 3.7)", "3"},
        {"(function() for i = 1, 20000 do local r, f = math.random(3), math.random() "
         "if r < 1 or r > 3 or f < 0 or f > 1 then return false end end return true end)()", "true"},
        {"string.rep('x', 2^31)", ""}, {"string.rep('ab', 1e30)", ""}, {"string.rep('ab', -1e30)", ""},
        {"string.rep('ab', 0/0)", ""}, {"string.rep('ab', 3)", "ababab"},
        {"(function() local t = {} t[1e30] = 'far' t[-1e30] = 'near' return t[1e30] .. t[-1e30] end)()", "farnear"},
        {"('abc'):sub(-1e30, 1e30)", "abc"}, {"select('#', unpack({1, 2}, 1, 2))", "2"},
    };
    for (const auto& [expression, value] : script)
        EXPECT_EQ(engine.eval(expression), value) << expression;
}

TEST(LuaConfiguration, CompilerWritesFloatChunksThatTheHostRuns)
{
    TempDir dir;
    const std::string compiled = dir.file("engine64.luo");
    tern_test::writeFile(dir.file("engine.lua"), "function initEngine() started = 1/4 end\nfunction update(dt) total = (total or 0) + dt end\n");
    ASSERT_EQ(std::system((tool("tern-luac") + " -o " + compiled + " " + dir.file("engine.lua")).c_str()), 0);

    const std::string bytes = tern_test::readFile(compiled);
    const unsigned char header[] = {0x1b, 0x4c, 0x75, 0x61, 0x51, 0x00, 0x01, 0x04, 0x08, 0x04, 0x04, 0x00};
    ASSERT_GE(bytes.size(), sizeof header);
    EXPECT_EQ(bytes.compare(0, sizeof header, reinterpret_cast<const char*>(header), sizeof header), 0);

    TN_State* S = TN_NewState(0);
    EXPECT_EQ(TN_Init(S, compiled.c_str(), nullptr), 0);
    TN_Update(S, 0.5f);
    TN_Update(S, 0.25f);
    ASSERT_EQ(luaL_dostring(S->L, "return total, started"), 0);
    EXPECT_EQ(std::make_pair(lua_tonumber(S->L, -2), lua_tonumber(S->L, -1)), std::make_pair(0.75f, 0.25f));
    TN_DestroyState(S);
}

TEST(LuaConfiguration, StandaloneInterpreterUsesFloats)
{
    TempDir dir;
    tern_test::writeFile(dir.file("t.lua"), "io.write(tostring(1/3))");
    EXPECT_EQ(tern_test::runCommand(tool("tern-lua") + " " + dir.file("t.lua")).out, "0.333333");
}

int destructorRuns = 0;

struct Guard {
    ~Guard() { ++destructorRuns; }
};

int raisingBinding(lua_State* L)
{
    Guard guard;
    return luaL_error(L, "binding failed");
}

TEST(LuaConfiguration, LuaErrorsUnwindCppFrames)
{
    lua_State* L = luaL_newstate();
    destructorRuns = 0;
    lua_pushcfunction(L, raisingBinding);
    EXPECT_NE(lua_pcall(L, 0, 0, 0), 0);
    EXPECT_STREQ(lua_tostring(L, -1), "binding failed");
    EXPECT_EQ(destructorRuns, 1);
    lua_close(L);
}

}  // namespace
