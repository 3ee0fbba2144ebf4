// The ortho space's camera, read back as pixels: where a sprite lands for a
// given rectangle and rotation.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include "DrawingSupport.h"
#include "scenegraph/nodes/SGSpriteNode.h"

using namespace tern_test;

namespace {

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
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
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

TEST(OrthoSpace, DegenerateRectangleDrawsWithoutFailing)
{
    OffscreenGL gl(32, 32);
    ASSERT_TRUE(gl.ok()) << gl.error();
    prepareViewState();
    SGScene scene(nullptr, nullptr);
    SGSpace* space = scene.createSpace(SGOrtho2DSpaceClass);
    auto* sprite = static_cast<SGSpriteNode*>(space->createNode(SGSpriteNodeClass));
    sprite->widthPort.setValue(10.0f);
    scene.render();
    glGetError();  // the zero-width projection is refused by GL; nothing else happens
    GLint depth = 0;
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
}

}  // namespace
