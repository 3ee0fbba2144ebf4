// Image files into rectangle textures in a real GL context: the texels
// uploaded (premultiplied, bottom row first, no shear), each format, the
// missing-image picture for files that cannot be used, and pictures measured
// at their logical size, as a Mac draws them: the captured texture averaged
// down (or spread) to the size the file's density gives (a sprite tiling
// one: the asset manager's tests).
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <GL/gl.h>
#include <GL/glext.h>
#include <gif_lib.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "AssetTestSupport.h"
#include "images/TNLoadImageFromFile.h"
#include "images/TNMissingImage.h"

using namespace tern_asset_test;
using tern_test::Pixel;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// A pixel that tells where it is: red 10x, green 10y (y from the top).
Pixel positional(int x, int y)
{
    return Pixel{static_cast<uint8_t>(10 * x + 5), static_cast<uint8_t>(10 * y + 5), 77, 255};
}

// Writes a GIF of rows of indices into a red, green, blue and white table,
// with a graphic control block naming a transparent index when one is given,
// its rows stored in the four interlaced passes when asked.
bool writeGIF(const std::string& path, const std::vector<std::vector<uint8_t>>& rows, int transparent,
              bool interlaced)
{
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    if (!gif)
        return false;
    GifColorType colors[4] = {{250, 0, 0}, {0, 250, 0}, {0, 0, 250}, {250, 250, 250}};
    ColorMapObject* map = GifMakeMapObject(4, colors);
    const int width = static_cast<int>(rows[0].size());
    const int height = static_cast<int>(rows.size());
    bool ok = EGifPutScreenDesc(gif, width, height, 2, 0, map) == GIF_OK;
    if (ok && transparent >= 0) {
        GraphicsControlBlock control{};
        control.TransparentColor = transparent;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&control, extension);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, width, height, interlaced, nullptr) == GIF_OK;
    // The tests' GIFs have ten rows.
    const std::vector<int> order = interlaced ? std::vector<int>{0, 8, 4, 2, 6, 1, 3, 5, 7, 9}
                                              : std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    for (int y : order)
        ok = ok && EGifPutLine(gif, const_cast<GifPixelType*>(rows[static_cast<size_t>(y)].data()), width) == GIF_OK;
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    GifFreeMapObject(map);
    return ok;
}

class ImageLoadingTest : public ImageFileTest {
protected:
    // Loads path expecting the missing-image picture and one printed line.
    void expectMissingPicture(const std::string& path, const std::string& reasonPart)
    {
        CaptureStderr();
        const SGImage image = load(path);
        const std::string printed = GetCapturedStderr();
        EXPECT_TRUE(sizeOf(image) == std::make_pair(TNMissingImageSide, TNMissingImageSide) &&
                    image.premultipliedAlpha == 1 && image.texture != 0) << path;
        EXPECT_EQ(printed.find("TNLoadImageFromFile could not create NSImage from file " + path), 0u) << printed;
        EXPECT_NE(printed.find(reasonPart), std::string::npos) << printed;
        EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
    }
};

TEST_F(ImageLoadingTest, TransparentPNGIsUploadedPremultipliedBottomRowFirst)
{
    // Left half: red at half alpha; right half: green at a quarter; the top
    // row fully transparent white.
    const auto pixel = [](int x, int y) {
        if (y == 0)
            return Pixel{255, 255, 255, 0};
        return x < 4 ? Pixel{255, 0, 0, 128} : Pixel{0, 200, 0, 64};
    };
    const std::string path = dir.file("alpha.png");
    ASSERT_TRUE(writePicture(path, 8, 6, pixel));
    const SGImage image = load(path);
    ASSERT_EQ(sizeOf(image), std::make_pair(8, 6));
    EXPECT_EQ(image.premultipliedAlpha, 1);
    const std::vector<Pixel> texels = textureTexels(image.texture, 8, 6);
    EXPECT_EQ(texelAt(texels, image, 1, 3), (Pixel{128, 0, 0, 128}));
    EXPECT_EQ(texelAt(texels, image, 6, 3), (Pixel{0, 50, 0, 64}));
    EXPECT_EQ(texels.back(), (Pixel{0, 0, 0, 0}));  // last texel row: the file's top row

    // The upload leaves its unpack settings in place.
    GLint unpack[2] = {0, 0};
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack[0]);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &unpack[1]);
    EXPECT_TRUE(unpack[0] == 1 && unpack[1] == 8) << unpack[0] << ", " << unpack[1];
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ImageLoadingTest, OddSizesWithPaddedRowsUploadWithoutShear)
{
    for (const bool alpha : {false, true}) {
        for (const int width : {1, 3, 5, 7, 13}) {
            const std::string path = dir.file("odd" + std::to_string(width) + (alpha ? "a" : "") + ".png");
            ASSERT_TRUE(writePicture(path, width, 5, positional, alpha));
            const SGImage image = load(path);
            ASSERT_EQ(sizeOf(image), std::make_pair(width, 5));
            const std::vector<Pixel> texels = textureTexels(image.texture, width, 5);
            for (int y = 0; y < 5; ++y) {
                for (int x = 0; x < width; ++x)
                    ASSERT_EQ(texelAt(texels, image, x, y), positional(x, y))
                        << "width " << width << (alpha ? " RGBA" : " RGB") << " at " << x << ", " << y;
            }
        }
    }
}

