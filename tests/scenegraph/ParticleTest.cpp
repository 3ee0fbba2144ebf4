// Particle systems drawn into a real GL context: positions at known ages
// under gravity, size and colour transitions, births, the pool's limits.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdlib>
#include <limits>

#include "DrawingSupport.h"
#include "scenegraph/nodes/SGParticleSystemNode.h"

using namespace tern_test;

namespace {

class ParticleTest : public PixelSpaceTest<100, 100> {
protected:
    void SetUp() override
    {
        PixelSpaceTest::SetUp();
        std::srand(7);
        particles = static_cast<SGParticleSystemNode*>(space->createNode(SGParticleSystemNodeClass));
        // One untextured white particle of 4 × 4 from (50, 20), all born at time 0.
        particles->numParticlesPort.setValue(1);
        particles->spawnParticlesPort.setValue(true);
        for (const auto& [port, value] : {std::pair{&particles->lifetimePort, 100.0f}, {&particles->xPort, 50.0f},
                                          {&particles->yPort, 20.0f}, {&particles->sizePort, 4.0f},
                                          {&particles->sizeTargetPort, 4.0f}})
            port->setValue(value);
    }

    // Renders the frame at time t over a black background.
    void renderAt(float t)
    {
        prepareViewState();
        particles->timePort.setValue(t);
        scene.render();
    }

    SGParticleSystemNode* addSystem(int count)
    {
        auto* system = static_cast<SGParticleSystemNode*>(space->createNode(SGParticleSystemNodeClass));
        system->numParticlesPort.setValue(count);
        return system;
    }

    SGParticleSystemNode* particles = nullptr;
};

TEST_F(ParticleTest, NothingIsDrawnAtAgeZeroThenItMovesWithItsVelocityAndTheCurrentGravity)
{
    particles->directionPort.setValue(90.0f);
    particles->speedPort.setValue(10.0f);
    particles->gravityYPort.setValue(-10.0f);

    renderAt(0.5f);  // born now
    EXPECT_EQ(litCount(), 0);
    // Age 1: 10 up, 5 back down by gravity.
    renderAt(1.5f);
    EXPECT_TRUE(lit(50, 25));
    EXPECT_FALSE(lit(50, 20));
    EXPECT_EQ(litCount(), 16);
    // Age 2: back at the emitter.
    renderAt(2.5f);
    EXPECT_TRUE(lit(50, 20));
    EXPECT_FALSE(lit(50, 25));
    // Gravity is the node's current value, for particles born before too.
    particles->gravityYPort.setValue(20.0f);
    renderAt(2.5f);  // age 2: 20 up, and 40 more
    EXPECT_TRUE(lit(50, 80));
}

TEST_F(ParticleTest, SizeAndColourMoveToTheirTargetsOverTheirTransitionsThenStay)
{
    particles->sizePort.setValue(10.0f);
    particles->sizeTargetPort.setValue(30.0f);
    particles->sizeTransitionTimePort.setValue(2.0f);
    particles->colorTargetPort.setValue(SGColor{1, 0, 0, 0});
    particles->colorTransitionTimePort.setValue(4.0f);
    particles->yPort.setValue(50.0f);
    renderAt(0.5f);
    renderAt(1.5f);  // width 20: 40 to 60
    EXPECT_TRUE(lit(40, 50));
    EXPECT_TRUE(lit(59, 50));
    EXPECT_FALSE(lit(39, 50));
    EXPECT_FALSE(lit(60, 50));
    renderAt(2.5f);  // (1, 0.5, 0.5, 0.5) over black, with no alpha scaling
    EXPECT_TRUE(colorNear(gl.pixel(50, 50), 128, 64, 64));
    renderAt(3.5f);  // 30 from age 2 on
    EXPECT_TRUE(lit(35, 50));
    EXPECT_FALSE(lit(34, 50));

    particles->sizeTransitionTimePort.setValue(0.0f);  // the target at once
    renderAt(3.6f);
    EXPECT_TRUE(lit(35, 50));
    EXPECT_FLOAT_EQ(interpolate(1, 0, 4, 9), 0);  // shrinking stays at its target too
}

TEST_F(ParticleTest, LifetimesLieBetweenHalfAndWholeTheLifetime)
{
    particles->lifetimePort.setValue(2.0f);
    SGParticleSystemNode* many = addSystem(200);
    many->spawnParticlesPort.setValue(true);
    many->lifetimePort.setValue(2.0f);
    many->lifestartPort.setValue(3.0f);
    many->timePort.setValue(&particles->timePort);
    for (float t = 0.1f; t < 10.0f; t += 0.25f)
        renderAt(t);
    ASSERT_EQ(many->particleCount, 200);
    for (int i = 0; i < many->particleCount; ++i) {
        const SGParticle& p = many->particles[i];
        EXPECT_TRUE(p.initialized == 1 && p.lifetime >= 1.0f && p.lifetime < 2.0f) << i << ": " << p.lifetime;
    }
}

TEST_F(ParticleTest, OnlyParticlesBornAliveAndOfNumbersAreDrawn)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    particles->lifetimePort.setValue(2.0f);  // lives 1 to 2 units
    particles->spawnParticlesPort.setValue(false);  // none is born from the start
    for (float t = 0.0f; t < 3.0f; t += 0.5f)
        renderAt(t);
    EXPECT_EQ(litCount(), 0);
    particles->spawnParticlesPort.setValue(true);
    renderAt(3.0f);  // born now
    renderAt(3.1f);
    EXPECT_EQ(litCount(), 16);
    particles->spawnParticlesPort.setValue(false);
    renderAt(5.1f);  // age 2.1: over, and no rebirth
    EXPECT_EQ(litCount(), 0);
    particles->spawnParticlesPort.setValue(true);
    renderAt(5.2f);  // reborn now: age 0
    EXPECT_EQ(litCount(), 0);
    renderAt(5.3f);
    EXPECT_EQ(litCount(), 16);

