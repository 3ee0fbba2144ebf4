// Helpers of the asset tests: image files written from a pixel function
// (PNG, BMP and JPEG with SDL_image, GIF and TGA converted by ffmpeg),
// rectangle textures read back, a scene drawing a picture with a sprite, and
// the fixture of the tests that load image files into textures.
#ifndef TERN_ASSET_TEST_SUPPORT_H
#define TERN_ASSET_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "OffscreenGL.h"
#include "TestSupport.h"
#include "images/TNLoadImageFromFile.h"

namespace tern_asset_test {

// The colour of the file's pixel (x, y), y counted from the top row.
using PixelFunction = std::function<tern_test::Pixel(int x, int y)>;

// A PNG with an alpha channel (RGB when withAlpha is false), or by the
// suffix of path a 24-bit ".bmp" or a ".jpg".
bool writePicture(const std::string& path, int width, int height, const PixelFunction& pixel, bool withAlpha = true);
// Any format ffmpeg writes, chosen by the suffix of path, made from a PNG;
// options go to the encoder ("-dpi 144").
bool writeWithFFmpeg(const std::string& path, int width, int height, const PixelFunction& pixel,
                     const std::string& options = "");

// The texels of a rectangle texture as RGBA, row 0 first (the row drawn at
// the bottom of a sprite).
std::vector<tern_test::Pixel> textureTexels(uint32_t texture, int width, int height);

// Whether every channel of a is within tolerance of b's.
bool near(const tern_test::Pixel& a, const tern_test::Pixel& b, int tolerance);

// The scene as a game builds it, for a script holding sharedAssetManager:
// an ortho space of 64 x 64 units, one per pixel, and the global loader
// feeding the global sprite, 16 x 16 at the centre.
extern const char* const kSpriteSceneScript;
// Blending as the player sets it, rectangle textures on, cleared to blue.
void prepareView();

// A GL context, a temporary folder, and the images loaded, freed at the end.
class ImageFileTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(gl.ok()) << gl.error(); }
    void TearDown() override
    {
        for (SGImage& image : images)
            image.freeImage();
    }

    SGImage load(const std::string& path)
    {
        const SGImage image = TNLoadImageFromFile(path.c_str());
        if (image.isPresent())
            images.push_back(image);
        return image;
    }

    static std::pair<int, int> sizeOf(const SGImage& image) { return {image.width, image.height}; }
    // The texel showing the file's point (x, y), y from the top.
    static tern_test::Pixel texelAt(const std::vector<tern_test::Pixel>& texels, const SGImage& image, int x, int y)
    {
        return texels[static_cast<size_t>(image.height - 1 - y) * image.width + x];
    }

    tern_test::OffscreenGL gl{64, 64};
    tern_test::TempDir dir;
    std::vector<SGImage> images;
};

}  // namespace tern_asset_test

#endif
