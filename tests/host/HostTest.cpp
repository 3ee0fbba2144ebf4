// The engine host: bootstrap, entry points, error reports, callbacks, queries.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/TNEngine.h"
#include "ScriptedEngine.h"
#include "lauxlib.h"

using tern_test::ScriptedEngine;

namespace {

// A script whose every entry point records its arguments in the global log.
const char* const kRecordingEngine = R"(
log = {}
local function record(...) local parts = {} for i = 1, select('#', ...) do parts[i] = tostring((select(i, ...))) end log[#log + 1] = table.concat(parts, ' ') end
function initEngine() record('initEngine', _debuglevel) end
Project = {}
function Project:new() local p = setmetatable({}, { __index = Project }) record('new', self == Project) return p end
function Project:load(path) record('load', path, self == project) end
devices = {}
function devices:setScreenSize(w, h) record('setScreenSize', self == devices, w, h, type(w)) end
for _, name in ipairs { 'reset', 'update', 'render', 'play', 'pause', 'stop', 'keyDown', 'keyUp', 'mouseDown', 'mouseUp',
                        'mouseMoved', 'touchDown', 'touchUp', 'touchMoved', 'accelerated', 'setVolume',
                        'deviceOrientationChanged' } do
  _G[name] = function(...) record(name, ...) end
end
function getVolume() record('getVolume') return 0.25 end
function getInterfaceOrientation() record('getInterfaceOrientation') return 3 end
game = { attributes = { displaySize = { width = { _value = 480 }, height = { _value = '320' } } },
         resolutionIndependence = 1, resolution = 2 }
function game:setNeedsToChangeScene(name, flag) record('changeScene', name, flag) end
function shutdownEngine() record('shutdown') end
)";

// Every entry point, with arguments that differ from each other, and the
// line the recording script logs for them.
struct EntryPoint {
    std::string name;
    std::function<void(TN_State*)> call;
    std::string logged;
};

const std::vector<EntryPoint>& entryPoints()
{
    static const std::vector<EntryPoint> calls = {
        {"update", [](TN_State* S) { TN_Update(S, 0.25f); }, "update 0.25"},
        {"render", TN_Render, "render"},
        {"play", TN_Play, "play"},
        {"pause", TN_Pause, "pause"},
        {"stop", TN_Stop, "stop"},
        {"reset", TN_Reset, "reset"},
        {"devices:setScreenSize", [](TN_State* S) { TN_SetScreenSize(S, 800, 600); }, "setScreenSize true 800 600 number"},
        {"keyDown", [](TN_State* S) { TN_KeyDown(S, "left"); }, "keyDown left"},
        {"keyUp", [](TN_State* S) { TN_KeyUp(S, "a"); }, "keyUp a"},
        {"mouseDown", [](TN_State* S) { TN_MouseDown(S, 1.5f, 2); }, "mouseDown 1.5 2"},
        {"mouseUp", [](TN_State* S) { TN_MouseUp(S, 3, 4); }, "mouseUp 3 4"},
        {"mouseMoved", [](TN_State* S) { TN_MouseMoved(S, 10.5f, 20); }, "mouseMoved 10.5 20"},
        {"touchDown", [](TN_State* S) { TN_TouchDown(S, 1, 2, 3, 4); }, "touchDown 1 2 3 4"},
        {"touchUp", [](TN_State* S) { TN_TouchUp(S, 5, 6, 7, 8); }, "touchUp 5 6 7 8"},
        {"touchMoved", [](TN_State* S) { TN_TouchMoved(S, 1, 2, 3); }, "touchMoved 1 2 3"},
        {"accelerated", [](TN_State* S) { TN_Accelerated(S, 1, 2, 3); }, "accelerated 1 2 3"},
        {"setVolume", [](TN_State* S) { TN_SetVolume(S, 0.5f); }, "setVolume 0.5"},
        {"getVolume", [](TN_State* S) { TN_GetVolume(S); }, "getVolume"},
        {"deviceOrientationChanged", [](TN_State* S) { TN_SetDeviceOrientation(S, 2, false); }, "deviceOrientationChanged 2 false"},
        {"getInterfaceOrientation", [](TN_State* S) { TN_GetInterfaceOrientation(S); }, "getInterfaceOrientation"},
        {"game:setNeedsToChangeScene", [](TN_State* S) { TN_SetShouldChangeToScene(S, "menu"); }, "changeScene menu false"},
    };
    return calls;
}

TEST(EngineHost, EntryPointsReachTheirGlobalsWithTheirArgumentsInOrder)
{
    ScriptedEngine engine(kRecordingEngine);
    TN_State* S = engine.state();
    EXPECT_EQ(engine.initStatus(), 0);
    for (const char* lib : {"package", "os", "debug", "table", "io", "string", "math", "callbacks"})
        EXPECT_EQ(engine.eval(std::string("type(") + lib + ")"), "table") << lib;
    EXPECT_EQ(TN_LoadGame(S, "/games/demo.gameproj"), 0);
    EXPECT_EQ(engine.eval("table.concat(log, ',')"), "initEngine 1,new true,load /games/demo.gameproj true");

    lua_pushstring(S->L, "sentinel");
    for (const EntryPoint& entry : entryPoints()) {
        entry.call(S);
        EXPECT_EQ(engine.eval("log[#log]"), entry.logged) << entry.name;
        EXPECT_EQ(lua_gettop(S->L), 1) << entry.name << " left the stack changed";
    }
    EXPECT_FLOAT_EQ(TN_GetVolume(S), 0.25f);
    EXPECT_EQ(TN_GetInterfaceOrientation(S), 3);
}

TEST(EngineHost, MissingGlobalsAndScriptErrorsArePrintedAndTheNextCallStillWorks)
{
    ScriptedEngine engine("function initEngine() end\ncalls = 0\n");
    TN_State* S = engine.state();
    for (const auto& [name, call, logged] : entryPoints()) {
        testing::internal::CaptureStderr();
        call(S);
        EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("Lua Error: ", 0), 0u) << name << " missing";
        EXPECT_EQ(lua_gettop(S->L), 0);

        if (name.find(':') != std::string::npos)  // a method: its table first
            engine.run(name.substr(0, name.find(':')) + " = {}");
        engine.run("calls = 0; function " + name + "() calls = calls + 1; error('broken " + name + "') end");
        testing::internal::CaptureStderr();
        call(S);
        call(S);
        const std::string printed = testing::internal::GetCapturedStderr();
        EXPECT_EQ(printed.rfind("Lua Error: ", 0), 0u) << name;
        EXPECT_NE(printed.find("broken " + name), std::string::npos) << name;
        EXPECT_EQ(lua_gettop(S->L), 0) << name;
        EXPECT_EQ(engine.eval("calls"), "2") << name;
    }
    testing::internal::CaptureStderr();
    EXPECT_EQ(TN_GetVolume(S), 0.0f);
    EXPECT_EQ(TN_GetInterfaceOrientation(S), 0);

