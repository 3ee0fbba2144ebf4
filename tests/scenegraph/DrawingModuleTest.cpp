// The drawing nodes made and driven from Lua through the scenegraph module,
// read back as pixels.
#include <gtest/gtest.h>

#include "DrawingSupport.h"
#include "ScriptedEngine.h"
#include "TestSupport.h"

using namespace tern_test;

namespace {

// set(node, {port = value, ...}) marks each value in; world() makes the
// scene and its 200 x 100 pixel space.
const char* const kWorldScript = R"(
function initEngine() end
sg = scenegraph
function set(node, values)
    for port, value in pairs(values) do node[port]:setValue(value, true) end
    return node
end
function world()
    scene = sg.scene.new()
    return set(scene:createSpace(sg.ortho2DSpace), {width = 200, height = 100, near = -1, far = 1})
end
)";

TEST(DrawingModule, ScriptBuildsOrthoSpaceSpritesParticlesAndCopyingSpaces)
{
    OffscreenGL gl(200, 100);
    ASSERT_TRUE(gl.ok()) << gl.error();
    prepareViewState();
    ScriptedEngine engine(kWorldScript);
    ASSERT_EQ(engine.initStatus(), 0);
    engine.run(R"(
        local world = world()
        -- A white sprite replicated three times 50 apart.
        local row = set(world:createNode(sg.replicatorSpace), {copies = 3, spacing = 50})
        set(row:createNode(sg.spriteNode), {x = 15, y = 15, width = 10, height = 10})
        -- A white square, added on, wrapped once to the right.
        local wrap = set(world:createNode(sg.wrapSpace), {wrapX = true, wrapWidth = 100})
        set(wrap:createNode(sg.spriteNode), {x = 15, y = 65, width = 10, height = 10, blendingMode = 2})
        -- Particles with absurd settings: a huge pool, NaN sizes.
        particles = set(world:createNode(sg.particleSystemNode),
                        {numParticles = 1e12, size = 0/0, spawnParticles = true, lifetime = 1})
    )");

    testing::internal::CaptureStdout();
    engine.run("particles.time:setValue(0.5, true); scene:render()");
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("capped at 100000"), std::string::npos) << printed;

    const int shown[][3] = {{15, 15, 255}, {65, 15, 255}, {115, 15, 255}, {165, 15, 0},
                            {15, 65, 255}, {115, 65, 255}, {65, 65, 0}};
    for (const auto& [x, y, level] : shown)
        EXPECT_TRUE(colorNear(gl.pixel(x, y), level, level, level)) << x << ", " << y;
    // The integer port holds the largest integer; the pool is capped below it.
    EXPECT_EQ(engine.eval("particles.numParticles:value()"), "2.14748e+09");
    engine.run("scene:delete()");
}

// A moving sprite reads again only the inputs that changed since it last
// drew: an input stored without marking, one connected, and one whose source
// changed upstream must each still show once the sprite redraws.
TEST(DrawingModule, SpritesRedrawWithEveryInputChangedHoweverItChanged)
{
    OffscreenGL gl(200, 100);
    ASSERT_TRUE(gl.ok()) << gl.error();
    ScriptedEngine engine(kWorldScript);
    ASSERT_EQ(engine.initStatus(), 0);
    engine.run(R"(
        local world = world()
        sprite = set(world:createNode(sg.spriteNode), {x = 15, y = 15, width = 10, height = 10})
        sum = set(world:createNode(sg.arithmeticNode), {input1 = 60, input2 = 5})
    )");
    struct Step {
        const char* script;
        int litX, litY, darkX, darkY;
    };
    const Step steps[] = {
        {"", 15, 15, 50, 50},
        // Width 40 is stored unmarked, then x marks the sprite: both show.
        {"sprite.width:setValue(40); sprite.x:setValue(100, true)", 82, 15, 15, 15},
        // A connection marks nothing; the next marked input shows it too.
        {"sprite.y:setValue(sum.output); sprite.x:setValue(101, true)", 101, 65, 101, 15},
        // A change upstream of the connection moves the sprite by itself.
        {"sum.input1:setValue(20, true)", 101, 25, 101, 65},
    };
    for (const Step& step : steps) {
        prepareViewState();
        EXPECT_EQ(engine.errorOf(std::string(step.script) + " scene:render()"), "") << step.script;
        EXPECT_GT(gl.pixel(step.litX, step.litY).r, 128) << step.script;
        EXPECT_EQ(gl.pixel(step.darkX, step.darkY).r, 0) << step.script;
    }
    engine.run("scene:delete()");
}

}  // namespace
