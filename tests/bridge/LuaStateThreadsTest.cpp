// Two threads calling into one LuaState never run inside the interpreter at
// the same time (run under ThreadSanitizer by make test-tsan).
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "lualib.h"
#include "bridge/LuaErrorException.h"
#include "bridge/LuaObject.h"
#include "bridge/LuaState.h"
#include "bridge/runtime/TNNumber.h"

TEST(LuaStateThreads, ConcurrentCallsAreSerialised)
{
    TNRef<LuaState> state = LuaState::createWithNewState();
    luaL_openlibs(state->state());
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
        function fail() error('expected') end
    )");
    const int perThread = 200;
    auto caller = [&](bool failing) {
        for (int i = 0; i < perThread; ++i) {
            if (failing && i % 10 == 0) {
                try {
                    state->callFunction("fail");
                } catch (const LuaErrorException&) {
                }
            }
            state->callFunction("work", {TNNumber::withInt(50)});
        }
    };
    ::testing::internal::CaptureStderr();
    std::vector<std::thread> threads;
    threads.emplace_back(caller, false);
    threads.emplace_back(caller, true);
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
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(state->evaluateExpression("calls"), std::to_string(2 * perThread));
    EXPECT_EQ(state->evaluateExpression("overlaps"), "0");
    EXPECT_EQ(state->evaluateExpression("fromProxy"), std::to_string(perThread - 1));
}
