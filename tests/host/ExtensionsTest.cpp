// The extension globals and the platformWrappers library, from Lua.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "ScriptedEngine.h"
#include "TestSupport.h"
#include "lauxlib.h"
#include "lobject.h"

using tern_test::ScriptedEngine;
using tern_test::TempDir;

namespace {

const char* const kEmptyEngine = "function initEngine() end";

// Array and hash sizes of the table a global expression gives.
std::pair<int, int> tableSizes(ScriptedEngine& engine, const std::string& expression)
{
    EXPECT_EQ(luaL_loadstring(engine.L(), ("return " + expression).c_str()), 0);
    EXPECT_EQ(lua_pcall(engine.L(), 0, 1, 0), 0) << lua_tostring(engine.L(), -1);
    const auto* t = static_cast<const Table*>(lua_topointer(engine.L(), -1));
    std::pair<int, int> sizes{t ? t->sizearray : -1, t ? sizenode(t) : -1};
    lua_pop(engine.L(), 1);
    return sizes;
}

}  // namespace

TEST(LuaExtensions, CreateTableAndCreateTableTPreSizeOrRefuse)
{
    ScriptedEngine engine(kEmptyEngine);
    const std::pair<std::string, std::pair<int, int>> cases[] = {
        {"createTable(4, 0)", {4, 1}},
        {"createTable(0, 3)", {0, 4}},
        // The first four integer keys fit without a rehash.
        {"(function() local t = createTable(4, 0) for i = 1, 4 do t[i] = i end return t end)()", {4, 1}},
        // Arguments are read from the top: only the last two count; given
        // fewer, the ones given come first.
        {"createTable(99, 2, 0)", {2, 1}},
        {"createTable(2)", {2, 1}},
        {"createTable()", {0, 1}},
        {"createTableT({1,2,3,4,5,6,7,8,9,10, a=1, b=2, c=3})", {10, 4}},
        {"createTableT({})", {0, 1}},
    };
    for (const auto& [expression, sizes] : cases)
        EXPECT_EQ(tableSizes(engine, expression), sizes) << expression;
    EXPECT_EQ(engine.eval("next(createTableT({1, 2, x = 3}))"), "nil");

    // Impossible sizes and templates are Lua errors.
    const std::pair<const char*, const char*> errors[] = {
        {"createTable(-1, 0)", "createTable: array size must be between 0 and 4194304"},
        {"createTable(0, -5)", "createTable: hash size must be between 0 and 4194304"},
        {"createTable(1e30, 0)", "createTable: array size must be between 0 and 4194304"},
        {"createTable(0/0, 0)", "createTable: array size must be between 0 and 4194304"},
        {"createTableT(5)", "createTableT: argument 1 must be a table (got number)"},
        {"createTableT()", "createTableT: argument 1 must be a table (got nil)"},
    };
    for (const auto& [chunk, message] : errors)
        EXPECT_NE(engine.errorOf(chunk).find(message), std::string::npos) << chunk;
}

TEST(LuaExtensions, TypeCodeNumbersTheLastArgumentsTypeAsLuaDoes)
{
    ScriptedEngine engine(kEmptyEngine);
    const std::pair<const char*, const char*> cases[] = {
        {"nil", "0"}, {"true", "1"}, {"1.5", "3"}, {"print", "6"}, {"{}, 'last one counts'", "4"}, {"", "0"},
    };
    for (const auto& [arguments, code] : cases)
        EXPECT_EQ(engine.eval(std::string("typeCode(") + arguments + ")"), code) << arguments;
}

TEST(PlatformWrappers, SystemTimeNeverDecreases)
{
    ScriptedEngine engine(kEmptyEngine);
    engine.run(R"(
        first = platformWrappers.getSystemTime()
        ok = type(first) == 'number' and first >= 0
        for i = 1, 20000 do local now = platformWrappers.getSystemTime() ok = ok and now >= first first = now end
    )");
    EXPECT_EQ(engine.eval("ok"), "true");
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(engine.eval("platformWrappers.getSystemTime() - first >= 0.05"), "true");
}

// A stand-in xdg-open on PATH that records its arguments, one per line.
class OpenURLTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string script = dir.file("xdg-open");
        tern_test::writeFile(script, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" +
                                         dir.file("opened.tmp") + "\"\nmv \"" + dir.file("opened.tmp") + "\" \"" +
                                         dir.file("opened") + "\"\n");
        ASSERT_EQ(chmod(script.c_str(), 0755), 0);
        const char* path = std::getenv("PATH");
        savedPath = path ? path : "";
        setenv("PATH", (dir.path() + ":" + savedPath).c_str(), 1);
    }
    void TearDown() override { setenv("PATH", savedPath.c_str(), 1); }

    // What the stand-in received, or "" when it did not run within a second.
    std::string opened()
    {
        tern_test::waitUntil([&] { return tern_test::fileExists(dir.file("opened")); }, std::chrono::seconds(1),
                             std::chrono::milliseconds(10));
        return tern_test::readFile(dir.file("opened"));
    }

    TempDir dir;
    std::string savedPath;
};

TEST_F(OpenURLTest, OpensWebAndMailAddressesOnly)
{
    ScriptedEngine engine(kEmptyEngine);
    for (const char* url : {"file:///etc/passwd", "/usr/bin/xterm", "-e xterm", "javascript:alert(1)",
                            "smb://host/share", "42", "http://x\nhttp://y", "mailto:"}) {
        testing::internal::CaptureStderr();
        engine.run(std::string("platformWrappers.openExternalURL([==[") + url + "]==])");
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("openExternalURL: refused"), std::string::npos) << url;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << url;
    }
    engine.run("platformWrappers.openExternalURL()");
    engine.run("platformWrappers.openExternalURL('MAILTO:someone@example.com')");
    EXPECT_EQ(opened(), "MAILTO:someone@example.com\n");
    // A web address reaches it as one argument, without a shell.
    std::remove(dir.file("opened").c_str());
    engine.run("platformWrappers.openExternalURL('https://example.com/a b?q=1;touch /tmp/x')");
    EXPECT_EQ(opened(), "https://example.com/a b?q=1;touch /tmp/x\n");
}
