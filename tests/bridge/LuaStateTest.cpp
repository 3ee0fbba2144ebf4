// LuaState: calls by name, value conversion, error reports with stack
// traces, chunk runners, stack operations, cleanup on every error path, and
// calls from several threads serialised (run under ThreadSanitizer by make
// test-tsan).
#include <gtest/gtest.h>


#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

#include "lualib.h"
#include "bridge/LuaErrorException.h"
#include "bridge/LuaObject.h"
#include "bridge/LuaState.h"
#include "bridge/runtime/TNArray.h"
#include "bridge/runtime/TNNotificationCenter.h"
#include "bridge/runtime/TNNull.h"
#include "bridge/runtime/TNNumber.h"
#include "bridge/runtime/TNString.h"
#include "TestSupport.h"

namespace {

class LuaStateTest : public ::testing::Test {
protected:
    void SetUp() override { use(LuaState::createWithNewState()); }
    void use(TNRef<LuaState> made)
    {
        state = made;
        ASSERT_TRUE(state);
        luaL_openlibs(state->state());
    }
    void expectCleanState()
    {
        ASSERT_FALSE(state->lockHeldByCurrentThread());
        ASSERT_TRUE(state->tryLockState()) << "the lock was not released";
        EXPECT_EQ(state->getTop(), 0);
        state->unlockState();
    }
    TNRef<LuaState> state;
};

std::string text(const TNRef<TNObject>& o) { return o ? o->description() : "(nothing)"; }

bool failAllocations = false;

void* failingAlloc(void*, void* block, size_t oldSize, size_t newSize)
{
    if (newSize == 0) {
        std::free(block);
        return nullptr;
    }
    if (failAllocations && newSize > oldSize)
        return nullptr;
    return std::realloc(block, newSize);
}

int armAllocationFailure(lua_State*)
{
    failAllocations = true;
    return 0;
}

}  // namespace

TEST_F(LuaStateTest, CallsCarryValuesBothWays)
{
    state->doString(R"(
        function echo(...) return ... end
        function giveFunction() return print end
        function describe(n, s, t, w) return string.format('%s|%s|%s|%s', type(n), s, t.x, type(w)) end
        function makeTable() return { x = 7 } end
        obj = { factor = 3 }
        function obj:scale(v) return v * self.factor end
    )");
    // Doubles are narrowed to float on the way in.
    EXPECT_EQ(text(state->callSimpleFunction("echo", {TNNumber::withDouble(0.1)})), text(TNNumber::withDouble(0.1f)));

    TNRef<TNObject> table = state->callSimpleFunction("makeTable");
    TNRef<TNArray> wrapped = TNArray::create();
    EXPECT_EQ(text(state->callSimpleFunction(
                  "describe", {TNNumber::withInt(1), TNString::create("s"), table, wrapped})),
              "number|s|7|table");
    // A wrapper comes back as the object itself.
    EXPECT_EQ(state->callSimpleFunction("echo", {wrapped}).get(), wrapped.get());
    EXPECT_EQ(text(state->callSimpleMethod("scale", "obj", {TNNumber::withInt(5)})), "15");

    // No arguments, nil results and results without a host form.
    EXPECT_TRUE(TNNull::isNull(state->callSimpleFunction("echo").get()));
    EXPECT_TRUE(state->callFunction("giveFunction").empty());
    EXPECT_TRUE(TNNull::isNull(state->callSimpleFunction("echo", {TNNull::null()}).get()));
    EXPECT_EQ(text(state->callSimpleFunction("echo", {TNNumber::withBool(true)})), "1");
    expectCleanState();
}

TEST_F(LuaStateTest, ScriptErrorRaisesWithStackTrace)
{
    state->doString("function inner(a) local b = 'two'; error('bad thing') end\nfunction outer() inner(1) end");
    testing::internal::CaptureStderr();
    try {
        state->callFunction("outer");
        FAIL() << "no exception";
    } catch (const LuaErrorException& e) {
        const std::string chunk = "[string \"function inner(a) local b = 'two'; error('b...\"]";
        EXPECT_EQ(e.luaError(), chunk + ":1: bad thing");
        EXPECT_EQ(e.luaStackTrace(), "Stack Trace:\n0: C function (null)\n1: C function error\n2: [" + chunk +
                                         ":inner]:1\n{\n\ta = 1\n\tb = two\n}\n3: [" + chunk +
                                         ":(null)]:2\n{\n}\n4: C function (null)\n");
        EXPECT_EQ(e.reason(), e.luaError() + "\n" + e.luaStackTrace());
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "Lua Error: " + e.luaError() + "\nStack Trace: " + e.luaStackTrace() + "\n");
    }
    expectCleanState();
}

