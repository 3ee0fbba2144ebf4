// Sprites drawn into a real GL context and read back: coloured and textured
// quads, the wrap modes per axis, the blend modes against a known
// background, premultiplied textures and the alpha scale factor.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <functional>
#include <limits>

#include "DrawingSupport.h"
#include "scenegraph/SGAlphaScaleFactor.h"
#include "scenegraph/nodes/SGArithmeticNode.h"
#include "scenegraph/nodes/SGSpriteNode.h"

using namespace tern_test;

namespace {

class SpriteTest : public PixelSpaceTest<200, 120> {
protected:
    void SetUp() override
    {
        PixelSpaceTest::SetUp();
        sprite = static_cast<SGSpriteNode*>(space->createNode(SGSpriteNodeClass));
    }

    void TearDown() override
    {
        for (GLuint texture : textures)
            glDeleteTextures(1, &texture);
        SGAlphaScaleFactor = 1.0f;
    }

    // Texel (u, v) of a "ruler" texture reads back as red 4u, green 4v,
    // blue 200, so a pixel tells which texel was drawn there.
    SGImage ruler(int width, int height)
    {
        const GLuint texture = makeRectangleTexture(width, height, [](int u, int v) {
            return Pixel{static_cast<uint8_t>(4 * u), static_cast<uint8_t>(4 * v), 200, 255};
        });
        textures.push_back(texture);
        return imageOf(texture, width, height);
    }

    void place(float x, float y, float width, float height, SGSpriteNode* shown = nullptr)
    {
        shown = shown ? shown : sprite;
        shown->xPort.setValue(x);
        shown->yPort.setValue(y);
        shown->widthPort.setValue(width);
        shown->heightPort.setValue(height);
    }

    // The texel column drawn at pixel (x, y) of a ruler sprite, or -1 where
    // the background shows.
    int texel(char axis, int x, int y)
    {
        const Pixel p = gl.pixel(x, y);
        return p.b == 200 ? (axis == 'u' ? p.r : p.g) / 4 : -1;
    }

    SGSpriteNode* sprite = nullptr;
    std::vector<GLuint> textures;
};

TEST_F(SpriteTest, ColouredSpriteIsAnUnroundedBlendedQuadTurningAboutItsCentre)
{
    sprite->colorPort.setValue(SGColor{1, 0, 0, 0.5f});
    place(10.7f, 20.0f, 4.0f, 4.0f);  // covers 8.7 to 12.7
    scene.render();
    EXPECT_TRUE(colorNear(gl.pixel(10, 20), 128, 0, 0));
    EXPECT_TRUE(colorNear(gl.pixel(12, 20), 128, 0, 0));
    EXPECT_TRUE(colorNear(gl.pixel(8, 20), 0, 0, 0));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_RECTANGLE_ARB));

    sprite->colorPort.setValue(SGColor{1, 1, 1, 1});
    place(100, 60, 40, 4);
    sprite->anglePort.setValue(90.0f);
    scene.render();
    EXPECT_TRUE(colorNear(gl.pixel(100, 75), 255, 255, 255));
    EXPECT_TRUE(colorNear(gl.pixel(115, 60), 0, 0, 0));
}

// The texel column ('u') or row ('v') a ruler sprite shows at a pixel; -1
// where the background shows.
struct Probe {
    char axis;
    int x, y, texel;
};

struct WrapCase {
    const char* what;
    int imageWidth, imageHeight, horizontal, vertical;
    float x, y, width, height;
    std::vector<Probe> probes;
};

