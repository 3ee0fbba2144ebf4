// StringTexture in a real GL context: the uploaded texture, its unpack
// settings, drawing it, and deleting it.
#include <gtest/gtest.h>

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <tuple>

#include "OffscreenGL.h"
#include "text/StringTexture.h"

using tern_test::OffscreenGL;

namespace {

class StringTextureGLTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gl.ok()) << gl.error();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, gl.width(), 0, gl.height(), -1, 1);  // one unit per pixel, origin bottom left
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    // Total red of the window's rows [fromRow, toRow) (white text on black).
    long inkInRows(int fromRow, int toRow)
    {
        const std::vector<tern_test::Pixel> pixels = gl.readPixels();
        long ink = 0;
        for (int y = fromRow; y < toRow; ++y)
            for (int x = 0; x < gl.width(); ++x)
                ink += pixels[static_cast<size_t>(y) * gl.width() + x].r;
        return ink;
    }

    OffscreenGL gl{256, 128};
};

}  // namespace

TEST_F(StringTextureGLTest, UploadsTheBitmapAsARectangleTexture)
{
    StringTexture texture("Uploaded", "ArialMT", 20, TNTextLayoutAlignment::Center);
    const TNBitmap bitmap = texture.drawBitmap(8192);
    texture.genTexture();
    ASSERT_TRUE(glIsTexture(texture.texName()));
    // Linear filtering; the unpack settings stay in force after the upload.
    GLint filter = 0, alignment = 0, rowLength = 0;
    glGetTexParameteriv(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MIN_FILTER, &filter);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
    EXPECT_EQ(std::make_tuple(filter, alignment, rowLength), std::make_tuple(GL_LINEAR, 1, bitmap.width));
    // Read back from the texture left bound, sized as the bitmap.
    std::vector<uint8_t> uploaded(bitmap.data.size() + 4, 0xAB);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGBA, GL_UNSIGNED_BYTE, uploaded.data());
    EXPECT_EQ(uploaded.back(), 0xAB);
    uploaded.resize(bitmap.data.size());
    EXPECT_EQ(uploaded, bitmap.data);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(StringTextureGLTest, DrawsUprightAtAPoint)
{
    StringTexture texture("MMMMMMMM\n.", "ArialMT", 30, TNTextLayoutAlignment::Left);
    glEnable(GL_TEXTURE_RECTANGLE_ARB);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, 1);
    texture.drawAtPoint(10, 10);  // makes the texture first
    glDisable(GL_TEXTURE_RECTANGLE_ARB);
    ASSERT_NE(texture.texName(), 0u);
    const int top = 10 + static_cast<int>(texture.texHeight());
    const int middle = 10 + static_cast<int>(texture.texHeight()) / 2;
    // The wide line is on top, the dot's line below it; nothing outside.
    EXPECT_GT(inkInRows(middle, top), 5 * inkInRows(10, middle));
    EXPECT_GT(inkInRows(10, middle), 0);
    EXPECT_EQ(inkInRows(0, 10), 0);
    EXPECT_EQ(inkInRows(top, gl.height()), 0);
}

// The texture outliving the object is pinned by the string-to-image node's
// tests, whose image is the texture of an object gone.
TEST_F(StringTextureGLTest, DeletingChangingTheFrameAndOversizedTextLeaveNoTexture)
{
    StringTexture texture("Gone", "ArialMT", 20, TNTextLayoutAlignment::Center);
    texture.genTexture();
    const GLuint first = texture.texName();
    ASSERT_TRUE(glIsTexture(first));
    texture.genTexture();  // a new texture replaces the old one
    EXPECT_FALSE(glIsTexture(first));
    const GLuint second = texture.texName();
    texture.setMargins(1, 1);
    EXPECT_FALSE(glIsTexture(second));
    EXPECT_EQ(texture.texName(), 0u);
    texture.genTexture();
    texture.useStaticFrame(64, 32);
    EXPECT_EQ(texture.texName(), 0u);
    texture.genTexture();
    const GLuint last = texture.texName();
    texture.deleteTexture();
    EXPECT_FALSE(glIsTexture(last));
    EXPECT_EQ(texture.texName(), 0u);

    // Text larger than a texture gives none, and says so.
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_RECTANGLE_TEXTURE_SIZE_ARB, &maxSide);
    ASSERT_GT(maxSide, 0);
    StringTexture tall("Tall", "ArialMT", static_cast<double>(maxSide), TNTextLayoutAlignment::Center);
    testing::internal::CaptureStderr();
    tall.genTexture();
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("larger than a texture"), std::string::npos) << log;
    EXPECT_EQ(std::make_pair(tall.texName(), tall.texWidth()), std::make_pair(0u, 0.0f));
}
