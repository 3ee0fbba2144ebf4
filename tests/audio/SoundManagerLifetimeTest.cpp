// A sound manager that the script deletes while scenes made with it still
// exist: their sound players then play nothing, quietly, and never reach
// the freed manager or the sources it owned. And a state closed with its
// managers and scenes alive.
#include <gtest/gtest.h>

#include <string>

#include "AudioTestSupport.h"
#include "OffscreenGL.h"
#include "audio/SoundManager.h"
#include "lua/TNManagerLink.h"
#include "ScriptedEngine.h"
#include "TestSupport.h"
#include "audio/wrap_SoundManager.h"

using tern_test::ScriptedEngine;

namespace {

const char* const kEngine = R"(
function initEngine() end
project = {}
function project:pathForSound(name) return soundDir .. "/" .. name .. ".wav" end

function trigger(node)
    node.trigger:setValue(true, true)
    node:compute()
    node.trigger:setValue(false, true)
end

-- A looping tone playing on a player in the default space.
function buildScene(dir)
    soundDir = dir
    sharedSoundManager = soundManager.new()
    sharedAssetManager = assetManager.new()
    scene = scenegraph.scene.new(sharedSoundManager, sharedAssetManager)
    space = scene:defaultSpace()
    loader = space:createNode(scenegraph.soundLoaderNode)
    loader.name:setValue("tone", true)
    player = space:createNode(scenegraph.soundPlayerNode)
    player.sound:setValue(loader.asset)
    player.loop:setValue(true, true)
    trigger(player)
end

-- Everything a frame or a game does with its players.
function useEveryPort(node)
    node.x:setValue(10, true)
    node.y:setValue(20, true)
    node.dx:setValue(1, true)
    node.dy:setValue(1, true)
    node.volume:setValue(0.5, true)
    node.pitch:setValue(2, true)
    node.sourceRelative:setValue(false, true)
    trigger(node)
    for _, control in ipairs({ "pause", "resume", "stop" }) do
        node[control]:setValue(true, true)
        node:compute()
        node[control]:setValue(false, true)
    end
    trigger(node)
    scene:render()
end
)";

class SoundManagerLifetime : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gl.ok()) << gl.error();
        ASSERT_TRUE(tern_audio_test::makeMedia("sox -n -r 22050 -c 1 " + dir.file("tone.wav") + " synth 1 sine 440"));
        ASSERT_EQ(engine.initStatus(), 0);
    }

    tern_test::OffscreenGL gl;
    tern_test::TempDir dir;
    ScriptedEngine engine{kEngine};
};

TEST_F(SoundManagerLifetime, ScenesOfADeletedManagerPlayNothingAndStayUsable)
{
    engine.run("buildScene('" + dir.path() + "')");
    ASSERT_EQ(engine.eval("player.playing:value()"), "true");

    // Any OpenAL call on a source the manager deleted would print an error line.
    testing::internal::CaptureStdout();
    engine.run("sharedSoundManager:delete()");
    engine.run("scene:render() useEveryPort(player)");
    EXPECT_EQ(engine.eval("player.playing:value()"), "false");

    engine.run("other = space:createNode(scenegraph.soundPlayerNode) other.sound:setValue(loader.asset)");
    engine.run("useEveryPort(other)");
    EXPECT_EQ(engine.eval("other.playing:value()"), "false");
    engine.run("inner = scene:createSpace(scenegraph.space):createNode(scenegraph.soundPlayerNode) useEveryPort(inner)");
    EXPECT_EQ(engine.eval("inner.playing:value()"), "false");

    // A new manager (perhaps at the old one's address) is not the scene's.
    engine.run("sharedSoundManager = soundManager.new()");
    engine.run("useEveryPort(player) useEveryPort(other)");
    SoundManager** box = SoundManager_FromLuaState(engine.L());
    ASSERT_NE(box, nullptr);
    ASSERT_NE(*box, nullptr);
    EXPECT_EQ((*box)->freeCount(), SoundManager::kPoolSize);
    EXPECT_EQ(engine.eval("player.playing:value()"), "false");

    engine.run("space:removeNode(player) space:removeNode(other) scene:render() scene:delete()");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    engine.run("sharedSoundManager:delete() sharedAssetManager:delete()");
}

// Closing the state collects attribute nodes whose handles hold the last
// reference to a player (through the attribute's input port) that still
// has a source, while its manager lives on (a manager goes only when the
// script deletes it; here the test does, after the close).
TEST_F(SoundManagerLifetime, ClosingTheStateWithTheManagerAndScenesAlive)
{
    engine.run(R"(
        local function holdPlayer(manager, holder)
            local scene = scenegraph.scene.new(manager, nil)
            local space = scene:defaultSpace()
            local player = space:createNode(scenegraph.soundPlayerNode)
            trigger(player)  -- no sound: it plays silence until the next update
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

}  // namespace
