// A state closed with its sound managers and scenes alive.
#include <gtest/gtest.h>

#include <string>

#include "OffscreenGL.h"
#include "audio/SoundManager.h"
#include "lua/TNManagerLink.h"
#include "ScriptedEngine.h"

using tern_test::ScriptedEngine;

namespace {

const char* const kEngine = R"(
function initEngine() end

function trigger(node)
    node.trigger:setValue(true, true)
    node:compute()
    node.trigger:setValue(false, true)
end
)";

class SoundManagerLifetime : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gl.ok()) << gl.error();
        ASSERT_EQ(engine.initStatus(), 0);
    }

    tern_test::OffscreenGL gl;
    ScriptedEngine engine{kEngine};
};

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
