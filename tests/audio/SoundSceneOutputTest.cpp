// Real output of sound nodes driven from a Lua scene: OpenAL Soft's wave
// backend mixes what the scene plays into a file, which is then analysed.
// The sounds come through each decoding path (Ogg, 8-bit and big-endian
// 16-bit CAF, stereo WAV mixed down), so wrong samples show as a wrong tone.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "AudioTestSupport.h"
#include "ScriptedEngine.h"
#include "TestSupport.h"

using namespace tern_audio_test;

namespace {

// The scene: a sound loader feeding a player, and a listener, in the
// default space; the sound comes from the asset cache by name through the
// project's pathForSound. update() runs the manager's recycling and renders
// the scene (which places the listener), the way an engine script's frame does.
const char* const kEngine = R"(
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
void runFrames(tern_test::ScriptedEngine& engine, double seconds)
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
bool runUntilIdle(tern_test::ScriptedEngine& engine)
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
    tern_test::ScriptedEngine engine(kEngine);
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

    engine.run("listener.x:setValue(740, true)");  // 3: far away
    runFrames(engine, 0.1);
    engine.run("trigger(false)");
    if (!runUntilIdle(engine))
        return 5;
    runFrames(engine, 0.2);

    engine.run("listener.x:setValue(240, true)");  // 4 to 6: the other files, once each
    for (const char* name : {"b.caf", "c.caf", "d.wav"}) {
        engine.run(std::string("playOnce('") + name + "')");
        if (!runUntilIdle(engine))
            return 6;
        runFrames(engine, 0.3);
    }

    engine.destroy();
    closeOutputDevice();
    return 0;
}

TEST(SoundSceneOutput, PlayerNodesFromLuaPlayStopLoopAndFade)
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
    ASSERT_EQ(segments.size(), 6u);
    const std::vector<int16_t>& s = wave.samples;

    // 1 and 4 to 6: each whole sound once, at its frequency.
    const std::pair<size_t, double> tones[] = {{0, 440}, {3, 660}, {4, 550}, {5, 330}};
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

    // 3: a listener 500 units away hears it at about a tenth of the level.
    const double nearLevel = rms(s, segments[0].begin + 500, segments[0].end - 500);
    const double farLevel = rms(s, segments[2].begin + 500, segments[2].end - 500);
    EXPECT_NEAR(segments[2].seconds(), 0.3, 0.03);
    EXPECT_LT(farLevel, nearLevel * 0.2);
    EXPECT_GT(farLevel, nearLevel * 0.05);
}

}  // namespace