TEST_F(LuaStateTest, EveryErrorPathReleasesLockAndStack)
{
    state->doString("existing = {} function runaway(n) return 1 + runaway(n + 1) end");
    const std::pair<const char*, std::function<void()>> failures[] = {
        {"missing function", [&] { state->callFunction("noSuchFunction"); }},
        {"missing method", [&] { state->callMethod("noSuchMethod", "existing"); }},
        {"runaway recursion", [&] { state->callFunction("runaway", {TNNumber::withInt(1)}); }},
        // A syntax error reaches the caller like a run-time error.
        {"syntax error", [&] { state->doString("this is not lua"); }},
    };
    testing::internal::CaptureStderr();
    for (const auto& [what, fail] : failures) {
        EXPECT_THROW(fail(), LuaErrorException) << what;
        expectCleanState();
    }
    testing::internal::GetCapturedStderr();
    // And the state still works.
    state->doString("function one() return 1 end");
    EXPECT_EQ(text(state->callSimpleFunction("one")), "1");
}

// The handler itself fails (it runs out of memory formatting a local): the
// error bypasses it and still arrives as an exception, with lock and stack freed.
TEST_F(LuaStateTest, ErrorInsideMessageHandler)
{
    use(LuaState::createWithState(lua_newstate(failingAlloc, nullptr)));
    lua_register(state->state(), "arm", armAllocationFailure);
    state->doString("function failing() local n = 12345; arm(); error('x', 0) end");
    testing::internal::CaptureStderr();
    try {
        state->callFunction("failing");
        FAIL() << "no exception";
    } catch (const LuaErrorException& e) {
        EXPECT_EQ(e.luaError(), "not enough memory");
        EXPECT_FALSE(e.hasStackTrace());
    }
    failAllocations = false;
    testing::internal::GetCapturedStderr();
    expectCleanState();
    state->doString("y = 5");
    EXPECT_EQ(state->evaluateExpression("y"), "5");
}

TEST_F(LuaStateTest, PanicRaisesInsteadOfExiting)
{
    testing::internal::CaptureStderr();
    state->lockState();
    lua_State* L = state->state();
    try {
        lua_pushstring(L, "outside any call");
        lua_error(L);
        FAIL() << "no exception";
    } catch (const LuaErrorException& e) {
        EXPECT_EQ(e.reason(), "outside any call\n");
        EXPECT_FALSE(e.hasStackTrace());
    }
    lua_settop(L, 0);
    state->unlockState();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Lua Panic: outside any call\n");
    state->doString("x = 1");
    EXPECT_EQ(state->evaluateExpression("x + 1"), "2");
}

TEST_F(LuaStateTest, ChunkRunners)
{
    tern_test::TempDir dir;
    tern_test::writeFile(dir.file("s.lua"), "return 'text'");
    tern_test::writeFile(dir.file("n.lua"), "return 42");
    tern_test::writeFile(dir.file("none.lua"), "y = 2");
    EXPECT_EQ(text(state->doFile(dir.file("s.lua"))), "text");
    EXPECT_EQ(text(state->doFile(dir.file("n.lua"))), "Result not a string!");
    EXPECT_FALSE(state->doFile(dir.file("none.lua")));
    testing::internal::CaptureStderr();
    EXPECT_THROW(state->doFile(dir.file("missing.lua")), LuaErrorException);
    testing::internal::GetCapturedStderr();
    expectCleanState();

    EXPECT_TRUE(state->syntaxCheck("local a = 1"));
    EXPECT_FALSE(state->syntaxCheck("local = 1"));
    expectCleanState();
}

