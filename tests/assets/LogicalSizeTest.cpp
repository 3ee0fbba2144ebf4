// Pictures measured at their logical size, as a Mac draws them: the
// captured texture averaged down (or spread) to the size the file's density
// gives (a sprite tiling one: the asset manager's tests).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AssetTestSupport.h"

using namespace tern_asset_test;
using tern_test::Pixel;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// Each 2 x 2 block of the file has one colour, telling its block position;
// the block at (0, 0) is instead a one-pixel black and white checker.
Pixel blockPixel(int x, int y)
{
    if (x < 2 && y < 2)
        return (x + y) % 2 ? Pixel{255, 255, 255, 255} : Pixel{0, 0, 0, 255};
    return Pixel{static_cast<uint8_t>(20 * (x / 2) + 10), static_cast<uint8_t>(20 * (y / 2) + 10), 90, 255};
}

// The colour a texel of the block picture shows at half size.
Pixel halfSizeTexel(int x, int y)
{
    return x == 0 && y == 0 ? Pixel{128, 128, 128, 255} : blockPixel(2 * x, 2 * y);
}

// Writes a JPEG and gives its JFIF segment the density.
bool writeJPEGWithDensity(const std::string& path, int width, int height, uint8_t units, uint16_t density)
{
    if (!writePicture(path, width, height, blockPixel))
        return false;
    std::string bytes = tern_test::readFile(path);
    if (bytes.size() < 20 || uint8_t(bytes[3]) != 0xE0 || bytes.compare(6, 4, "JFIF") != 0)
        return false;
    bytes[13] = static_cast<char>(units);
    bytes[14] = bytes[16] = static_cast<char>(density >> 8);
    bytes[15] = bytes[17] = static_cast<char>(density);
    tern_test::writeFile(path, bytes);
    return true;
}

using LogicalSizeTest = ImageFileTest;

struct CaptureCase {
    const char* file;
    std::string ffmpegOptions;  // empty: a JPEG made here
    int texelWidth, texelHeight;
    float logicalWidth, logicalHeight;
    int tolerance;  // 0 for lossless formats
};

// 20 x 12 pixels: at 144 dpi a 10 x 6 texture of the blocks' colours.
TEST_F(LogicalSizeTest, PicturesAreCapturedAtTheirLogicalSize)
{
    const CaptureCase cases[] = {
        {"a.png", "-dpi 144", 10, 6, 10, 6, 0},
        {"b.png", "-dpi 72", 20, 12, 20, 12, 0},
        {"c.tif", "-dpi 144", 10, 6, 10, 6, 0},
        {"e.webp", "-c:v libwebp -lossless 1", 20, 12, 20, 12, 0},
        {"f.jpg", "", 10, 6, 10, 6, 24},
        // 127 dpi (5000 per metre): 11.338 x 6.803, truncated.
        {"g.png", "-dpm 5000", 11, 6, 20 * 72 / 127.0f, 12 * 72 / 127.0f, 0},
    };
    for (const CaptureCase& c : cases) {
        const std::string path = dir.file(c.file);
        if (c.ffmpegOptions.empty())
            ASSERT_TRUE(writeJPEGWithDensity(path, 20, 12, 1, 144));
        else
            ASSERT_TRUE(writeWithFFmpeg(path, 20, 12, blockPixel, c.ffmpegOptions)) << c.file;
        const SGImage image = load(path);
        ASSERT_EQ(image.width, c.texelWidth) << c.file;
        ASSERT_EQ(image.height, c.texelHeight) << c.file;
        EXPECT_FLOAT_EQ(image.floatWidth, c.logicalWidth) << c.file;
        EXPECT_FLOAT_EQ(image.floatHeight, c.logicalHeight) << c.file;
        const std::vector<Pixel> texels = textureTexels(image.texture, image.width, image.height);
        const bool half = c.texelWidth == 10;
        const bool whole = c.texelWidth == 20;
        for (int y = 0; y < image.height && (half || whole); ++y) {
            for (int x = 0; x < image.width; ++x) {
                const Pixel expected = half ? halfSizeTexel(x, y) : blockPixel(x, y);
                ASSERT_TRUE(near(texelAt(texels, image, x, y), expected, c.tolerance))
                    << c.file << " at " << x << ", " << y << ": " << tern_test::toString(texelAt(texels, image, x, y));
            }
        }
    }
    // At 127 dpi texel 5 covers file columns 8.819 to 10.583: 0.181 of
    // column 8 and all of column 9 (block 4, red 90), 0.583 of column 10
    // (block 5, red 110).
    const SGImage odd = images.back();
    const std::vector<Pixel> texels = textureTexels(odd.texture, odd.width, odd.height);
    const double expectedRed = (0.181 * 90 + 1.0 * 90 + 0.583 * 110) / 1.764;
    EXPECT_NEAR(texelAt(texels, odd, 5, 3).r, expectedRed, 1.5);
}

// A picture's texture stays within the limits at its logical size; one so
// dense it measures less than a texel still gets one.
TEST_F(LogicalSizeTest, LogicalSizeLimitsAndTheSmallest)
{
    ASSERT_TRUE(writeWithFFmpeg(dir.file("sparse.png"), 64, 64, blockPixel, "-dpi 1"));
    CaptureStderr();
    const SGImage sparse = load(dir.file("sparse.png"));
    const std::string printed = GetCapturedStderr();
    EXPECT_NE(printed.find("is too large at its density (4608 x 4608 pixels drawn"), std::string::npos) << printed;
    EXPECT_EQ(sparse.width, 32);  // the missing picture

    ASSERT_TRUE(writeWithFFmpeg(dir.file("dense.png"), 2, 2, [](int, int) { return Pixel{200, 100, 50, 255}; },
                                "-dpi 600"));
    const SGImage dense = load(dir.file("dense.png"));
    ASSERT_EQ(dense.width, 1);
    ASSERT_EQ(dense.height, 1);
    EXPECT_FLOAT_EQ(dense.floatWidth, 0.24f);
    EXPECT_EQ(textureTexels(dense.texture, 1, 1)[0], (Pixel{200, 100, 50, 255}));

    // At 36 dpi every pixel covers 2 x 2 texels.
    ASSERT_TRUE(writeWithFFmpeg(dir.file("wide.png"), 2, 1, [](int x, int) {
        return x ? Pixel{0, 0, 255, 255} : Pixel{255, 0, 0, 255}; }, "-dpi 36"));
    const SGImage wide = load(dir.file("wide.png"));
    ASSERT_EQ(wide.width, 4);
    ASSERT_EQ(wide.height, 2);
    const std::vector<Pixel> texels = textureTexels(wide.texture, 4, 2);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(texels[x], x < 2 ? (Pixel{255, 0, 0, 255}) : (Pixel{0, 0, 255, 255})) << x;
        EXPECT_EQ(texels[4 + x], texels[x]) << x;
    }
}

}  // namespace
