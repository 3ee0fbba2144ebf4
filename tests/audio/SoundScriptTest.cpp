// The soundManager Lua module, the host's C entry points, a state closed
// with its managers alive, a machine without any sound output, and the real
// output of sound nodes driven from a Lua scene: OpenAL Soft's wave backend
// mixes what the scene plays into a file, which is then analysed. The sounds
// come through each decoding path (Ogg, 8-bit and big-endian 16-bit CAF,
// stereo WAV mixed down), so wrong samples show as a wrong tone.
#include <gtest/gtest.h>

#include <AL/alc.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "AudioTestSupport.h"
#include "OffscreenGL.h"
#include "audio/SoundManager.h"
#include "ScriptedEngine.h"
#include "TestSupport.h"
#include "audio/wrap_SoundManager.h"
#include "lua/TNManagerLink.h"

using namespace tern_audio_test;
using tern_test::ScriptedEngine;

namespace {

const char* const kEngine = "function initEngine() end\n";

TEST(SoundManagerModule, NewDeleteUpdateAndMakeCurrent)
{
    ScriptedEngine engine(kEngine);
    engine.run("sharedSoundManager = soundManager.new() sharedSoundManager:update() sharedSoundManager:makeCurrent()");

    SoundManager** box = SoundManager_FromLuaState(engine.L());
    ASSERT_TRUE(box && *box);

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
    EXPECT_NE(SoundManager_FromLuaState(L), nullptr);
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
    SoundManager* managers[2] = {nullptr, *SoundManager_FromLuaState(engine.L())};
    engine.run("sharedSoundManager = early");
    managers[0] = *SoundManager_FromLuaState(engine.L());
    engine.run("sharedSoundManager = late");
    engine.destroy();
    const TNHandle handles[2] = {managers[0]->handle(), managers[1]->handle()};
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(TNHandleTable::lookup(handles[i]), managers[i]);
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
    const SharedTestDir dir;
    const std::string outPath = dir.file("stdout.txt");
    EXPECT_EXIT(std::exit(runWithoutSoundDevice(outPath)), testing::ExitedWithCode(0), "");

    // One report per manager that tried to open the device, nothing else.
    const std::string oneReport =
        "OpenAL context error 40964 in call to SoundManager::SoundManager: alcOpenDevice\n"
        "OpenAL context error 40961 in call to SoundManager::SoundManager: alcCreateContext\n"
        "SoundManager: no sound output device could be opened; the game runs without sound\n";
    EXPECT_EQ(tern_test::readFile(outPath), oneReport + oneReport);
}

// The scene: a sound loader feeding a player, and a listener, in the
// default space; the sound comes from the asset cache by name through the
// project's pathForSound. update() runs the manager's recycling and renders
// the scene (which places the listener), the way an engine script's frame does.
const char* const kSceneEngine = R"(
function initEngine()
    sharedSoundManager = soundManager.new()
    sharedAssetManager = assetManager.new()
end
project = {}
function project:pathForSound(name) return soundDir .. "/" .. name end
function setUpScene(dir)
    soundDir = dir
    scene = scenegraph.scene.new(sharedSoundManager, sharedAssetManager)
    local space = scene:defaultSpace()
    loader, player = space:createNode(scenegraph.soundLoaderNode), space:createNode(scenegraph.soundPlayerNode)
    listener = space:createNode(scenegraph.soundListenerNode)
    loader.name:setValue("tone.ogg", true)
    player.sound:setValue(loader.asset)
    player.sourceRelative:setValue(false)
    player.x:setValue(240) player.y:setValue(160)
end
function update(dt)
    sharedSoundManager:update()
    player:compute()
    scene:render()
end
-- Sets an input for one compute of the player.
local function pulse(port) port:setValue(true, true) player:compute() port:setValue(false, true) end
function trigger(loop) player.loop:setValue(loop) pulse(player.trigger) end
function playOnce(name) loader.name:setValue(name, true) trigger(false) end
function stopPlayer() pulse(player.stop) end
function shutdownEngine()
    scene:delete()
    sharedAssetManager:delete()
    sharedSoundManager:delete()
end
)";

struct Segment {
    size_t begin, end;
    double seconds() const { return (end - begin) / 22050.0; }
};

std::vector<Segment> audibleSegments(const std::vector<int16_t>& samples)
{
    std::vector<Segment> segments;
    const size_t gap = 22050 / 10;
    size_t lastLoud = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(samples[i]) < 300)
            continue;
        if (segments.empty() || i - lastLoud > gap)
            segments.push_back({i, i + 1});
        segments.back().end = i + 1;
        lastLoud = i;
    }
    return segments;
}

using Clock = std::chrono::steady_clock;

