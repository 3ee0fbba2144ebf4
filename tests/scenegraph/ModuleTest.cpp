// The scenegraph Lua module, driven by scripts through the real host.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "OffscreenGL.h"
#include "ScriptedEngine.h"
#include "lua/TNHandle.h"

using namespace tern_test;

namespace {

const char* const kEngine = "function initEngine() end\n";

class ModuleTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(engine.initStatus(), 0); }
    // Every test's scene is deleted here (a second delete does nothing).
    void TearDown() override { engine.run("if scene then scene:delete() end"); }

    ScriptedEngine engine{kEngine};
};

TEST_F(ModuleTest, LookupsFollowTheMetatableChain)
{
    engine.run(R"(
        scene = scenegraph.scene.new(nil, nil)
        space = scene:defaultSpace()
        sum = space:createNode(scenegraph.arithmeticNode)
        clear = space:createNode(scenegraph.clearNode)
        attr = scenegraph.attributeNode.new(scenegraph.NUMBER)
        sprite = space:createNode(scenegraph.spriteNode)
    )");
    // Each expression must be true.
    const char* const cases[] = {
        "space.compute == sum.compute and type(space.getLayer) == 'function' and clear.getLayer == space.getLayer",
        "space.createNode ~= nil and clear.createNode == nil and sum.getLayer == nil",
        "attr.compute == nil and type(attr.setValue) == 'function'",
        "sum.noSuchThing == nil and type(sum.x) == 'table' and sum.output[2] == 4",
        "scene:defaultSpace() ~= scene:defaultSpace()",
        // Each node type makes the node with its own ports.
        "space:createNode(scenegraph.wrapSpace).wrapX:value() == false",
        "space:createNode(scenegraph.replicatorSpace).copies:value() == 1 and type(sprite.width:value()) == 'number'",
        // Port objects are kept with their node object (the steady-state test
        // sees them made once), never in the globals.
        "rawget(_G, sum.input1[2]) == nil and rawget(_G, sprite.x[2]) == nil",
    };
    for (const char* expression : cases)
        EXPECT_EQ(engine.eval(expression), "true") << expression;
}

// Port writes in a frame loop, with the collector stopped, must not grow
// the memory in use at all.
TEST_F(ModuleTest, PortWritesAllocateNothingInSteadyState)
{
    engine.run(R"(
        scene = scenegraph.scene.new(nil, nil)
        sprite = scene:defaultSpace():createNode(scenegraph.spriteNode)
        sprite.x:setValue(0, true)  -- the first lookups make the port objects
        sprite.y:setValue(0, true)
        collectgarbage("collect")
        collectgarbage("stop")
        before = collectgarbage("count")
        for f = 1, 1000 do sprite.x:setValue(100 + f * 0.5, true); sprite.y:setValue(f, true) end
        after = collectgarbage("count")
        collectgarbage("restart")
    )");
    EXPECT_EQ(engine.eval("after - before .. ' ' .. sprite.y:value()"), "0 1000");
}

