// The drawing nodes made and driven from Lua through the scenegraph module,
// read back as pixels.
#include <gtest/gtest.h>

#include "DrawingSupport.h"
#include "ScriptedEngine.h"
#include "TestSupport.h"

using namespace tern_test;

namespace {

TEST(DrawingModule, ScriptBuildsOrthoSpaceSpritesParticlesAndCopyingSpaces)
{
    OffscreenGL gl(200, 100);
    ASSERT_TRUE(gl.ok()) << gl.error();
    prepareViewState();
    ScriptedEngine engine("function initEngine() end\n");
    ASSERT_EQ(engine.initStatus(), 0);
    engine.run(R"(
        local sg = scenegraph
        scene = sg.scene.new()
        local world = scene:createSpace(sg.ortho2DSpace)
        world.width:setValue(200, true)
        world.height:setValue(100, true)
        world.near:setValue(-1, true)
        world.far:setValue(1, true)

        -- A white sprite replicated three times 50 apart.
        local row = world:createNode(sg.replicatorSpace)
        row.copies:setValue(3, true)
        row.spacing:setValue(50, true)
        local sprite = row:createNode(sg.spriteNode)
        sprite.x:setValue(15, true)
        sprite.y:setValue(15, true)
        sprite.width:setValue(10, true)
        sprite.height:setValue(10, true)

        -- A white square, added on, wrapped once to the right.
        local wrap = world:createNode(sg.wrapSpace)
        wrap.wrapX:setValue(true, true)
        wrap.wrapWidth:setValue(100, true)
        local square = wrap:createNode(sg.spriteNode)
        square.x:setValue(15, true)
        square.y:setValue(65, true)
        square.width:setValue(10, true)
        square.height:setValue(10, true)
        square.blendingMode:setValue(2, true)

        -- Particles with absurd settings: a huge pool, NaN sizes.
        particles = world:createNode(sg.particleSystemNode)
        particles.numParticles:setValue(1e12, true)
        particles.size:setValue(0/0, true)
        particles.spawnParticles:setValue(true, true)
        particles.lifetime:setValue(1, true)

    )");

    testing::internal::CaptureStdout();
    engine.run("particles.time:setValue(0.5, true); scene:render()");
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("capped at 100000"), std::string::npos) << printed;

    EXPECT_TRUE(colorNear(gl.pixel(15, 15), 255, 255, 255));
    EXPECT_TRUE(colorNear(gl.pixel(65, 15), 255, 255, 255));
    EXPECT_TRUE(colorNear(gl.pixel(115, 15), 255, 255, 255));
    EXPECT_TRUE(colorNear(gl.pixel(165, 15), 0, 0, 0));
    EXPECT_TRUE(colorNear(gl.pixel(15, 65), 255, 255, 255));
    EXPECT_TRUE(colorNear(gl.pixel(115, 65), 255, 255, 255));
    EXPECT_TRUE(colorNear(gl.pixel(65, 65), 0, 0, 0));
    // The integer port holds the largest integer; the pool is capped below it.
    EXPECT_EQ(engine.eval("particles.numParticles:value()"), "2.14748e+09");
    engine.run("scene:delete()");
}

}  // namespace