    // A globals table whose metatable refuses unknown names is reported too.
    engine.run("update, devices = nil, nil "
               "setmetatable(_G, { __index = function(_, k) error('undefined global ' .. k, 2) end })");
    TN_Update(S, 1);
    TN_SetScreenSize(S, 1, 2);
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_NE(printed.find("undefined global update"), std::string::npos);
    EXPECT_NE(printed.find("undefined global devices"), std::string::npos);
}

// Error values that are not strings print nothing but empty the stack; a
// failing Project:new is reported and loading carries on without a project.
TEST(EngineHost, OddErrorValuesAndAFailingProjectNew)
{
    ScriptedEngine engine("function initEngine() end\nfunction update() error({}) end\nfunction render() error(42, 0) end\n"
                          "Project = { new = function() error('bad new') end }\n");
    TN_State* S = engine.state();
    lua_pushnil(S->L);
    testing::internal::CaptureStderr();
    TN_Update(S, 1);
    EXPECT_EQ(lua_gettop(S->L), 0);
    TN_Render(S);
    TN_LoadGame(S, "game");
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed.rfind("Lua Error: 42\nLua Error: ", 0), 0u) << printed;
    EXPECT_NE(printed.find("bad new"), std::string::npos);
    EXPECT_NE(printed.find("attempt to index global 'project' (a nil value)"), std::string::npos);
    EXPECT_EQ(engine.eval("project"), "nil");
}

