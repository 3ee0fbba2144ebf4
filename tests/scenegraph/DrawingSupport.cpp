#include "DrawingSupport.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdlib>
#include <vector>


namespace tern_test {

void prepareViewState(float r, float g, float b)
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_RECTANGLE_ARB);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

uint32_t makeRectangleTexture(int width, int height, const std::function<Pixel(int u, int v)>& texel)
{
    std::vector<Pixel> texels(static_cast<size_t>(width) * height);
    for (int v = 0; v < height; ++v) {
        for (int u = 0; u < width; ++u)
            texels[static_cast<size_t>(v) * width + u] = texel(u, v);
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, name);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return name;
}

SGImage imageOf(uint32_t texture, int width, int height, bool premultiplied)
{
    SGImage image = SGImageNull;
    image.texture = texture;
    image.width = width;
    image.height = height;
    image.floatWidth = static_cast<float>(width);
    image.floatHeight = static_cast<float>(height);
    image.premultipliedAlpha = premultiplied ? 1 : 0;
    return image;
}

SGOrtho2DSpace* createPixelSpace(SGScene& scene, int width, int height)
{
    auto* space = static_cast<SGOrtho2DSpace*>(scene.createSpace(SGOrtho2DSpaceClass));
    space->width.setValue(static_cast<float>(width));
    space->height.setValue(static_cast<float>(height));
    space->near.setValue(-1.0f);
    space->far.setValue(1.0f);
    return space;
}

testing::AssertionResult colorNear(const Pixel& actual, int r, int g, int b, int tolerance)
{
    if (std::abs(actual.r - r) <= tolerance && std::abs(actual.g - g) <= tolerance &&
        std::abs(actual.b - b) <= tolerance)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "pixel " << toString(actual) << ", expected (" << r << ", " << g << ", "
                                       << b << ") within " << tolerance;
}

std::array<float, 32> matrices()
{
    std::array<float, 32> both{};
    glGetFloatv(GL_PROJECTION_MATRIX, both.data());
    glGetFloatv(GL_MODELVIEW_MATRIX, both.data() + 16);
    return both;
}

std::pair<int, int> blendFunction()
{
    GLint source = 0;
    GLint destination = 0;
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_BLEND_DST, &destination);
    return {source, destination};
}

}  // namespace tern_test