// The member and reference operations are LuaObject's (tests in
// LuaObjectTest); what is left is looking for methods, reading the stack
// and logging it.
TEST_F(LuaStateTest, StackOperations)
{
    state->doString("t = { name = 'n', f = function() end }");
    state->lockState();
    state->getGlobal("t");
    EXPECT_TRUE(state->hasMethod("f"));
    EXPECT_FALSE(state->hasMethod("name"));
    EXPECT_THROW(state->getMember(""), std::logic_error);
    // Popped bottom first; a wrapper is the object.
    TNRef<TNArray> array = TNArray::create();
    state->pushArgument(array.get());
    state->pushArgument(TNNumber::withInt(1).get());
    TNObjectList popped = state->popStack(3);
    ASSERT_EQ(popped.size(), 3u);
    EXPECT_EQ(popped[1].get(), array.get());
    EXPECT_EQ(popped[2]->description(), "1");
    EXPECT_EQ(state->getTop(), 0);
    // Warnings and the stack log.
    state->pushArgument(TNNumber::withInt(3).get());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(state->hasMethod("x"));
    lua_pushboolean(state->state(), 1);
    lua_pushnil(state->state());
    lua_pushstring(state->state(), "s");
    lua_pushlightuserdata(state->state(), nullptr);
    state->logStack();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Warning: hasMethod called, but stack top object is not a table\n"
              "Lua Stack:\n1\tnumber\t3.000000\n2\tboolean\t1\n3\tnil\n4\tstring\ts\n");
    state->setTop(0);
    state->unlockState();
}

TEST_F(LuaStateTest, InstancesOfClassesPostNotification)
{
    state->doString(R"(
        Point = {}
        function Point:new() local o = setmetatable({ x = 1 }, { __index = self }) return o end
    )");
    int created = 0;
    uint64_t token = TNNotificationCenter::defaultCenter()->addObserver(
        "luaObjectCreatedNotification", state.get(), [&](const TNNotification&) { ++created; });
    TNRef<TNObject> point = state->instanceOfClass("Point");
    auto* proxy = dynamic_cast<LuaObject*>(point.get());
    ASSERT_NE(proxy, nullptr);
    EXPECT_EQ(text(proxy->valueForKey("x")), "1");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(state->instanceOfClass("Nothing"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "No lua class Nothing found\n");
    TNRef<TNObject> classProxy = state->globalObject()->valueForKey("Point");
    EXPECT_TRUE(state->instanceOfPrototype(static_cast<LuaObject*>(classProxy.get())));
    TNNotificationCenter::defaultCenter()->removeObserver(token);
    EXPECT_EQ(created, 3);
}

TEST_F(LuaStateTest, ClosedStateAnswersEmpty)
{
    state->doString("function f() return 1 end");
    TNRef<TNObject> globals = state->globalObject();
    state->close();
    state->close();
    EXPECT_TRUE(state->callFunction("f").empty());
    EXPECT_FALSE(state->doFile("/nonexistent"));
    state->doString("x = 1");
    EXPECT_EQ(state->evaluateExpression("1"), "");
    EXPECT_FALSE(state->syntaxCheck("x = 1"));
    state->collectGarbage();
    EXPECT_EQ(state->totalMemoryAllocated(), 0);
    EXPECT_FALSE(state->globalObject());
    EXPECT_THROW(state->getTop(), std::logic_error);
    // A proxy of the closed state does nothing and returns nothing.
    auto* proxy = static_cast<LuaObject*>(globals.get());
    EXPECT_FALSE(proxy->valueForKey("f"));
    proxy->setValueForKey(TNNumber::withInt(1).get(), "y");
}

TEST_F(LuaStateTest, ConcurrentCallsAreSerialised)
{
    // inside counts callers in the interpreter; a second one would see it set.
    state->doString(R"(
        inside, overlaps, calls = 0, 0, 0
        function work(n)
            if inside ~= 0 then overlaps = overlaps + 1 end
            inside = 1
            local t = {}
            for i = 1, n do t[i] = tostring(i) end
            calls = calls + 1
            inside = 0
            return calls
        end
    )");
    const int perThread = 200;
    auto caller = [&] {
        for (int i = 0; i < perThread; ++i)
            state->callFunction("work", {TNNumber::withInt(50)});
    };
    std::vector<std::thread> threads;
    threads.emplace_back(caller);
    threads.emplace_back(caller);
    // A third thread works through a proxy and the stack operations.
    threads.emplace_back([&] {
        TNRef<LuaObject> globals = state->globalObject();
        for (int i = 0; i < perThread; ++i) {
            globals->setValueForKey(TNNumber::withInt(i).get(), "fromProxy");
            state->lockState();
            state->getGlobal("calls");
            state->setTop(0);
            state->unlockState();
        }
    });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(state->evaluateExpression("calls"), std::to_string(2 * perThread));
    EXPECT_EQ(state->evaluateExpression("overlaps"), "0");
    EXPECT_EQ(state->evaluateExpression("fromProxy"), std::to_string(perThread - 1));
}