TEST_F(SpriteTest, TexturedSpritesSnapDownAndTileCropOrStretchPerAxisEvenWithTexturingOff)
{
    const WrapCase cases[] = {
        // Drawn at 10: covers 6 to 14, 18 to 22.
        {"stretched 1:1 from 10.7", 8, 4, 0, 0, 10.7f, 20, 8, 4,
         {{'u', 5, 19, -1}, {'u', 6, 19, 0}, {'u', 9, 19, 3}, {'u', 13, 19, 7}, {'u', 14, 19, -1}, {'v', 9, 18, 0},
          {'v', 9, 21, 3}, {'v', 9, 22, -1}}},
        // Left edge 25, bottom 34; the last tile is 22 wide; vertical stays
        // stretched (here 1:1).
        {"horizontal tiling", 64, 32, 2, 0, 100, 50, 150, 32,
         {{'u', 24, 40, -1}, {'u', 25, 40, 0}, {'u', 88, 40, 63}, {'u', 89, 40, 0}, {'u', 152, 40, 63},
          {'u', 153, 40, 0}, {'u', 174, 40, 21}, {'u', 175, 40, -1}, {'v', 30, 34, 0}, {'v', 30, 65, 31}}},
        // Bottom 30: tiles 16, 16, 8.
        {"vertical tiling from the bottom edge", 16, 16, 0, 2, 50, 50, 16, 40,
         {{'v', 45, 30, 0}, {'v', 45, 45, 15}, {'v', 45, 46, 0}, {'v', 45, 62, 0}, {'v', 45, 69, 7},
          {'v', 45, 70, -1}}},
        // 84 to 116 shows u 16 to 48; v stretched over 10 to 110.
        {"crop of a larger image shows its middle", 64, 64, 1, 0, 100, 60, 32, 100,
         {{'u', 83, 60, -1}, {'u', 84, 60, 16}, {'u', 115, 60, 47}, {'u', 116, 60, -1}, {'v', 90, 10, 0},
          {'v', 90, 109, 63}, {'v', 90, 110, -1}}},
        {"crop of a smaller image shows it whole and centred", 16, 8, 1, 1, 100, 60, 150, 100,
         {{'u', 91, 60, -1}, {'u', 92, 60, 0}, {'u', 107, 60, 15}, {'u', 108, 60, -1}, {'v', 100, 55, -1},
          {'v', 100, 56, 0}, {'v', 100, 63, 7}, {'v', 100, 64, -1}}},
        {"an unknown mode draws one tile from the edge", 64, 32, 5, 0, 100, 50, 150, 32,
         {{'u', 25, 40, 0}, {'u', 88, 40, 63}, {'u', 89, 40, -1}}},
    };
    for (const WrapCase& c : cases) {
        SGScene caseScene(nullptr, nullptr);
        auto* shown = static_cast<SGSpriteNode*>(
            createPixelSpace(caseScene, 200, 120)->createNode(SGSpriteNodeClass));
        shown->imagePort.setValue(ruler(c.imageWidth, c.imageHeight));
        shown->horizontalWrappingPort.setValue(c.horizontal);
        shown->verticalWrappingPort.setValue(c.vertical);
        place(c.x, c.y, c.width, c.height, shown);
        prepareViewState();
        glDisable(GL_TEXTURE_RECTANGLE_ARB);  // as no untextured sprite had turned it on
        caseScene.render();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << c.what;
        for (const Probe& p : c.probes)
            EXPECT_EQ(texel(p.axis, p.x, p.y), p.texel) << c.what << ": " << p.axis << " at " << p.x << ", " << p.y;
    }
}

TEST_F(SpriteTest, WrapChangeAloneKeepsTheRendererImageChangeReplacesIt)
{
    const SGImage image = ruler(64, 32);
    sprite->imagePort.setValue(image);
    place(100, 50, 150, 32);
    scene.render();
    sprite->horizontalWrappingPort.setValue(2);
    prepareViewState();
    scene.render();
    EXPECT_EQ(texel('u', 25 + 75, 40), 32);  // still stretched: 150 units show 64 texels
    EXPECT_EQ(texel('u', 25 + 149, 40), 63);

    sprite->imagePort.setValue(SGImageNull);
    scene.render();
    sprite->imagePort.setValue(image);
    prepareViewState();
    scene.render();
    EXPECT_EQ(texel('u', 25 + 149, 40), 21);  // now tiled
}

struct BlendCase {
    bool premultiplied;
    SGBlendMode mode;
    SGColor color;
    int r, g, b;
    float alphaScale = 1.0f;
};

