// Spaces drawn, read back as pixels: where the ortho space's camera puts a
// sprite for a given rectangle and rotation; the copies wrap and replicator
// spaces draw, and the model-view matrix they leave behind.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "DrawingSupport.h"
#include "scenegraph/nodes/SGReplicatorNode.h"
#include "scenegraph/nodes/SGSpriteNode.h"
#include "scenegraph/nodes/SGWrapNode.h"

using namespace tern_test;

namespace {

// A 400 × 200 pixel world; the spaces under test hold one white 10 × 10
// sprite centred on (205, 105) unless a test moves it.
class CopyingSpaceTest : public PixelSpaceTest<400, 200> {
protected:
    void addSprite(SGSpace* space, float x = 205, float y = 105)
    {
        auto* sprite = static_cast<SGSpriteNode*>(space->createNode(SGSpriteNodeClass));
        sprite->xPort.setValue(x);
        sprite->yPort.setValue(y);
        sprite->widthPort.setValue(10.0f);
        sprite->heightPort.setValue(10.0f);
    }

    // Number of separate 10 × 10 copies: lit pixels / 100.
    int copies()
    {
        const int count = litCount();
        EXPECT_EQ(count % 100, 0) << count;
        return count / 100;
    }
};

struct WrapCase {
    const char* what;
    bool wrapX, wrapY;
    float x, y, spriteX, spriteY;
    int copies;
    std::vector<std::pair<int, int>> lit;
};

TEST_F(CopyingSpaceTest, WrapSpaceCopiesToTheFartherSide)
{
    // Wrap width 200 and height 100; a copy goes to the side farther from
    // the space's position.
    const WrapCase cases[] = {
        {"no flags: drawn once", false, false, 0, 0, 205, 105, 1, {{205, 105}}},
        {"x left of the middle: the copy goes right", true, false, 20, 0, 105, 105, 2, {{105, 105}, {305, 105}}},
        {"x exactly the middle: the copy goes left", true, false, 100, 0, 305, 55, 2, {{105, 55}, {305, 55}}},
        {"y above the middle: the copy goes down", false, true, 0, 80, 105, 155, 2, {{105, 55}, {105, 155}}},
        {"both axes: four passes", true, true, 10, 10, 105, 55, 4, {{105, 55}, {305, 55}, {105, 155}, {305, 155}}},
    };
    for (const WrapCase& c : cases) {
        SGScene scene(nullptr, nullptr);
        SGOrtho2DSpace* world = createPixelSpace(scene, 400, 200);
        auto* wrap = static_cast<SGWrapNode*>(world->createNode(SGWrapSpaceClass));
        addSprite(wrap, c.spriteX, c.spriteY);
        wrap->wrapX.setValue(c.wrapX);
        wrap->wrapY.setValue(c.wrapY);
        wrap->wrapWidth.setValue(200.0f);
        wrap->wrapHeight.setValue(100.0f);
        wrap->x.setValue(c.x);
        wrap->y.setValue(c.y);
        prepareViewState();
        scene.render();
        EXPECT_EQ(copies(), c.copies) << c.what;
        for (const auto& [x, y] : c.lit)
            EXPECT_TRUE(lit(x, y)) << c.what << " at " << x << ", " << y;
    }
}

TEST_F(CopyingSpaceTest, ReplicatorDrawsCopiesAlongItsDirectionCappedWithOneLine)
{
    auto* replicator = static_cast<SGReplicatorNode*>(space->createNode(SGReplicatorSpaceClass));
    addSprite(replicator, 15, 15);
    replicator->spacing.setValue(50.0f);
    const struct {
        int copies;
        float angle;
        std::vector<std::pair<int, int>> lit, dark;
    } cases[] = {
        // The turn to 90 degrees is drawn by the nested copies test.
        {3, 0, {{15, 15}, {65, 15}, {115, 15}}, {{15, 65}}},
        {-4, 90, {}, {}},
    };
    for (const auto& c : cases) {
        replicator->copies.setValue(c.copies);
        replicator->angle.setValue(c.angle);
        prepareViewState();
        scene.render();
        EXPECT_EQ(copies(), std::max(c.copies, 0)) << c.copies << " at " << c.angle;
        for (const auto& [x, y] : c.lit)
            EXPECT_TRUE(lit(x, y)) << x << ", " << y;
        for (const auto& [x, y] : c.dark)
            EXPECT_FALSE(lit(x, y)) << x << ", " << y;
    }
    replicator->copies.setValue(2147483647);
    testing::internal::CaptureStdout();
    scene.render();
    scene.render();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "SGReplicatorNode: copies 2147483647 capped at 10000\n");
}

