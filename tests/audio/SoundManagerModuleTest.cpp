// The soundManager Lua module, the host's C entry points, a state closed
// with its managers alive, and a machine without any sound output.
#include <gtest/gtest.h>

#include <AL/alc.h>

#include <cstdlib>
#include <string>
#include <utility>

#include "AudioTestSupport.h"
#include "OffscreenGL.h"
#include "audio/SoundManager.h"
#include "ScriptedEngine.h"
#include "TestSupport.h"
#include "audio/wrap_SoundManager.h"
#include "lua/TNManagerLink.h"

using tern_test::ScriptedEngine;

namespace {

const char* const kEngine = "function initEngine() end\n";

TEST(SoundManagerModule, NewDeleteUpdateAndMakeCurrent)
{
    ScriptedEngine engine(kEngine);
    engine.run("sharedSoundManager = soundManager.new()");
    engine.run("sharedSoundManager:update() sharedSoundManager:makeCurrent()");

    SoundManager** box = SoundManager_FromLuaState(engine.L());
    ASSERT_NE(box, nullptr);
    ASSERT_NE(*box, nullptr);
    EXPECT_EQ((*box)->freeCount(), SoundManager::kPoolSize);

    alcMakeContextCurrent(nullptr);
    SoundManager_MakeCurrent(box);
    EXPECT_NE(alcGetCurrentContext(), nullptr);
    SoundManager_Suspend(box);
    EXPECT_EQ(alcGetCurrentContext(), nullptr);
    SoundManager_Resume(box);
    EXPECT_NE(alcGetCurrentContext(), nullptr);

    // Deleting twice destroys once; later calls do nothing, each function
    // saying so once.
    engine.run("sharedSoundManager:delete() sharedSoundManager:delete()");
    EXPECT_EQ(*box, nullptr);
    testing::internal::CaptureStderr();
    engine.run("for frame = 1, 3 do sharedSoundManager:update() sharedSoundManager:makeCurrent() end");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "soundManager.update: the sound manager (deleted) no longer exists; the call does nothing (said once "
              "per function)\n"
              "soundManager.makeCurrent: the sound manager (deleted) no longer exists; the call does nothing (said "
              "once per function)\n");
    SoundManager_MakeCurrent(box);
    SoundManager_Suspend(box);
    SoundManager_Resume(box);
}

// The manager is the last argument (the toolkit's own test pins the
// message for every kind of value).
TEST(SoundManagerModule, WrongArgumentsRaiseLuaErrors)
{
    ScriptedEngine engine(kEngine);
    engine.run("manager = soundManager.new()");
    const std::pair<const char*, const char*> cases[] = {
        {"soundManager.delete", "soundManager.delete: argument 1 must be a sound manager (got no value)"},
        {"soundManager.update, manager, 7", "soundManager.update: argument 2 must be a sound manager (got number)"},
    };
    for (const auto& [call, message] : cases)
        EXPECT_EQ(engine.eval("select(2, pcall(" + std::string(call) + "))"), message);
    engine.run("soundManager.update(7, manager) manager:delete()");
}

TEST(SoundManagerModule, FromLuaStateKeepsTheStackAndRejectsOtherValues)
{
    ScriptedEngine engine(kEngine);
    lua_State* L = engine.L();
    // Unset, a userdata of another kind, a number, and unset under a
    // strict-globals metatable that must not be triggered outside a
    // protected call.
    for (const char* chunk : {"", "sharedSoundManager = io.stdout", "sharedSoundManager = 42",
                              "sharedSoundManager = nil setmetatable(_G, { __index = function(_, k) "
                              "error('undeclared ' .. k) end })"}) {
        engine.run(chunk);
        EXPECT_EQ(SoundManager_FromLuaState(L), nullptr) << chunk;
    }

    engine.run("rawset(_G, 'sharedSoundManager', soundManager.new())");
    const int top = lua_gettop(L);
    for (int i = 0; i < 10000; ++i)
        ASSERT_NE(SoundManager_FromLuaState(L), nullptr);
    EXPECT_EQ(lua_gettop(L), top);
    engine.run("sharedSoundManager:delete()");
}