TEST_F(SpriteTest, BlendModesAgainstAKnownBackground)
{
    // Over (0.2, 0.4, 0.6): an untextured source (1, 0.5, 0, alpha 0.5), or a
    // premultiplied texture of (0.5, 0.25, 0, alpha 0.5) whose source factor
    // must be one, not its alpha.
    const SGColor half = {1, 0.5f, 0, 0.5f}, white = {1, 1, 1, 1};
    const BlendCase cases[] = {
        {false, 0, half, 153, 115, 77},   // normal: src × a + dst × (1 - a)
        {false, 1, half, 255, 128, 0},    // opaque: src
        {false, 2, half, 179, 166, 153},  // additive: src × a + dst
        {false, 3, half, 128, 115, 153},  // screen: src × a + dst × (1 - src)
        {false, 4, half, 51, 51, 0},      // multiply: dst × src
        {false, 7, half, 153, 115, 77},   // unknown: normal
        {true, 0, white, 153, 115, 76},   // normal: src + dst × (1 - a)
        {true, 2, white, 179, 166, 153},  // additive: src + dst
        {true, 3, white, 153, 140, 153},  // screen: src + dst × (1 - src)
        // The colour is premultiplied too: (0.5, 0.5, 0.5, 0.5).
        {true, 0, {1, 1, 1, 0.5f}, 102, 108, 115},
        // The alpha scale factor halves alpha, and all four components of a
        // premultiplied texture's colour.
        {false, 0, {0, 1, 0, 1}, 26, 179, 77, 0.5f},
        {true, 0, white, 102, 108, 115, 0.5f},
    };
    const GLuint texture = makeRectangleTexture(4, 4, [](int, int) { return Pixel{128, 64, 0, 128}; });
    textures.push_back(texture);
    place(50, 50, 10, 10);
    for (const BlendCase& c : cases) {
        prepareViewState(0.2f, 0.4f, 0.6f);
        sprite->imagePort.setValue(c.premultiplied ? imageOf(texture, 4, 4, true) : SGImageNull);
        sprite->colorPort.setValue(c.color);
        sprite->blendingModePort.setValue(c.mode);
        SGAlphaScaleFactor = c.alphaScale;
        scene.render();
        EXPECT_TRUE(colorNear(gl.pixel(50, 50), c.r, c.g, c.b)) << "mode " << c.mode << " premultiplied " << c.premultiplied
                                                                << " alpha scale " << c.alphaScale;
        EXPECT_EQ(blendFunction(), std::make_pair(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA)) << "mode " << c.mode;
    }
}

// A clean sprite redraws from its cache; once an input is marked it reads
// again every input that changed, however it changed: connected, changed
// upstream of a connection, or disconnected. (A value a script stores
// unmarked is pinned by the module's render-order test.)
TEST_F(SpriteTest, RedrawsReadEveryChangedInputOnceAnyIsMarked)
{
    auto* source = static_cast<SGArithmeticNode*>(space->createNode(SGArithmeticNodeClass));
    source->input1.setValue(150.0f);
    sprite->colorPort.setValue(SGColor{1, 0, 0, 1});
    place(50, 50, 10, 10);
    const struct {
        const char* what;
        std::function<void()> change;
        int litX, litY, darkX, darkY;
    } steps[] = {
        {"first frame", [] {}, 50, 50, 150, 50},
        {"x stored unmarked: the cache", [&] { sprite->xPort.value = 150.0f; }, 50, 50, 150, 50},
        {"x connected, then y marked", [&] { sprite->xPort.setValue(&source->output); sprite->yPort.setValue(60.0f); },
         150, 60, 50, 60},
        {"a change upstream of the connection", [&] { source->input1.setValue(60.0f); }, 60, 60, 150, 60},
        {"x disconnected, then y marked: x's own value, stored unmarked",
         [&] { sprite->xPort.setValue(static_cast<SGPort*>(nullptr)); sprite->yPort.setValue(50.0f); }, 150, 50, 60, 50},
    };
    for (const auto& step : steps) {
        step.change();
        prepareViewState();
        scene.render();
        EXPECT_TRUE(lit(step.litX, step.litY)) << step.what;
        EXPECT_FALSE(lit(step.darkX, step.darkY)) << step.what;
    }
}

TEST_F(SpriteTest, AbsurdSizesDrawWithoutFailingOrStalling)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const SGImage image = ruler(1, 1);
    const float sizes[] = {nan, inf, -inf, -50.0f, 1e30f, 0.0f};
    testing::internal::CaptureStdout();
    for (int mode : {0, 1, 2, 9}) {
        for (float size : sizes) {
            for (const SGImage& shown : {SGImageNull, image}) {
                sprite->imagePort.setValue(shown);
                sprite->horizontalWrappingPort.setValue(mode);
                sprite->verticalWrappingPort.setValue(mode);
                place(size, nan, size, size);
                scene.render();
            }
        }
    }
    testing::internal::GetCapturedStdout();  // the cap is said by the next check

    // A sprite that stays too large says so once, not every frame.
    auto* huge = static_cast<SGSpriteNode*>(space->createNode(SGSpriteNodeClass));
    huge->imagePort.setValue(image);
    huge->horizontalWrappingPort.setValue(2);
    huge->verticalWrappingPort.setValue(2);
    place(0, 0, 1e9f, 1e9f, huge);
    testing::internal::CaptureStdout();
    for (int frame = 0; frame < 3; ++frame)
        scene.render();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "SGSpriteNode: tiling a 1e+09x1e+09 sprite with a 1x1 image capped at 65536 tiles\n");
    glGetError();
}

}  // namespace
