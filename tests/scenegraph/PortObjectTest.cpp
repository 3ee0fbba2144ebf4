// Port objects are kept with the node object that handed them out: a frame
// of port writes from a script allocates nothing.
#include <gtest/gtest.h>

#include <string>

#include "ScriptedEngine.h"

using tern_test::ScriptedEngine;

namespace {

const char* const kEngine = "function initEngine() end\n";

TEST(PortObject, OneObjectPerPortOfANodeObject)
{
    ScriptedEngine engine{kEngine};
    ASSERT_EQ(engine.initStatus(), 0);
    engine.run(R"(
        scene = scenegraph.scene.new(nil, nil)
        space = scene:defaultSpace()
        sum = space:createNode(scenegraph.arithmeticNode)
        sprite = space:createNode(scenegraph.spriteNode)
    )");
    const char* const cases[] = {
        "sum.input1 == sum.input1 and sum.output == sum.output",
        "sum.input1 ~= sum.input2 and sum.input1[2] ~= sum.input2[2]",
        "sprite.x == sprite.x and sprite.x ~= sprite.y and sprite.x[2] ~= sprite.y[2]",
        "getmetatable(sum.input1) == getmetatable(sprite.x)",
        // The environment of a node object is its own, never the globals.
        "rawget(_G, sum.input1[2]) == nil and rawget(_G, sprite.x[2]) == nil",
    };
    for (const char* expression : cases)
        EXPECT_EQ(engine.eval(expression), "true") << expression;
    // A kept port object still works, and does nothing once its node is gone.
    engine.run(R"(
        input = sum.input1
        input:setValue(3, true)
        sum.input2:setValue(4, true)
    )");
    EXPECT_EQ(engine.eval("sum.output:value()"), "7");
    engine.run("space:removeNode(sum)");
    EXPECT_EQ(engine.eval("input:value() == nil and sum.output:value() == nil"), "true");
    engine.run("input:setValue(5, true); sum.input2:setValue(1, true)");
    engine.run("scene:delete()");
}

// The sprite benchmark's update loop, with the collector stopped: the
// memory in use must not grow at all over 100 frames.
TEST(PortObject, PortWritesAllocateNothingInSteadyState)
{
    ScriptedEngine engine{kEngine};
    ASSERT_EQ(engine.initStatus(), 0);
    engine.run(R"(
        scene = scenegraph.scene.new(nil, nil)
        local space = scene:defaultSpace()
        sprites = {}
        for i = 1, 200 do
            sprites[i] = space:createNode(scenegraph.spriteNode)
        end
        local cos, sin = math.cos, math.sin
        function moveSprites(f)
            for i = 1, #sprites do
                local sprite = sprites[i]
                local phase = i * 0.1 + f * 0.05
                sprite.x:setValue(100 + 15 * cos(phase), true)
                sprite.y:setValue(100 + 15 * sin(phase), true)
            end
        end
        moveSprites(0)  -- the first lookups make the port objects
        collectgarbage("collect")
        collectgarbage("stop")
        before = collectgarbage("count")
        for f = 1, 100 do moveSprites(f) end
        after = collectgarbage("count")
        collectgarbage("restart")
    )");
    EXPECT_EQ(engine.eval("after - before"), "0");
    EXPECT_EQ(engine.eval("sprites[200].x:value() > 80"), "true");
    engine.run("scene:delete()");
}

}  // namespace
