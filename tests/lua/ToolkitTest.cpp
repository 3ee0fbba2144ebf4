// The binding toolkit: handles, typed userdata, argument readers and the
// exception seam, on a bare Lua state.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "lauxlib.h"
#include "lua/TNGone.h"
#include "lua/TNHandle.h"
#include "lua/TNLuaArgs.h"
#include "lua/TNLuaGuard.h"
#include "lua/TNLuaType.h"
#include "ScriptState.h"

namespace {

TEST(Handles, StaleNullOrFarHandlesFindNothingEvenAfterSlotReuseAndManyLiveAcrossBlocks)
{
    int first = 1, second = 2;
    const TNHandle a = TNHandleTable::add(&first);
    EXPECT_EQ(TNHandleTable::lookup(a), &first);
    TNHandleTable::remove(a);
    EXPECT_EQ(TNHandleTable::lookup(a), nullptr);
    const TNHandle b = TNHandleTable::add(&second);
    EXPECT_EQ(b.index, a.index) << "the freed slot is reused";
    EXPECT_EQ(TNHandleTable::lookup(a), nullptr);
    EXPECT_EQ(TNHandleTable::lookup(b), &second);
    TNHandleTable::remove(a);  // already ended: must not end b
    EXPECT_EQ(TNHandleTable::lookup(b), &second);
    TNHandleTable::remove(b);
    // Null, foreign and far handles find nothing.
    for (const TNHandle other : {TNHandle(), TNHandle{0xFFFFFFFFu, 1}, TNHandle{4000000u, 1}})
        EXPECT_EQ(TNHandleTable::lookup(other), nullptr);
    TNHandleTable::remove(TNHandle{4000000u, 1});

    // Many live at once, across the table's blocks.
    std::vector<int> objects(10000);
    std::vector<TNHandle> handles;
    const int before = TNHandleTable::liveCount();
    for (int& object : objects)
        handles.push_back(TNHandleTable::add(&object));
    EXPECT_EQ(TNHandleTable::liveCount(), before + 10000);
    for (size_t i = 0; i < objects.size(); ++i)
        ASSERT_EQ(TNHandleTable::lookup(handles[i]), &objects[i]);
    for (TNHandle handle : handles)
        TNHandleTable::remove(handle);
    EXPECT_EQ(TNHandleTable::liveCount(), before);
}

const TNLuaType kShape = {"Shape", "test.ShapeMT"};
const TNLuaType kCircle = {"Circle", "test.CircleMT", &kShape};

int describe(lua_State* L)
{
    tn_checkblock<int>(L, 1, kShape, "Shape.describe");
    const float radius = tn_checkfinite(L, 2, "Shape.describe");
    const char* name = tn_optstring(L, 3, "Shape.describe", "unnamed");
    lua_pushfstring(L, "%s %d", name, static_cast<int>(radius));
    return 1;
}

int lastTwo(lua_State* L)
{
    lua_pushinteger(L, tn_tointeger(L, tn_fromtop(L, 2, 1)) * 10 + tn_tointeger(L, tn_fromtop(L, 2, 2)));
    return 1;
}

int lastTwoChecked(lua_State* L)
{
    lua_pushnumber(L, tn_checknumber(L, tn_fromtop(L, 2, 1), "lastTwoChecked"));
    return 1;
}

int fails(lua_State*)
{
    throw std::runtime_error("World.step: the world is locked");
}

class Toolkit : public ::testing::Test {
protected:
    void SetUp() override
    {
        const luaL_Reg shapeMethods[] = {{"describe", describe}, {nullptr, nullptr}};
        tn_newtype(L, kShape, shapeMethods);
        tn_newtype(L, kCircle, shapeMethods);
        lua_register(L, "lastTwo", lastTwo);
        lua_register(L, "lastTwoChecked", lastTwoChecked);
        lua_register(L, "fails", tn_guarded<fails>);
        lua_register(L, "describe", describe);
        *tn_newblock<int>(L, kCircle) = 7;
        lua_setglobal(L, "circle");
    }

