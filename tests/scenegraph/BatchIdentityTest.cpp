// The batched drawing path against the immediate one: random scenes of
// sprites (coloured, textured, wrapping, premultiplied, every blend mode,
// rotated, partly off screen) and particle systems in ortho, wrap and
// replicator spaces, each scene built twice from its seed and drawn both
// ways; every pixel must be equal.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "DrawingSupport.h"
#include "scenegraph/nodes/SGClearNode.h"
#include "scenegraph/nodes/SGParticleSystemNode.h"
#include "scenegraph/nodes/SGReplicatorNode.h"
#include "scenegraph/nodes/SGSpriteNode.h"
#include "scenegraph/nodes/SGWrapNode.h"
#include "scenegraph/drawing/SGQuadBatch.h"

using namespace tern_test;

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;

class BatchIdentityTest : public testing::TestWithParam<int> {
protected:
    void SetUp() override { ASSERT_TRUE(gl.ok()) << gl.error(); }

    void TearDown() override
    {
        SGQuadBatch::setEnabled(true);
        for (GLuint texture : textures)
            glDeleteTextures(1, &texture);
    }

    // A few textures of random sizes, some with transparent texels, some
    // flagged premultiplied.
    void makeTextures(std::mt19937& random)
    {
        images.clear();
        for (int i = 0; i < 4; ++i) {
            const int w = 1 + static_cast<int>(random() % 24);
            const int h = 1 + static_cast<int>(random() % 24);
            const unsigned seed = random();
            const GLuint texture = makeRectangleTexture(w, h, [seed](int u, int v) {
                const unsigned k = seed ^ (u * 73856093u) ^ (v * 19349663u);
                return Pixel{static_cast<uint8_t>(k), static_cast<uint8_t>(k >> 8), static_cast<uint8_t>(k >> 16),
                             static_cast<uint8_t>((k >> 24) | (u % 3 == 0 ? 255 : 0))};
            });
            textures.push_back(texture);
            images.push_back(imageOf(texture, w, h, random() % 3 == 0));
        }
    }

    float uniform(std::mt19937& random, float lo, float hi)
    {
        return std::uniform_real_distribution<float>(lo, hi)(random);
    }

    void addParticles(SGSpace* space, std::mt19937& random)
    {
        auto* particles = static_cast<SGParticleSystemNode*>(space->createNode(SGParticleSystemNodeClass));
        if (random() % 3 != 0)
            particles->imagePort.setValue(images[random() % images.size()]);
        particles->numParticlesPort.setValue(static_cast<int32_t>(5 + random() % 40));
        particles->spawnParticlesPort.setValue(true);
        const std::tuple<SGNumberPort*, float, float> ranges[] = {
            {&particles->lifetimePort, 1, 4},          {&particles->lifestartPort, 0, 1},
            {&particles->xPort, 0, kWidth},            {&particles->yPort, 0, kHeight},
            {&particles->directionPort, 0, 360},       {&particles->speedPort, 5, 60},
            {&particles->rotationPort, 0, 90},         {&particles->angularVelocityPort, -90, 90},
            {&particles->sizePort, 2, 20},             {&particles->sizeTargetPort, 2, 20},
            {&particles->sizeTransitionTimePort, 0.5f, 2}, {&particles->gravityYPort, -20, 0}};
        for (const auto& [port, lo, hi] : ranges)
            port->setValue(uniform(random, lo, hi));
        particles->colorPort.setValue(SGColor{uniform(random, 0, 1), uniform(random, 0, 1), 1.0f, 1.0f});
        particles->colorTargetPort.setValue(SGColor{1.0f, uniform(random, 0, 1), 0.0f, uniform(random, 0, 1)});
        particles->colorTransitionTimePort.setValue(uniform(random, 0.5f, 3.0f));
        particles->blendingModePort.setValue(static_cast<int32_t>(random() % 6));
        particles->timePort.setValue(0.5f);
        // Particles are born on the first frame and drawn from the second.
        particleSystems.push_back({particles, uniform(random, 1.0f, 3.0f)});
    }