TEST_F(CopyingSpaceTest, NestedCopiesMultiplyAndMatricesAreRestored)
{
    glMatrixMode(GL_MODELVIEW);
    auto* wrap = static_cast<SGWrapNode*>(space->createNode(SGWrapSpaceClass));
    wrap->wrapX.setValue(true);
    wrap->wrapWidth.setValue(200.0f);
    auto* replicator = static_cast<SGReplicatorNode*>(wrap->createNode(SGReplicatorSpaceClass));
    replicator->copies.setValue(2);
    replicator->spacing.setValue(40.0f);
    replicator->angle.setValue(90.0f);
    addSprite(replicator, 15, 15);
    // A sprite after the nested spaces still draws where it says.
    addSprite(space, 385, 185);

    glLoadIdentity();
    glTranslatef(3.0f, 0.0f, 0.0f);
    const std::array<float, 32> before = matrices();
    scene.render();
    EXPECT_EQ(matrices(), before);

    EXPECT_EQ(copies(), 5);
    EXPECT_TRUE(lit(15, 55));
    EXPECT_TRUE(lit(215, 55));
    EXPECT_TRUE(lit(385, 185));
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

class OrthoSpaceTest : public PixelSpaceTest<480, 320> {
protected:
    void SetUp() override
    {
        PixelSpaceTest::SetUp();
        sprite = static_cast<SGSpriteNode*>(space->createNode(SGSpriteNodeClass));
        sprite->colorPort.setValue(SGColor{1, 0, 0, 1});
        sprite->widthPort.setValue(20.0f);
        sprite->heightPort.setValue(20.0f);
        sprite->xPort.setValue(240.0f);
        sprite->yPort.setValue(160.0f);
    }

    bool isRed(int x, int y) { return gl.pixel(x, y) == (Pixel{255, 0, 0, 255}); }

    SGSpriteNode* sprite = nullptr;
};

struct CameraCase {
    const char* what;
    float x, modelRotation, viewRotation, spriteX;
    int litX, litY, darkX, darkY;
};

TEST_F(OrthoSpaceTest, WhereASpriteLandsForRectangleAndRotations)
{
    // A 20 × 20 sprite at (spriteX, 160) in a 480 × 320 rectangle from (x, 0).
    const CameraCase cases[] = {
        {"at the rectangle's centre: the viewport's centre", 0, 0, 0, 240, 240, 160, 251, 160},
        {"rectangle moved right: the picture moves left", 100, 0, 0, 240, 140, 160, 240, 160},
        // 100 units right of the centre turns to 100 units above it.
        {"model rotation: about the rectangle's centre", 0, 90, 0, 340, 240, 260, 340, 160},
        // The turn happens in normalised device coordinates: 100 of 240
        // half-widths right becomes 100/240 of the 160 half-height up.
        {"view rotation: about the viewport's centre", 0, 0, 90, 340, 240, 160 + 66, 240, 260},
    };
    for (const CameraCase& c : cases) {
        prepareViewState();
        space->x.setValue(c.x);
        space->modelRotation.setValue(c.modelRotation);
        space->viewRotation.setValue(c.viewRotation);
        sprite->xPort.setValue(c.spriteX);
        scene.render();
        EXPECT_TRUE(isRed(c.litX, c.litY)) << c.what;
        EXPECT_FALSE(isRed(c.darkX, c.darkY)) << c.what;
    }
}

TEST_F(OrthoSpaceTest, PortsAreReadEveryFrameThroughConnections)
{
    SGOrtho2DSpace* source = createPixelSpace(scene, 480, 320);  // a node with a number port to follow
    source->x.setValue(100.0f);
    space->x.setValue(&source->x);
    scene.render();
    EXPECT_TRUE(isRed(140, 160));
    source->x.value = 0.0f;  // stored without marking anything
    prepareViewState();
    scene.render();
    EXPECT_TRUE(isRed(240, 160));
}

}  // namespace