TEST_F(ModuleTest, StringPortFormatting)
{
    engine.run(R"(
        scene = scenegraph.scene.new()
        op = scene:defaultSpace():createNode(scenegraph.arithmeticNode).operation
        function stored(v) op:setValue(v) return op:value() end
    )");
    const std::pair<const char*, const char*> cases[] = {
        {"3", "3"}, {"2.5", "2.50"}, {"'7.25'", "7.25"}, {"'abc'", "abc"}, {"true", "true"},
        {"false", "false"}, {"nil", ""}, {"'1.5'", "1.50"}, {"0.1", "0.10"}, {"-2.5", "-2.50"},
        {"1/0", "inf"}, {"-3", "-3"}, {"' 12 '", "12"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(engine.eval("stored(" + std::string(value) + ")"), text) << value;
}

TEST_F(ModuleTest, StoringWithAndWithoutMarkingAndConnectingPortsAndAttributes)
{
    engine.run(R"(
        scene = scenegraph.scene.new()
        local space = scene:defaultSpace()
        sum = space:createNode(scenegraph.arithmeticNode)
        first = sum.output:value()
        sum.input1:setValue(5)
        unmarked = sum.output:value()
        sum.input1:setValue(5, true)
        marked = sum.output:value()
        sum.operation:setValue("*", true)
        sum.input2:setValue("3", true)
        product = sum.output:value()
        a = space:createNode(scenegraph.arithmeticNode)
        b = space:createNode(scenegraph.arithmeticNode)
        a.input1:setValue(2.5, true)
        b.operation:setValue(a.output, false)       -- connects despite the flag
        asText = b.operation:value()
        holder = { node = scenegraph.attributeNode.new(scenegraph.INTEGER) }
        function holder:getNode() return self.node end
        holder.node:setValue(-2.7)
        b.input1:connectToAttribute(holder)
        b.operation:setValue("+", true)
        fromAttribute = b.output:value()
        holder.node:setValue(4, true)
        afterMark = b.output:value()
        flag = scenegraph.attributeNode.new(scenegraph.BOOLEAN)
        flag:setValue("yes", true)
        text = scenegraph.attributeNode.new(scenegraph.STRING)
        text:setValue(3.25)
    )");
    EXPECT_EQ(engine.eval("table.concat({asText, fromAttribute, afterMark, tostring(flag.value:value()),"
                          "text.output:value(), holder.node.value:value()}, ' ')"),
              "2.5 -2 4 true 3.25 4");
    EXPECT_EQ(engine.eval("table.concat({first, unmarked, marked, product, sum.input1:value()}, ' ')"), "0 0 5 15 5");
}

TEST_F(ModuleTest, AttributeNodeLivesWhileConnectedAndItsCollectorHookIsSafeTwice)
{
    const int before = TNHandleTable::liveCount();
    engine.run(R"(
        scene = scenegraph.scene.new()
        sum = scene:defaultSpace():createNode(scenegraph.arithmeticNode)
        local attr = scenegraph.attributeNode.new(scenegraph.NUMBER)
        attr:setValue(6)
        sum.input1:setValue(attr.value)
        attr = nil
        collectgarbage()
        collectgarbage()
        local gone = scenegraph.attributeNode.new(scenegraph.NUMBER)
        scenegraph.attributeNode.__gc(gone)
        scenegraph.attributeNode.__gc(gone)
        scenegraph.attributeNode.__gc({})
        ok = pcall(gone.setValue, gone, 1)
    )");
    EXPECT_EQ(engine.eval("sum.output:value() .. ' ' .. tostring(ok)"), "6 true");
    EXPECT_EQ(TNHandleTable::liveCount(), before + 4);  // scene, default space, sum, and the attribute node
    engine.run("scene:delete()");
    EXPECT_EQ(TNHandleTable::liveCount(), before);
}

TEST_F(ModuleTest, SpacesLayersAndCounts)
{
    engine.run(R"(
        scene = scenegraph.scene.new({}, 5)            -- foreign managers: none
        ortho = scene:createSpace(scenegraph.ortho2DSpace)
        space = scene:createSpace(scenegraph.space)
        nested = space:createNode(scenegraph.space)
        c1 = space:createNode(scenegraph.clearNode)
        space:createNode(scenegraph.arithmeticNode)
        c1:setLayer(3)
        count = space:countRenderNodes()
        layer = c1:getLayer()
        none = { space:createNode(scenegraph.ortho2DSpace), space:createNode(2), space:createNode(128 + 1),
                 space:createNode(scenegraph.assetLoaderNode), space:createNode("x") }
        hugeNone = space:createNode(1e30) == nil and scene:createSpace(-1e30) ~= nil
        nested:setLayer(1e30)
        hugeLayer = nested:getLayer()
        space:sortRenderNodes()
        scene:removeSpace(ortho)
        scene:removeSpace(scene:defaultSpace())
        scene:render()
    )");
    // hugeLayer: 2147483647 as a float.
    EXPECT_EQ(engine.eval("table.concat({count, layer, tostring(hugeNone), tostring(hugeLayer == 2^31), #none,"
                          "tostring(none[5]), type(ortho.createNode)}, ' ')"),
              "2 3 true true 0 nil function");
}

TEST_F(ModuleTest, ProgrammingErrorsRaiseLuaErrors)
{
    engine.run(R"(
        scene = scenegraph.scene.new()
        space = scene:defaultSpace()
        sum = space:createNode(scenegraph.arithmeticNode)
        other = space:createNode(scenegraph.arithmeticNode)
        other.input1:setValue(sum.output)
    )");
    const std::pair<const char*, const char*> cases[] = {
        {"sum.x:value()", "port:value: the node has no port 'x'"},
        {"sum.x:setValue(1)", "port:setValue: the node has no port 'x'"},
        {"space.createNode(sum, 4)", "space:createNode: argument 1 must be a space (got userdata)"},
        {"space.getLayer(sum)", "renderNode:getLayer: argument 1 must be a render node (got userdata)"},
        {"scene.render(space)", "scene:render: argument 1 must be a scene (got userdata)"},
        {"sum.input1.value({1, 2})", "port:value: argument 1 must be a port (got table)"},
        {"sum.input1.value()", "port:value: argument 1 must be a port (got no value)"},
        {"sum.input1:connectToAttribute({getNode = function() return sum end})",
         "port:connectToAttribute: the holder's getNode() must return an attribute node (got userdata)"},
        {"sum.input1:connectToAttribute()", "port:connectToAttribute: argument 2 must be an attribute holder"},
        {"scenegraph.attributeNode.setValue(sum, 1)",
         "attributeNode:setValue: argument 1 must be an attribute node (got userdata)"},
        {"sum.operation:setValue(print)", "port:setValue: a function value cannot be stored in a string port"},
        {"sum.input2:setValue(other.output)", "port:setValue: connecting these ports would close a cycle"},
    };
    for (const auto& [chunk, message] : cases)
        EXPECT_NE(engine.errorOf(chunk).find(message), std::string::npos) << chunk << " gave " << engine.errorOf(chunk);
}

// A game that keeps a node, port, space or scene after removing or deleting
// it goes on: each call does nothing, a read gives nil (a count or layer 0),
// and each function says so once on standard error, not once per frame.
TEST_F(ModuleTest, GoneObjectsArePassedOverWithOneLinePerFunction)
{
    engine.run(R"(
        scene = scenegraph.scene.new()
        space = scene:defaultSpace()
        sum = space:createNode(scenegraph.arithmeticNode)
        sprite = space:createNode(scenegraph.spriteNode)
        removed = space:createNode(scenegraph.arithmeticNode)
        removedPort = removed.output
        inner = scene:createSpace(scenegraph.space)
        space:removeNode(removed)
        scene:removeSpace(inner)
        space:removeNode(sprite)
        sum.input1:setValue(4, true)
    )");
    // Each chunk runs on three frames, then once more for its result ("" for none).
    const std::pair<const char*, const char*> cases[] = {
        {"space:removeNode(removed)", ""},
        {"scene:removeSpace(inner)", ""},
        {"return removedPort:value()", "nil"},
        {"removedPort:setValue(3, true)", ""},
        {"sum.input1:setValue(removedPort); return sum.output:value()", "4"},
        {"removed:compute()", ""},
        {"sprite:setLayer(3); return sprite:getLayer()", "0"},
        {"return inner:countRenderNodes()", "0"},
        {"return inner:createNode(scenegraph.spriteNode)", "nil"},
        {"inner:sortRenderNodes()", ""},
    };
    testing::internal::CaptureStderr();
    for (const auto& [chunk, result] : cases) {
        for (int frame = 0; frame < 3; ++frame)
            EXPECT_EQ(engine.errorOf(chunk), "") << chunk;
        if (*result)
            EXPECT_EQ(engine.eval("(function() " + std::string(chunk) + " end)()"), result) << chunk;
    }
    engine.run("scene:delete(); scene:delete()");
    const char* const afterDelete[] = {"scene:render()", "scene:createSpace(0)", "scene:defaultSpace()",
                                       "scene:removeSpace(space)", "scene:renderWithInitialState(scene)",
                                       "space:createNode(4)", "sum.output:value()"};
    for (const char* chunk : afterDelete)
        EXPECT_EQ(engine.errorOf(chunk), "") << chunk;
    EXPECT_EQ(engine.eval("scene:defaultSpace()"), "nil");
    const std::string lines = testing::internal::GetCapturedStderr();
    const char* const expected[] = {
        "space:removeNode: the node (removed from its space, or its scene deleted) no longer exists; the call does "
        "nothing (said once per function)\n",
        "port:value: the port's node (removed from its space, or its scene deleted) no longer exists",
        "scene:render: the scene (deleted) no longer exists",
    };
    for (const char* line : expected)
        EXPECT_NE(lines.find(line), std::string::npos) << line << " not in:\n" << lines;
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 14) << lines;  // one for each of the 14 functions
}

TEST_F(ModuleTest, UnsupportedValuesAndRemovingNothingSayWhy)
{
    testing::internal::CaptureStdout();
    engine.run(R"(
        colorAttr = scenegraph.attributeNode.new(scenegraph.COLOR)
        colorAttr:setValue(1, true)
        traced = 0
        function logtrace() traced = traced + 1 end
        scene = scenegraph.scene.new()
        scene:defaultSpace():removeNode(nil)
        scene:defaultSpace():removeNode(42)
        scene:defaultSpace():removeNode()
        logtrace = nil
        scene:defaultSpace():removeNode(nil)
        clear = scene:defaultSpace():createNode(scenegraph.clearNode)
    )");
    const std::string colourError = engine.errorOf("clear.color:setValue(1)");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "SGAttributeNode creation failed - unsupported type\n"
              "Attempt to remove nil node\nAttempt to remove nil node\nAttempt to remove nil node\n"
              "Attempt to remove nil node\nSGPort:setValue unhandled type\n");
    EXPECT_NE(colourError.find("port:setValue: a colour port takes no script value"), std::string::npos);
    EXPECT_EQ(engine.eval("traced"), "3");
    EXPECT_NE(engine.errorOf("colorAttr.value:value()").find("has no port"), std::string::npos);
    // Connecting to an attribute node without a port connects to nothing:
    // the port reads its own value again.
    engine.run(R"(
        local five = scenegraph.attributeNode.new(scenegraph.NUMBER)
        five:setValue(5)
        plain = scenegraph.attributeNode.new(scenegraph.NUMBER)
        plain:setValue(2)
        plain.value:connectToAttribute({getNode = function() return five end})
        connected = plain.value:value()
        plain.value:connectToAttribute({getNode = function() return colorAttr end})
    )");
    EXPECT_EQ(engine.eval("connected .. ' ' .. plain.value:value()"), "5 2");
}