// A missing engine script is printed and initEngine still runs; a failing
// initEngine is returned, not printed.
TEST(EngineHost, MissingEngineScriptAndFailingInitEngine)
{
    TN_State* S = TN_NewState(0);
    ASSERT_EQ(luaL_dostring(S->L, "function initEngine() error('no init') end"), 0);
    testing::internal::CaptureStderr();
    EXPECT_NE(TN_Init(S, "/nonexistent/engine64.luo", nullptr), 0);
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed.rfind("Lua Error: cannot open /nonexistent/engine64.luo", 0), 0u) << printed;
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
    TN_DestroyState(S);
}

TEST(EngineHost, CallbacksLibraryReachesTheHost)
{
    ScriptedEngine engine("function initEngine() end\n");
    TN_State* S = engine.state();
    engine.run("callbacks.loadingWillStart() callbacks.gameDidEnd()");  // no callbacks: nothing happens

    int calls[3] = {0, 0, 0};  // loading started, loading ended, game ended
    S->callbacks.gameContext = calls;
    S->callbacks.loadingWillStart = [](void* c) { static_cast<int*>(c)[0]++; };
    S->callbacks.loadingWillEnd = [](void* c) { static_cast<int*>(c)[1]++; };
    S->callbacks.gameDidEnd = [](void* c) { static_cast<int*>(c)[2]++; };
    engine.run("callbacks.loadingWillStart('ignored') callbacks.loadingWillEnd() callbacks.gameDidEnd()");
    EXPECT_EQ(std::vector<int>(calls, calls + 3), (std::vector<int>{1, 1, 1}));

    // A host callback that throws gives the script an ordinary error.
    S->callbacks.gameDidEnd = [](void*) { throw std::runtime_error("host refused"); };
    EXPECT_EQ(engine.eval("select(2, pcall(callbacks.gameDidEnd))"), "host refused");
}

TEST(EngineHost, QueriesReadIntegersAndSurviveMissingTables)
{
    ScriptedEngine engine(kRecordingEngine);
    TN_State* S = engine.state();
    // Display width and height, resolution independence, target resolution.
    auto queries = [S] {
        int width = 0, height = 0;
        TN_GetIntendedDisplaySize(S, &width, &height);
        return std::vector<int>{width, height, TN_GetResolutionIndependence(S), TN_GetTargetDisplayResolution(S)};
    };
    EXPECT_EQ(queries(), (std::vector<int>{480, 320, 1, 2}));
    testing::internal::CaptureStdout();
    engine.run("game.resolutionIndependence = true; game.attributes.displaySize = nil");
    EXPECT_EQ(queries(), (std::vector<int>{0, 0, 0, 2}));
    engine.run("game = nil");
    EXPECT_EQ(queries(), (std::vector<int>{0, 0, 0, 0}));
    const std::string missing = " is missing, reading 0 (is the game loaded?)\n";
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "TN_GetIntendedDisplaySize: 'displaySize'" + missing + "TN_GetIntendedDisplaySize: 'game'" + missing +
                  "TN_GetResolutionIndependence: 'game'" + missing + "TN_GetTargetDisplayResolution: 'game'" + missing);
    EXPECT_EQ(lua_gettop(S->L), 0);
}

}  // namespace