    void addSprite(SGSpace* space, std::mt19937& random)
    {
        auto* sprite = static_cast<SGSpriteNode*>(space->createNode(SGSpriteNodeClass));
        if (random() % 5 != 0)
            sprite->imagePort.setValue(images[random() % images.size()]);
        // Some sprites reach past the edges of the view.
        for (const auto& [port, lo, hi] : {std::tuple{&sprite->xPort, -20, kWidth + 20},
                                           {&sprite->yPort, -20, kHeight + 20},
                                           {&sprite->widthPort, 1, 50}, {&sprite->heightPort, 1, 50}})
            port->setValue(uniform(random, lo, hi));
        if (random() % 2)
            sprite->anglePort.setValue(uniform(random, -360.0f, 360.0f));
        sprite->colorPort.setValue(SGColor{uniform(random, 0, 1), uniform(random, 0, 1), uniform(random, 0, 1),
                                           uniform(random, 0.2f, 1)});
        sprite->blendingModePort.setValue(static_cast<int32_t>(random() % 6));
        if (random() % 3 == 0) {
            sprite->horizontalWrappingPort.setValue(static_cast<int32_t>(random() % 4));
            sprite->verticalWrappingPort.setValue(static_cast<int32_t>(random() % 4));
        }
    }

    // A scene of sprites straight in the ortho space, in a wrap space and in
    // a replicator space, with a clear node in between now and then.
    void buildScene(SGScene& scene, int seed)
    {
        std::mt19937 random(seed);
        makeTextures(random);
        SGOrtho2DSpace* world = createPixelSpace(scene, kWidth, kHeight);
        if (random() % 2)
            world->modelRotation.setValue(uniform(random, -30.0f, 30.0f));
        for (int i = 0; i < 60; ++i) {
            addSprite(world, random);
            if (random() % 20 == 0)
                addParticles(world, random);
            if (random() % 80 == 0) {
                auto* clear = static_cast<SGClearNode*>(world->createNode(SGClearNodeClass));
                clear->color.setValue(SGColor{uniform(random, 0, 1), 0.5f, 0.5f, 1.0f});
            }
        }
        auto* wrap = static_cast<SGWrapNode*>(world->createNode(SGWrapSpaceClass));
        wrap->wrapX.setValue(true);
        wrap->wrapY.setValue(random() % 2 == 0);
        wrap->wrapWidth.setValue(static_cast<float>(kWidth));
        wrap->wrapHeight.setValue(static_cast<float>(kHeight));
        for (int i = 0; i < 10; ++i)
            addSprite(wrap, random);
        addParticles(wrap, random);
        auto* replicator = static_cast<SGReplicatorNode*>(world->createNode(SGReplicatorSpaceClass));
        replicator->copies.setValue(static_cast<int32_t>(2 + random() % 4));
        replicator->spacing.setValue(uniform(random, 5.0f, 30.0f));
        replicator->angle.setValue(uniform(random, 0.0f, 360.0f));
        for (int i = 0; i < 5; ++i)
            addSprite(replicator, random);
        addParticles(replicator, random);
        for (int i = 0; i < 20; ++i)
            addSprite(world, random);
    }

    // Builds the seed's scene afresh (particles draw their birth values from
    // the C library's rand) and draws it by the chosen path.
    std::vector<Pixel> draw(int seed, bool batched)
    {
        SGQuadBatch::setEnabled(batched);
        std::srand(static_cast<unsigned>(seed));
        SGScene scene(nullptr, nullptr);
        particleSystems.clear();
        buildScene(scene, seed);
        prepareViewState(0.2f, 0.3f, 0.4f);
        scene.render();
        for (const auto& system : particleSystems)
            system.first->timePort.setValue(system.second);
        prepareViewState(0.2f, 0.3f, 0.4f);
        scene.render();
        return gl.readPixels();
    }

    OffscreenGL gl{kWidth, kHeight};
    std::vector<GLuint> textures;
    std::vector<SGImage> images;
    std::vector<std::pair<SGParticleSystemNode*, float>> particleSystems;  // with the second frame's time
};

TEST_P(BatchIdentityTest, EveryPixelEqualsTheImmediatePath)
{
    const std::vector<Pixel> immediate = draw(GetParam(), false);
    SGQuadBatch::shared().resetCounts();
    const std::vector<Pixel> batched = draw(GetParam(), true);
    EXPECT_GT(SGQuadBatch::shared().drawCalls(), 0u);
    const auto [at, other] = std::mismatch(immediate.begin(), immediate.end(), batched.begin());
    EXPECT_TRUE(at == immediate.end()) << "first at (" << (at - immediate.begin()) % kWidth << ", "
                                       << (at - immediate.begin()) / kWidth << "): immediate " << toString(*at)
                                       << ", batched " << toString(*other);
}

INSTANTIATE_TEST_SUITE_P(Seeds, BatchIdentityTest, testing::Range(1, 25));

}  // namespace
