// A fixture for the tests that load image files into textures: a GL
// context, a temporary folder, and the images loaded, freed at the end.
#ifndef TERN_IMAGE_FILE_TEST_H
#define TERN_IMAGE_FILE_TEST_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OffscreenGL.h"
#include "TestSupport.h"
#include "images/TNLoadImageFromFile.h"

namespace tern_asset_test {

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
