// Helpers for tests that draw nodes: the drawing state the game view sets
// up, rectangle textures made from a function, and a pixel-for-unit
// ortho space.
#ifndef TERN_TEST_DRAWING_SUPPORT_H
#define TERN_TEST_DRAWING_SUPPORT_H

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>

#include "OffscreenGL.h"
#include "images/SGImage.h"
#include "scenegraph/SGOrtho2DSpace.h"
#include "scenegraph/SGScene.h"

namespace tern_test {

// Blending on with (source alpha, one minus source alpha), rectangle
// texturing on, and the colour buffer cleared to (r, g, b).
void prepareViewState(float r = 0.0f, float g = 0.0f, float b = 0.0f);

// A width × height RGBA rectangle texture whose texel (u, v) is texel(u, v),
// nearest filtering. The caller deletes it.
uint32_t makeRectangleTexture(int width, int height, const std::function<Pixel(int u, int v)>& texel);
SGImage imageOf(uint32_t texture, int width, int height, bool premultiplied = false);

// A new ortho space of scene showing world (0, 0)-(width, height), near -1,
// far 1: one world unit per pixel of a viewport of that size.
SGOrtho2DSpace* createPixelSpace(SGScene& scene, int width, int height);

// Red, green and blue within tolerance of the expected values (alpha not read).
testing::AssertionResult colorNear(const Pixel& actual, int r, int g, int b, int tolerance = 2);

// The projection matrix followed by the model-view matrix.
std::array<float, 32> matrices();

// The blend function currently set, as (source, destination) factors.
std::pair<int, int> blendFunction();

// A width × height offscreen context drawn into through a pixel space of a
// scene, with the drawing state prepared.
template <int Width, int Height>
class PixelSpaceTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gl.ok()) << gl.error();
        prepareViewState();
        space = createPixelSpace(scene, Width, Height);
    }

    // Whether red shows at (x, y), and at how many pixels.
    bool lit(int x, int y) { return gl.pixel(x, y).r > 0; }
    int litCount()
    {
        int count = 0;
        for (const Pixel& p : gl.readPixels())
            count += p.r > 0 ? 1 : 0;
        return count;
    }

    OffscreenGL gl{Width, Height};
    SGScene scene{nullptr, nullptr};
    SGOrtho2DSpace* space = nullptr;
};

}  // namespace tern_test

#endif