// BMP and TGA decode to their pixels (GIF: its own tests; PNG, TIFF, WebP
// and JPEG: the logical size tests).
TEST_F(ImageLoadingTest, BMPAndTGADecode)
{
    const auto pixel = [](int x, int y) { return (x + y) % 2 ? Pixel{250, 250, 0, 255} : Pixel{0, 0, 250, 255}; };
    const auto block = [](int x, int) { return x < 3 ? Pixel{250, 0, 0, 255} : Pixel{0, 250, 0, 255}; };
    ASSERT_TRUE(writePicture(dir.file("a.bmp"), 7, 3, pixel));
    const SGImage bmp = load(dir.file("a.bmp"));
    ASSERT_EQ(bmp.width, 7);
    const std::vector<Pixel> bmpTexels = textureTexels(bmp.texture, 7, 3);
    for (int i = 0; i < 21; ++i)
        EXPECT_EQ(texelAt(bmpTexels, bmp, i % 7, i / 7), pixel(i % 7, i / 7)) << i % 7 << ", " << i / 7;
    ASSERT_TRUE(writeWithFFmpeg(dir.file("b.tga"), 6, 4, block));
    const SGImage tga = load(dir.file("b.tga"));
    ASSERT_EQ(sizeOf(tga), std::make_pair(6, 4));
    const std::vector<Pixel> texels = textureTexels(tga.texture, 6, 4);
    EXPECT_TRUE(near(texelAt(texels, tga, 0, 0), Pixel{250, 0, 0, 255}, 8));
    EXPECT_TRUE(near(texelAt(texels, tga, 5, 3), Pixel{0, 250, 0, 255}, 8));
}

TEST_F(ImageLoadingTest, GIFsKeepTheirTransparencyAndInterlacedRows)
{
    // Row y is red, green or blue by y % 3; its last pixel is index 3.
    std::vector<std::vector<uint8_t>> rows(10, std::vector<uint8_t>(5));
    for (size_t y = 0; y < rows.size(); ++y) {
        std::fill(rows[y].begin(), rows[y].end(), static_cast<uint8_t>(y % 3));
        rows[y][4] = 3;
    }
    const Pixel colours[3] = {{250, 0, 0, 255}, {0, 250, 0, 255}, {0, 0, 250, 255}};
    for (const bool interlaced : {false, true}) {
        const std::string path = dir.file(interlaced ? "interlaced.gif" : "plain.gif");
        ASSERT_TRUE(writeGIF(path, rows, 3, interlaced));
        const SGImage image = load(path);
        ASSERT_EQ(sizeOf(image), std::make_pair(5, 10)) << path;
        const std::vector<Pixel> texels = textureTexels(image.texture, 5, 10);
        for (int y = 0; y < 10; ++y) {
            EXPECT_EQ(texelAt(texels, image, 1, y), colours[y % 3]) << path << " row " << y;
            EXPECT_EQ(texelAt(texels, image, 4, y).a, 0) << path << " row " << y;
        }
    }
    // Without a transparent index, index 3 is opaque white.
    ASSERT_TRUE(writeGIF(dir.file("opaque.gif"), rows, -1, false));
    const SGImage opaque = load(dir.file("opaque.gif"));
    ASSERT_EQ(opaque.width, 5);
    EXPECT_EQ(texelAt(textureTexels(opaque.texture, 5, 10), opaque, 4, 0), (Pixel{250, 250, 250, 255}));
}

// GIFs that made the previous decoder free memory it never took: each is a
// picture or the missing picture with one line, and the process goes on.
TEST_F(ImageLoadingTest, DamagedGIFsNeverEndTheProcess)
{
    const std::string folder = std::string(TERN_SOURCE_DIR) + "/tests/assets/data/damaged-gif/";
    for (int number = 1; number <= 11; ++number) {
        const std::string name = (number < 10 ? "0" : "") + std::to_string(number);
        CaptureStderr();
        const SGImage image = load(folder + name + ".gif");
        const std::string printed = GetCapturedStderr();
        EXPECT_TRUE(image.isPresent()) << name;
        EXPECT_LE(std::count(printed.begin(), printed.end(), '\n'), 1) << name << ": " << printed;
    }
}