// Runs frames of the scene, about 60 a second, for the given wall-clock time.
void runFrames(ScriptedEngine& engine, double seconds)
{
    const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(seconds));
    while (Clock::now() < end) {
        TN_Update(engine.state(), 1.0f / 60);
        std::this_thread::sleep_for(std::chrono::microseconds(16667));
    }
}

// Runs frames until the player's sound has ended (the mixer may lag on a
// busy machine, so this waits for the sound rather than for a fixed time).
bool runUntilIdle(ScriptedEngine& engine)
{
    for (int i = 0; i < 50; ++i) {
        runFrames(engine, 0.1);
        if (engine.eval("player.playing:value()") == "false")
            return true;
    }
    return false;
}

// The scenario, in the fresh process; returns its exit status. The time
// the looping sound was let play is written to loopSecondsPath.
int playScenario(const std::string& soundDir, const std::string& loopSecondsPath)
{
    ScriptedEngine engine(kSceneEngine);
    if (engine.initStatus() != 0)
        return 2;
    engine.run("setUpScene('" + soundDir + "')");

    runFrames(engine, 0.2);
    engine.run("trigger(false)");  // 1: once, at the listener
    if (!runUntilIdle(engine))
        return 3;
    runFrames(engine, 0.4);

    engine.run("trigger(true)");  // 2: looping until stopped
    const Clock::time_point loopStart = Clock::now();
    runFrames(engine, 0.8);
    engine.run("stopPlayer()");
    const double loopSeconds = std::chrono::duration<double>(Clock::now() - loopStart).count();
    tern_test::writeFile(loopSecondsPath, std::to_string(loopSeconds));
    if (engine.eval("player.playing:value()") != "false")
        return 4;
    runFrames(engine, 0.4);

    for (const char* name : {"b.caf", "c.caf", "d.wav"}) {  // 3 to 5: the other files, once each
        engine.run(std::string("playOnce('") + name + "')");
        if (!runUntilIdle(engine))
            return 5;
        runFrames(engine, 0.3);
    }

    engine.destroy();
    closeOutputDevice();
    return 0;
}

TEST(SoundSceneOutput, PlayerNodesFromLuaPlayStopAndLoop)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const SharedTestDir dir;
    const std::string& base = dir.path();
    const std::string soundPath = base + "/tone.ogg";
    // The wave output is for the scenario's process; this one keeps its drivers for the tests after it.
    const tern_test::ScopedEnv keepConf("ALSOFT_CONF", std::getenv("ALSOFT_CONF"));
    const tern_test::ScopedEnv keepDrivers("ALSOFT_DRIVERS", std::getenv("ALSOFT_DRIVERS"));
    useWaveOutput(base + "/alsoft.conf", base + "/out.wav");
    ASSERT_TRUE(makeMedia("sox -n -r 22050 -c 1 " + soundPath + " synth 0.3 sine 440 gain -3"));
    ASSERT_TRUE(makeMedia("sox -n -r 22050 -c 1 -b 8 " + base + "/b.caf synth 0.3 sine 660"));
    ASSERT_TRUE(makeMedia("sox -n -r 11025 -c 1 -b 16 " + base + "/c.caf synth 0.3 sine 550"));
    ASSERT_TRUE(makeMedia("sox -n -r 44100 -c 2 -b 16 " + base + "/d.wav synth 0.3 sine 330"));

    const std::string loopSecondsPath = dir.file("loop-seconds.txt");
    EXPECT_EXIT(std::exit(playScenario(base, loopSecondsPath)), testing::ExitedWithCode(0), "");

    const WaveSamples wave = readWave(base + "/out.wav");
    const std::vector<Segment> segments = audibleSegments(wave.samples);
    ASSERT_EQ(segments.size(), 5u);
    const std::vector<int16_t>& s = wave.samples;

    // 1 and 3 to 5: each whole sound once, at its frequency (the listener
    // right above the player hears it at full level).
    const std::pair<size_t, double> tones[] = {{0, 440}, {2, 660}, {3, 550}, {4, 330}};
    for (const auto& [index, frequency] : tones) {
        const Segment& tone = segments[index];
        SCOPED_TRACE("sound " + std::to_string(index + 1));
        EXPECT_NEAR(tone.seconds(), 0.3, 0.03);
        EXPECT_GT(energyShareAt(s, tone.begin + 500, tone.end - 500, 22050, frequency), 0.9);
        EXPECT_GT(rms(s, tone.begin + 500, tone.end - 500), 5000);
    }

    // 2: looping keeps it going well past its length, and the stop ends it.
    const double loopSeconds = std::stod(tern_test::readFile(loopSecondsPath));
    EXPECT_GT(segments[1].seconds(), 0.6);
    EXPECT_LT(segments[1].seconds(), loopSeconds + 0.3);
}

}  // namespace
