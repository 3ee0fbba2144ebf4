// Script code run while a scene draws: a loader node asks the engine
// script's project:pathForImage from inside scene:render(), and that method
// removes nodes, removes spaces or deletes the scene being drawn. The
// render goes on without touching what went: removed entries are not drawn
// from then on, added ones from the next render, and a deleted scene draws
// nothing more and goes when its render returns.
#include <gtest/gtest.h>

#include <string>

#include "DrawingSupport.h"
#include "ScriptedEngine.h"
#include "lua/TNHandle.h"

using namespace tern_test;

namespace {

// A 16 × 16 view. Space "first": the trigger (a sprite off the view showing
// a loader node's image), then white sprites on the left and right halves.
// Space "second": a white sprite over the bottom row band. onPath(), when
// set, runs inside the trigger's path question, once.
const char* const kEngine = R"(
function initEngine() end
project = {}
function project:pathForImage(name)
    local action = onPath
    onPath = nil
    if action then action() end
    return "/nonexistent/" .. name .. ".png"
end
function sprite(space, x, y, w, h)
    local node = space:createNode(scenegraph.spriteNode)
    for port, value in pairs({x = x, y = y, width = w, height = h}) do node[port]:setValue(value, true) end
    return node
end
function pixelSpace(scene)
    local space = scene:createSpace(scenegraph.ortho2DSpace)
    for port, value in pairs({width = 16, height = 16, near = -1, far = 1}) do space[port]:setValue(value, true) end
    return space
end
function build()
    if scene then scene:delete() end
    if sharedAssetManager then assetManager.delete(sharedAssetManager) end
    sharedAssetManager = assetManager.new()
    scene = scenegraph.scene.new(nil, sharedAssetManager)
    first = pixelSpace(scene)
    trigger = sprite(first, -100, -100, 4, 4)
    loader = first:createNode(scenegraph.imageLoaderNode)
    loader.name:setValue("trigger", true)
    trigger.image:setValue(loader.asset)
    left = sprite(first, 4, 10, 8, 12)
    right = sprite(first, 12, 10, 8, 12)
    second = pixelSpace(scene)
    band = sprite(second, 8, 2, 16, 4)
end
)";

class Reentrancy : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gl.ok()) << gl.error();
        ASSERT_EQ(engine.initStatus(), 0);
        before = TNHandleTable::liveCount();
        engine.run("build()");
    }
    void TearDown() override
    {
        engine.run("scene:delete(); assetManager.delete(sharedAssetManager); collectgarbage()");
        EXPECT_EQ(TNHandleTable::liveCount(), before) << "everything the test made is gone";
    }

    // Renders once with onPath set to action; then whether the left half,
    // the right half and the bottom band are lit, as "LRB" with "-" for unlit.
    std::string renderWith(const std::string& action)
    {
        engine.run("onPath = function() " + action + " end");
        prepareViewState();
        EXPECT_EQ(engine.errorOf("scene:render()"), "") << action;
        return {gl.pixel(4, 10).r > 128 ? 'L' : '-', gl.pixel(12, 10).r > 128 ? 'R' : '-',
                gl.pixel(8, 2).r > 128 ? 'B' : '-'};
    }

    OffscreenGL gl{16, 16};
    ScriptedEngine engine{kEngine};
    int before = 0;
};

// What is shown by the render that ran the action, then by the next one.
TEST_F(Reentrancy, NodesRemovedWhileTheirSpaceDrawsAreNotDrawnFromThenOnAndAddedOnesFromTheNextRender)
{
    const struct {
        const char* action;
        const char* during;
        const char* after;
    } cases[] = {
        {"first:removeNode(left)", "-RB", "-RB"},
        {"first:removeNode(left); first:removeNode(right); first:removeNode(left)", "--B", "--B"},
        // The node being drawn and the loader it reads from go too.
        {"first:removeNode(trigger); first:removeNode(loader)", "LRB", "LRB"},
        // The loader loses its last reference while it computes.
        {"first:removeNode(loader); trigger.image:setValue(left.x)", "LRB", "LRB"},
        {"scene:removeSpace(second)", "LR-", "LR-"},
        // The space being drawn finishes its pass, then goes.
        {"scene:removeSpace(first)", "LRB", "--B"},
        {"first:removeNode(left); added = sprite(first, 4, 10, 8, 12)", "-RB", "LRB"},
    };
    for (const auto& c : cases) {
        engine.run("build()");
        EXPECT_EQ(renderWith(c.action), c.during) << c.action;
        EXPECT_EQ(renderWith(""), c.after) << c.action;
    }
}

TEST_F(Reentrancy, ASceneDeletedWhileItDrawsDrawsNothingMoreAndGoesAfterwards)
{
    EXPECT_EQ(renderWith("scene:delete(); deletedCount = first:countRenderNodes()"), "---");
    EXPECT_EQ(engine.eval("deletedCount"), "0");
    // Gone once the render returned: only the asset manager's handle is left.
    EXPECT_EQ(TNHandleTable::liveCount(), before + 1);
    // The same while the default space draws (the scene's own member).
    engine.run("build(); early = sprite(scene:defaultSpace(), -100, -100, 4, 4) "
               "local loader = scene:defaultSpace():createNode(scenegraph.imageLoaderNode) "
               "loader.name:setValue('early', true); early.image:setValue(loader.asset)");
    EXPECT_EQ(renderWith("scene:delete()"), "---");
    EXPECT_EQ(TNHandleTable::liveCount(), before + 1);
    // The same from a space's own compute, and with another scene drawn under it.
    engine.run("build(); onPath = function() scene:delete() end");
    EXPECT_EQ(engine.errorOf("first:compute()"), "");
    EXPECT_EQ(TNHandleTable::liveCount(), before + 1);
    engine.run("build(); other = scenegraph.scene.new(); onPath = function() other:delete(); scene:delete() end");
    EXPECT_EQ(engine.errorOf("scene:renderWithInitialState(other)"), "");
    EXPECT_EQ(TNHandleTable::liveCount(), before + 1);
}

}  // namespace