// Closing the state collects attribute nodes whose handles hold the last
// reference to a player (through the attribute's input port) that still
// has a source, while its manager lives on (a manager goes only when the
// script deletes it; here the test does, after the close).
TEST(SoundManagerModule, ClosingTheStateWithTheManagerAndScenesAlive)
{
    tern_test::OffscreenGL gl;
    ASSERT_TRUE(gl.ok()) << gl.error();
    ScriptedEngine engine(kEngine);
    engine.run(R"(
        local function holdPlayer(manager, holder)
            local scene = scenegraph.scene.new(manager, nil)
            local space = scene:defaultSpace()
            local player = space:createNode(scenegraph.soundPlayerNode)
            player.trigger:setValue(true, true)
            player:compute()  -- no sound: it plays silence until the next update
            player.trigger:setValue(false, true)
            holder.value:setValue(player.playing)
            space:removeNode(player)
            space:createNode(scenegraph.soundPlayerNode)
            return scene
        end
        early = soundManager.new()
        newerHolder = scenegraph.attributeNode.new(scenegraph.BOOLEAN)
        olderHolder = scenegraph.attributeNode.new(scenegraph.BOOLEAN)
        late = soundManager.new()
        scenes = { holdPlayer(early, newerHolder), holdPlayer(late, olderHolder) }
        sharedSoundManager = late
    )");
    SoundManager* managers[2] = {nullptr, nullptr};
    const char* names[2] = {"early", "late"};
    for (int i = 0; i < 2; ++i) {
        lua_getglobal(engine.L(), names[i]);
        managers[i] = *static_cast<SoundManager**>(lua_touserdata(engine.L(), -1));
        lua_pop(engine.L(), 1);
    }
    engine.destroy();
    TNHandle handles[2];
    for (int i = 0; i < 2; ++i) {
        handles[i] = managers[i]->handle();
        EXPECT_EQ(TNHandleTable::lookup(handles[i]), managers[i]);
    }
    for (SoundManager* manager : managers)
        delete manager;
    for (TNHandle handle : handles)
        EXPECT_EQ(TNHandleTable::lookup(handle), nullptr);
}

// Runs in a fresh process where OpenAL finds no output device, the way a
// machine without a sound server behaves. Standard output goes to outPath;
// returns the exit status of the process.
int runWithoutSoundDevice(const std::string& outPath)
{
    if (!std::freopen(outPath.c_str(), "w", stdout))
        return 2;
    setenv("ALSOFT_DRIVERS", "no-such-driver", 1);
    ScriptedEngine engine(kEngine);
    engine.run(R"(
        sharedSoundManager = soundManager.new()
        for i = 1, 100 do sharedSoundManager:makeCurrent() sharedSoundManager:update() end
        second = soundManager.new()
        second:delete()
    )");
    SoundManager** box = SoundManager_FromLuaState(engine.L());
    SoundManager* manager = *box;
    for (int i = 0; i < 100; ++i) {
        TNAudioSource* source = manager->reserveSource();
        if (!source)
            return 3;
        manager->playSource(source);
        manager->update();  // with no device a played source counts as finished
    }
    SoundManager_Suspend(box);
    SoundManager_Resume(box);
    engine.run("sharedSoundManager:delete()");
    std::fflush(stdout);
    return 0;
}

TEST(SoundManagerWithoutDevice, ReportsOnceAndEverythingElseIsHarmless)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const tern_audio_test::SharedTestDir dir;
    const std::string outPath = dir.file("stdout.txt");
    EXPECT_EXIT(std::exit(runWithoutSoundDevice(outPath)), testing::ExitedWithCode(0), "");

    // One report per manager that tried to open the device, nothing else.
    const std::string oneReport =
        "OpenAL context error 40964 in call to SoundManager::SoundManager: alcOpenDevice\n"
        "OpenAL context error 40961 in call to SoundManager::SoundManager: alcCreateContext\n"
        "SoundManager: no sound output device could be opened; the game runs without sound\n";
    EXPECT_EQ(tern_test::readFile(outPath), oneReport + oneReport);
}

}  // namespace
