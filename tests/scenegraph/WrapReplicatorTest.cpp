// Wrap and replicator spaces: the copies drawn, counted from pixels, and the
// model-view matrix left behind.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include "assets/AssetManager.h"
#include "DrawingSupport.h"
#include "scenegraph/SGOrtho2DSpace.h"
#include "scenegraph/SGScene.h"
#include "scenegraph/nodes/SGReplicatorNode.h"
#include "scenegraph/nodes/SGSpriteNode.h"
#include "scenegraph/nodes/SGWrapNode.h"

using namespace tern_test;

namespace {

// A 400 × 200 pixel world; the spaces under test hold one white 10 × 10
// sprite centred on (205, 105) unless a test moves it.
class CopyingSpaceTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gl.ok()) << gl.error();
        prepareViewState();
        world = createPixelSpace(scene, 400, 200);
    }

    void addSprite(SGSpace* space, float x = 205, float y = 105)
    {
        auto* sprite = static_cast<SGSpriteNode*>(space->createNode(SGSpriteNodeClass));
        sprite->xPort.setValue(x);
        sprite->yPort.setValue(y);
        sprite->widthPort.setValue(10.0f);
        sprite->heightPort.setValue(10.0f);
    }

    bool lit(int x, int y) { return gl.pixel(x, y).r > 0; }

    // Number of separate 10 × 10 copies: lit pixels / 100.
    int copies()
    {
        int count = 0;
        for (const Pixel& p : gl.readPixels())
            count += p.r > 0 ? 1 : 0;
        EXPECT_EQ(count % 100, 0) << count;
        return count / 100;
    }

    OffscreenGL gl{400, 200};
    SGScene scene{nullptr, nullptr};
    SGOrtho2DSpace* world = nullptr;
};

TEST_F(CopyingSpaceTest, WrapSpaceWithoutFlagsDrawsOnce)
{
    auto* wrap = static_cast<SGWrapNode*>(world->createNode(SGWrapSpaceClass));
    addSprite(wrap);
    scene.render();
    EXPECT_EQ(copies(), 1);
    EXPECT_TRUE(lit(205, 105));
}

TEST_F(CopyingSpaceTest, WrapXCopiesToTheFartherSide)
{
    auto* wrap = static_cast<SGWrapNode*>(world->createNode(SGWrapSpaceClass));
    addSprite(wrap, 105, 105);
    wrap->wrapX.setValue(true);
    wrap->wrapWidth.setValue(200.0f);
    wrap->x.setValue(20.0f);  // left of the middle: the copy goes right
    scene.render();
    EXPECT_EQ(copies(), 2);
    EXPECT_TRUE(lit(105, 105));
    EXPECT_TRUE(lit(305, 105));

    wrap->x.setValue(100.0f);  // exactly the middle: the copy goes left
    addSprite(wrap, 305, 55);
    prepareViewState();
    scene.render();
    EXPECT_TRUE(lit(105, 55));
    EXPECT_TRUE(lit(305, 55));
    EXPECT_FALSE(lit(305, 105));
    EXPECT_EQ(copies(), 3);  // one of the four falls off the left edge
}

TEST_F(CopyingSpaceTest, WrapBothAxesDrawsFourPassesInOrder)
{
    auto* wrap = static_cast<SGWrapNode*>(world->createNode(SGWrapSpaceClass));
    addSprite(wrap, 105, 55);
    wrap->wrapX.setValue(true);
    wrap->wrapY.setValue(true);
    wrap->wrapWidth.setValue(200.0f);
    wrap->wrapHeight.setValue(100.0f);
    wrap->x.setValue(10.0f);
    wrap->y.setValue(10.0f);
    scene.render();
    EXPECT_EQ(copies(), 4);
    EXPECT_TRUE(lit(105, 55));
    EXPECT_TRUE(lit(305, 55));
    EXPECT_TRUE(lit(105, 155));
    EXPECT_TRUE(lit(305, 155));
}

TEST_F(CopyingSpaceTest, WrapYAloneCopiesVertically)
{
    auto* wrap = static_cast<SGWrapNode*>(world->createNode(SGWrapSpaceClass));
    addSprite(wrap, 105, 155);
    wrap->wrapY.setValue(true);
    wrap->wrapHeight.setValue(100.0f);
    wrap->y.setValue(80.0f);  // above the middle: the copy goes down
    scene.render();
    EXPECT_EQ(copies(), 2);
    EXPECT_TRUE(lit(105, 55));
}