TEST_F(ModuleTest, RenderOrderFollowsLayersAfterSortingAndUnmarkedValuesShowAtTheNextRedraw)
{
    OffscreenGL gl(16, 16);
    ASSERT_TRUE(gl.ok()) << gl.error();
    // Colours come from colour nodes: a script cannot set a colour port.
    // A clear node clears all four components.
    engine.run(R"(
        function clearTo(space, r, b, a, layer)
            local clear = space:createNode(scenegraph.clearNode)
            local color = space:createNode(scenegraph.colorNode)
            color.r:setValue(r, true); color.g:setValue(0, true); color.b:setValue(b, true); color.a:setValue(a, true)
            clear.color:setValue(color.output)
            clear:setLayer(layer)
        end
        scene = scenegraph.scene.new()
        space = scene:createSpace(scenegraph.space)
        clearTo(space, 1, 0, 0, 2)
        clearTo(space, 0, 1, 1, 1)
        scene:render()
    )");
    EXPECT_EQ(gl.pixel(8, 8), (Pixel{0, 0, 255, 255})) << toString(gl.pixel(8, 8));  // insertion order: blue last
    engine.run("space:sortRenderNodes(); scene:render()");
    EXPECT_EQ(gl.pixel(8, 8), (Pixel{255, 0, 0, 0})) << toString(gl.pixel(8, 8));  // layer 2 last

    // A value stored unmarked is read when the sprite next redraws.
    engine.run(R"(
        local view = scene:createSpace(scenegraph.ortho2DSpace)
        for port, value in pairs({width = 16, height = 16, near = -1, far = 1}) do view[port]:setValue(value, true) end
        sprite = view:createNode(scenegraph.spriteNode)
        for port, value in pairs({x = 4, y = 4, width = 2, height = 2}) do sprite[port]:setValue(value, true) end
        scene:render()
        sprite.width:setValue(16)
        sprite.x:setValue(8, true)
        scene:render()
    )");
    EXPECT_EQ(gl.pixel(12, 4), (Pixel{255, 255, 255, 255})) << toString(gl.pixel(12, 4));
}

}  // namespace