    tern_test::ScriptState state;
    lua_State* const L = state.L();
};

// A Circle passes where a Shape is asked, and arguments may be read from
// the top; anything else is refused with one message naming the function,
// the argument and the type.
TEST_F(Toolkit, ArgumentsAreCheckedWithOneMessageNamingFunctionArgumentAndType)
{
    EXPECT_EQ(state.eval("circle:describe(2.9)"), "unnamed 2");
    EXPECT_EQ(state.eval("circle:describe(3, 'wheel')"), "wheel 3");
    EXPECT_EQ(state.eval("lastTwo('ignored', 1, 2)"), "12");  // read from the top
    EXPECT_EQ(state.eval("lastTwo(3)"), "3");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"return describe(io.stdout, 1)", "Shape.describe: argument 1 must be a Shape (got userdata)"},
        {"return circle:describe()", "Shape.describe: argument 2 must be a number (got no value)"},
        {"return circle:describe('x')", "Shape.describe: argument 2 must be a number (got string)"},
        {"return circle:describe(1/0)", "Shape.describe: argument 2 must be a finite number (got number)"},
        {"return circle:describe(1, {})", "Shape.describe: argument 3 must be a string (got table)"},
        {"return fails()", "World.step: the world is locked"},
        {"return lastTwoChecked(1)", "lastTwoChecked: argument must be a number (got no value)"},
        {"return lastTwoChecked('x', 1)", "lastTwoChecked: argument 1 must be a number (got string)"},
    };
    for (const auto& [chunk, message] : cases) {
        const std::string got = state.errorOf(chunk);
        EXPECT_NE(got.find(message), std::string::npos) << chunk << " gave " << got;
    }
}

// A gone object is reported once per function and state: a game that keeps
// a removed sprite for a frame prints one line, not one per frame. (Each
// binding's own line, once, is checked by the module tests.)
TEST(GoneObjects, ReportedOncePerFunctionAndState)
{
    int object = 0;
    const TNHandle handle = TNHandleTable::add(&object);
    const tern_test::ScriptState first, second;
    testing::internal::CaptureStderr();
    EXPECT_EQ(tn_tolive(first.L(), handle, "Body.position", "the body"), &object);
    TNHandleTable::remove(handle);
    for (lua_State* L : {first.L(), first.L(), first.L(), second.L()})
        EXPECT_EQ(tn_tolive(L, handle, "Body.position", "the body"), nullptr);
    const std::string line = "Body.position: the body no longer exists; the call does nothing (said once per function)\n";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), line + line);
}

// Numbers read as lua_tonumber reads them; what is no finite number reads
// as 0 with one line per function and state.
TEST_F(Toolkit, NumbersThatAreNotFiniteReadAsZeroWithOneLine)
{
    lua_register(L, "finite", [](lua_State* L) {
        lua_pushnumber(L, tn_tofinite(L, 1, "finite"));
        return 1;
    });
    lua_register(L, "other", [](lua_State* L) {
        lua_pushnumber(L, tn_tofinite(L, tn_fromtop(L, 1, 1), "other"));
        return 1;
    });
    testing::internal::CaptureStderr();
    const std::pair<const char*, const char*> cases[] = {
        {"finite(2.5)", "2.5"}, {"finite('3.25')", "3.25"}, {"finite(0/0)", "0"}, {"finite(-math.huge)", "0"},
        {"finite('fast')", "0"}, {"finite()", "0"}, {"other()", "0"}, {"other(-1e30)", "-1e+30"},
    };
    for (const auto& [chunk, value] : cases)
        EXPECT_EQ(state.eval(chunk), value) << chunk;
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "finite: argument 1 is not a finite number (got NaN); read as 0 (said once per function)\n"
              "other: an argument is not a finite number (got no value); read as 0 (said once per function)\n");
}

}  // namespace