TEST_F(CopyingSpaceTest, ReplicatorDrawsCopiesAlongItsDirection)
{
    auto* replicator = static_cast<SGReplicatorNode*>(world->createNode(SGReplicatorSpaceClass));
    addSprite(replicator, 15, 15);
    scene.render();
    EXPECT_EQ(copies(), 1);  // the default

    replicator->copies.setValue(3);
    replicator->spacing.setValue(50.0f);
    prepareViewState();
    scene.render();
    EXPECT_EQ(copies(), 3);
    EXPECT_TRUE(lit(15, 15));
    EXPECT_TRUE(lit(65, 15));
    EXPECT_TRUE(lit(115, 15));

    replicator->angle.setValue(90.0f);
    prepareViewState();
    scene.render();
    EXPECT_EQ(copies(), 3);
    EXPECT_TRUE(lit(15, 65));
    EXPECT_TRUE(lit(15, 115));
    EXPECT_FALSE(lit(65, 15));

    replicator->copies.setValue(0);
    prepareViewState();
    scene.render();
    EXPECT_EQ(copies(), 0);
    replicator->copies.setValue(-4);
    scene.render();
    EXPECT_EQ(copies(), 0);
}

TEST_F(CopyingSpaceTest, HugeCopyCountIsCappedWithOneLine)
{
    auto* replicator = static_cast<SGReplicatorNode*>(world->createNode(SGReplicatorSpaceClass));
    addSprite(replicator, 15, 15);
    replicator->copies.setValue(2147483647);
    testing::internal::CaptureStdout();
    scene.render();
    scene.render();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "SGReplicatorNode: copies 2147483647 capped at 10000\n");
}

TEST_F(CopyingSpaceTest, NestedCopiesMultiplyAndMatricesAreRestored)
{
    glMatrixMode(GL_MODELVIEW);
    auto* wrap = static_cast<SGWrapNode*>(world->createNode(SGWrapSpaceClass));
    wrap->wrapX.setValue(true);
    wrap->wrapWidth.setValue(200.0f);
    auto* replicator = static_cast<SGReplicatorNode*>(wrap->createNode(SGReplicatorSpaceClass));
    replicator->copies.setValue(2);
    replicator->spacing.setValue(40.0f);
    replicator->angle.setValue(90.0f);
    addSprite(replicator, 15, 15);
    // A sprite after the nested spaces still draws where it says.
    addSprite(world, 385, 185);

    glLoadIdentity();
    glTranslatef(3.0f, 0.0f, 0.0f);
    GLfloat before[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    scene.render();
    GLfloat after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(after[i], before[i]) << i;

    EXPECT_EQ(copies(), 5);
    EXPECT_TRUE(lit(15, 55));
    EXPECT_TRUE(lit(215, 55));
    EXPECT_TRUE(lit(385, 185));
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(CopyingSpaces, ClassBitsPortsAndManagersFromTheParent)
{
    AssetManager assets(nullptr);
    SGScene scene(nullptr, &assets);
    auto* wrap = static_cast<SGSpace*>(scene.defaultSpace.createNode(SGWrapSpaceClass));
    auto* replicator = static_cast<SGSpace*>(scene.defaultSpace.createNode(SGReplicatorSpaceClass));
    ASSERT_NE(wrap, nullptr);
    ASSERT_NE(replicator, nullptr);
    EXPECT_EQ(wrap->nodeClass, SGRenderNodeClass | SGSpaceClass | SGWrapSpaceClass);
    EXPECT_EQ(replicator->nodeClass, SGRenderNodeClass | SGSpaceClass | SGReplicatorSpaceClass);
    EXPECT_EQ(wrap->assetManager.get(), &assets);
    EXPECT_EQ(replicator->assetManager.get(), &assets);
    int wrapPorts = 0;
    int replicatorPorts = 0;
    for (int id = 0; id <= 64; ++id) {
        wrapPorts += wrap->portForID(static_cast<SGPortID>(id)) ? 1 : 0;
        replicatorPorts += replicator->portForID(static_cast<SGPortID>(id)) ? 1 : 0;
    }
    EXPECT_EQ(wrapPorts, 6);
    EXPECT_EQ(replicatorPorts, 3);
    EXPECT_EQ(replicator->portForID(SGPortID_copies)->intValue(), 1);
    EXPECT_EQ(replicator->portForID(SGPortID_copies)->type, INTEGER);
    EXPECT_EQ(wrap->portForID(SGPortID_wrapX)->type, BOOLEAN);
}

}  // namespace