TEST_F(ImageLoadingTest, NullAndEmptyPathsGiveNoImageSilently)
{
    CaptureStderr();
    const SGImage none = TNLoadImageFromFile(nullptr), empty = TNLoadImageFromFile("");
    EXPECT_TRUE(none.width == 0 && empty.texture == 0 && empty.width == 0 && empty.premultipliedAlpha == 0);
    EXPECT_EQ(GetCapturedStderr(), "");
}

TEST_F(ImageLoadingTest, UnusableFilesGiveTheMissingPictureAndOneLine)
{
    expectMissingPicture(dir.file("absent.png"), "cannot be opened");

    tern_test::writeFile(dir.file("garbage.png"), "this is not an image at all");
    expectMissingPicture(dir.file("garbage.png"), "not a PNG, JPEG, BMP, GIF, TGA, TIFF or WebP");

    ASSERT_TRUE(writePicture(dir.file("whole.png"), 40, 40, positional));
    std::string bytes = tern_test::readFile(dir.file("whole.png"));
    tern_test::writeFile(dir.file("truncated.png"), bytes.substr(0, bytes.size() / 2));
    expectMissingPicture(dir.file("truncated.png"), "is damaged");

    // A PNG claiming 20,000 x 20,000 pixels is refused before decoding.
    bytes.replace(16, 8, std::string("\0\0\x4E\x20\0\0\x4E\x20", 8));
    tern_test::writeFile(dir.file("huge.png"), bytes);
    expectMissingPicture(dir.file("huge.png"), "too large (20000 x 20000 pixels");
    // 46 x 3, with an empty first frame: the decoder would go on to the
    // second, declared 48059 pixels a side, and take 2.3 GB for it.
    const auto peak = [] { rusage usage{}; getrusage(RUSAGE_SELF, &usage); return usage.ru_maxrss; };
    const long peakBefore = peak();
    const uint8_t gif[] = {'G', 'I', 'F', '8', '9', 'a', 0x2E, 0, 3, 0, 0x77, 0xFF, 0x3B, 0x2C, 0, 0, 0, 0, 0, 0, 0, 0,
                           0, 0, 0x2C, 0, 0, 0, 0, 0xBB, 0xBB, 0xBB, 0xBB, 0, 2, 2, 0x44, 0x01, 0, 0x3B};
    tern_test::writeFile(dir.file("second-frame.gif"), std::string(std::begin(gif), std::end(gif)));
    expectMissingPicture(dir.file("second-frame.gif"), "too large (48059 x 48059 pixels");
    // A WebP by its signature and lossless header (264 x 5) whose bytes also
    // read as the text of an SVG picture: decoded as the WebP it claims to
    // be, it is damaged; it is never read as an SVG.
    const std::string webp = std::string("RIFF<svgWEBPVP8L    /\x07\x01\x01\x10     ") +
                             "width='8' height='8'><rect width='8' height='8' fill='red'/></svg>";
    tern_test::writeFile(dir.file("svg.webp"), webp);
    expectMissingPicture(dir.file("svg.webp"), "cannot be decoded");
    EXPECT_LT(peak() - peakBefore, 512 * 1024);

    tern_test::writeFile(dir.file("empty.jpg"), "");
    expectMissingPicture(dir.file("empty.jpg"), "not a PNG");
}

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
        ASSERT_EQ(sizeOf(image), std::make_pair(c.texelWidth, c.texelHeight)) << c.file;
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
    ASSERT_EQ(sizeOf(dense), std::make_pair(1, 1));
    EXPECT_FLOAT_EQ(dense.floatWidth, 0.24f);
    EXPECT_EQ(textureTexels(dense.texture, 1, 1)[0], (Pixel{200, 100, 50, 255}));

    // At 36 dpi every pixel covers 2 x 2 texels.
    ASSERT_TRUE(writeWithFFmpeg(dir.file("wide.png"), 2, 1, [](int x, int) {
        return x ? Pixel{0, 0, 255, 255} : Pixel{255, 0, 0, 255}; }, "-dpi 36"));
    const SGImage wide = load(dir.file("wide.png"));
    ASSERT_EQ(sizeOf(wide), std::make_pair(4, 2));
    const std::vector<Pixel> texels = textureTexels(wide.texture, 4, 2);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(texels[x], x < 2 ? (Pixel{255, 0, 0, 255}) : (Pixel{0, 0, 255, 255})) << x;
        EXPECT_EQ(texels[4 + x], texels[x]) << x;
    }
}

}  // namespace