    // Reborn with a size and speed that are not a number, then drawn at a
    // time that is not one either (over the same frame).
    particles->sizePort.setValue(nan);
    particles->speedPort.setValue(nan);
    renderAt(7.3f);
    renderAt(7.4f);
    particles->timePort.setValue(nan);
    scene.render();
    EXPECT_EQ(litCount(), 0);
}

TEST_F(ParticleTest, TexturedParticlesMapTheWholeImage)
{
    const GLuint texture = makeRectangleTexture(2, 1, [](int u, int) {
        return u == 0 ? Pixel{255, 0, 0, 255} : Pixel{0, 0, 255, 255};
    });
    particles->imagePort.setValue(imageOf(texture, 2, 1));
    particles->sizePort.setValue(8.0f);
    particles->sizeTargetPort.setValue(8.0f);
    // Turning texturing on when it was off is pinned by the textured sprite test.
    renderAt(0.5f);
    renderAt(1.0f);
    EXPECT_TRUE(colorNear(gl.pixel(47, 20), 255, 0, 0));
    EXPECT_TRUE(colorNear(gl.pixel(52, 20), 0, 0, 255));
    glDeleteTextures(1, &texture);
}

TEST_F(ParticleTest, CountsAreZeroCappedOrRefusedWithOneLineAndThePoolIsNeverResized)
{
    particles->numParticlesPort.setValue(0);
    SGParticleSystemNode* huge = addSystem(2147483647);
    SGParticleSystemNode* negative = addSystem(-5);
    testing::internal::CaptureStdout();
    renderAt(0.5f);
    renderAt(1.5f);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "SGParticleSystemNode: numParticles 2147483647 capped at 100000\n"
              "SGParticleSystemNode: numParticles -5 is negative; no particles\n");
    EXPECT_EQ(std::make_pair(huge->particleCount, negative->particleCount),
              std::make_pair(SGParticleSystemNode::kMaxParticles, 0));
    particles->numParticlesPort.setValue(5);
    renderAt(2.5f);
    renderAt(3.5f);
    EXPECT_EQ(particles->particleCount, 0);
}

}  // namespace
