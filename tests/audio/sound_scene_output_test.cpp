// Real output of sound nodes driven from a Lua scene: OpenAL Soft's wave
// backend mixes what the scene plays into a file, which is then analysed.
#include <gtest/gtest.h>

#include <AL/al.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "AudioTestSupport.h"
#include "TestSupport.h"
#include "audio/TNSoundDecoding.h"
#include "lauxlib.h"
#include "scenegraph/SGObject.h"
#include "scenegraph/SGSound.h"
#include "scenegraph/nodes/SGSoundPlayerNode.h"

using namespace tern_audio_test;

namespace {

// The scene: one player and one listener in the default space. update()
// runs the manager's recycling and renders the scene (which places the
// listener), the way an engine script's frame does.
const char* const kEngine = R"(
function initEngine()
    sharedSoundManager = soundManager.new()
    scene = scenegraph.scene.new(sharedSoundManager, nil)
    local space = scene:defaultSpace()
    player = space:createNode(scenegraph.soundPlayerNode)
    listener = space:createNode(scenegraph.soundListenerNode)
    player.sourceRelative:setValue(false)
    player.x:setValue(240)
    player.y:setValue(160)
end
function update(dt)
    sharedSoundManager:update()
    player:compute()
    scene:render()
end
function trigger(loop)
    player.loop:setValue(loop)
    player.trigger:setValue(true, true)
    player:compute()
    player.trigger:setValue(false, true)
end
function stopPlayer()
    player.stop:setValue(true, true)
    player:compute()
    player.stop:setValue(false, true)
end
function shutdownEngine()
    scene:delete()
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

// Runs frames of the scene for the given time at about 60 per second.
void runFrames(tern_test::ScriptedEngine& engine, double seconds)
{
    const int frames = static_cast<int>(seconds * 60);
    for (int i = 0; i < frames; ++i) {
        TN_Update(engine.state(), 1.0f / 60);
        std::this_thread::sleep_for(std::chrono::microseconds(16667));
    }
}

// The scenario, in the fresh process; returns its exit status.
int playScenario(const std::string& soundPath)
{
    tern_test::ScriptedEngine engine(kEngine);
    const TNSoundBuffers decoded = TNDecodeSoundFile(soundPath.c_str());
    SGSound sound{decoded.buffers, decoded.bufferCount};
    lua_getglobal(engine.L(), "player");
    // A node object's userdata starts with the node's address.
    auto* node = dynamic_cast<SGSoundPlayerNode*>(*static_cast<SGObject**>(lua_touserdata(engine.L(), -1)));
    lua_pop(engine.L(), 1);
    if (!node)
        return 2;
    node->sound.setValue(sound);

    runFrames(engine, 0.2);
    engine.run("trigger(false)");           // 1: once, at the listener
    runFrames(engine, 0.6);
    engine.run("trigger(true)");            // 2: looping, stopped after 0.8 s
    runFrames(engine, 0.8);
    engine.run("stopPlayer()");
    runFrames(engine, 0.3);
    engine.run("listener.x:setValue(740, true)");  // 3: far away
    runFrames(engine, 0.1);
    engine.run("trigger(false)");
    runFrames(engine, 0.6);
    if (engine.eval("player.playing:value()") != "false")
        return 3;
    engine.destroy();
    sound.freeSound();
    closeOutputDevice();
    return 0;
}

TEST(SoundSceneOutput, PlayerNodesFromLuaPlayStopLoopAndFade)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const SharedTestDir dir;
    const std::string& base = dir.path();
    const std::string soundPath = base + "/tone.ogg";
    useWaveOutput(base + "/alsoft.conf", base + "/out.wav");
    ASSERT_TRUE(makeMedia("sox -n -r 22050 -c 1 " + soundPath + " synth 0.3 sine 440 gain -3"));

    EXPECT_EXIT(std::exit(playScenario(soundPath)), testing::ExitedWithCode(0), "");

    const WaveSamples wave = readWave(base + "/out.wav");
    const std::vector<Segment> segments = audibleSegments(wave.samples);
    ASSERT_EQ(segments.size(), 3u);
    const std::vector<int16_t>& s = wave.samples;

    // 1: the whole sound once, at the expected frequency.
    EXPECT_NEAR(segments[0].seconds(), 0.3, 0.03);
    EXPECT_NEAR(zeroCrossingFrequency(s, segments[0].begin + 500, segments[0].end - 500, 22050), 440, 10);
    EXPECT_GT(energyShareAt(s, segments[0].begin + 500, segments[0].end - 500, 22050, 440), 0.9);

    // 2: looping keeps it going past its length until the stop.
    EXPECT_NEAR(segments[1].seconds(), 0.8, 0.1);

    // 3: a listener 500 units away hears it at about a tenth of the level.
    const double nearLevel = rms(s, segments[0].begin + 500, segments[0].end - 500);
    const double farLevel = rms(s, segments[2].begin + 500, segments[2].end - 500);
    EXPECT_NEAR(segments[2].seconds(), 0.3, 0.03);
    EXPECT_LT(farLevel, nearLevel * 0.2);
    EXPECT_GT(farLevel, nearLevel * 0.05);
}

}  // namespace
