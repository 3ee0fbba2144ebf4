// Image files into rectangle textures in a real GL context: the texels
// uploaded (premultiplied, bottom row first, no shear), each format, and
// the missing-image picture for files that cannot be used.
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
        EXPECT_EQ(image.width, TNMissingImageSide) << path;
        EXPECT_EQ(image.height, TNMissingImageSide) << path;
        EXPECT_EQ(image.premultipliedAlpha, 1);
        EXPECT_NE(image.texture, 0u);
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
    ASSERT_EQ(image.width, 8);
    ASSERT_EQ(image.height, 6);
    EXPECT_EQ(image.premultipliedAlpha, 1);
    const std::vector<Pixel> texels = textureTexels(image.texture, 8, 6);
    EXPECT_EQ(texelAt(texels, image, 1, 3), (Pixel{128, 0, 0, 128}));
    EXPECT_EQ(texelAt(texels, image, 6, 3), (Pixel{0, 50, 0, 64}));
    EXPECT_EQ(texels.back(), (Pixel{0, 0, 0, 0}));  // last texel row: the file's top row

    // The upload leaves its unpack settings in place.
    GLint unpack[2] = {0, 0};
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack[0]);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &unpack[1]);
    EXPECT_EQ(unpack[0], 1);
    EXPECT_EQ(unpack[1], 8);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ImageLoadingTest, OddSizesWithPaddedRowsUploadWithoutShear)
{
    for (const bool alpha : {false, true}) {
        for (const int width : {1, 3, 5, 7, 13}) {
            const std::string path = dir.file("odd" + std::to_string(width) + (alpha ? "a" : "") + ".png");
            ASSERT_TRUE(writePicture(path, width, 5, positional, alpha));
            const SGImage image = load(path);
            ASSERT_EQ(image.width, width);
            ASSERT_EQ(image.height, 5);
            const std::vector<Pixel> texels = textureTexels(image.texture, width, 5);
            for (int y = 0; y < 5; ++y) {
                for (int x = 0; x < width; ++x)
                    ASSERT_EQ(texelAt(texels, image, x, y), positional(x, y))
                        << "width " << width << (alpha ? " RGBA" : " RGB") << " at " << x << ", " << y;
            }
        }
    }
}

// Every format decodes to its pixels: BMP exactly, the others within what
// their encoders keep (GIF loses some colour; JPEG: the logical size tests).
TEST_F(ImageLoadingTest, EveryFormatDecodes)
{
    const auto pixel = [](int x, int y) { return (x + y) % 2 ? Pixel{250, 250, 0, 255} : Pixel{0, 0, 250, 255}; };
    const auto block = [](int x, int) { return x < 3 ? Pixel{250, 0, 0, 255} : Pixel{0, 250, 0, 255}; };
    ASSERT_TRUE(writePicture(dir.file("a.bmp"), 7, 3, pixel));
    const SGImage bmp = load(dir.file("a.bmp"));
    ASSERT_EQ(bmp.width, 7);
    const std::vector<Pixel> bmpTexels = textureTexels(bmp.texture, 7, 3);
    for (int i = 0; i < 21; ++i)
        EXPECT_EQ(texelAt(bmpTexels, bmp, i % 7, i / 7), pixel(i % 7, i / 7)) << i % 7 << ", " << i / 7;
    for (const char* name : {"b.tga", "c.gif", "d.TGA"}) {
        const std::string path = dir.file(name);
        ASSERT_TRUE(writeWithFFmpeg(path, 6, 4, block)) << name;
        const SGImage image = load(path);
        ASSERT_EQ(image.width, 6) << name;
        ASSERT_EQ(image.height, 4) << name;
        const std::vector<Pixel> texels = textureTexels(image.texture, 6, 4);
        EXPECT_TRUE(near(texelAt(texels, image, 0, 0), Pixel{250, 0, 0, 255}, 8)) << name;
        EXPECT_TRUE(near(texelAt(texels, image, 5, 3), Pixel{0, 250, 0, 255}, 8)) << name;
    }
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
        ASSERT_EQ(image.width, 5) << path;
        ASSERT_EQ(image.height, 10) << path;
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
    EXPECT_EQ(TNLoadImageFromFile(nullptr).width, 0);
    const SGImage empty = TNLoadImageFromFile("");
    EXPECT_TRUE(empty.texture == 0 && empty.width == 0 && empty.premultipliedAlpha == 0);
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
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const long peakBefore = usage.ru_maxrss;
    writeBytes(dir.file("second-frame.gif"),
               {'G', 'I', 'F', '8', '9', 'a', 0x2E, 0, 3, 0, 0x77, 0xFF, 0x3B, 0x2C, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                0x2C, 0, 0, 0, 0, 0xBB, 0xBB, 0xBB, 0xBB, 0, 2, 2, 0x44, 0x01, 0, 0x3B});
    expectMissingPicture(dir.file("second-frame.gif"), "too large (48059 x 48059 pixels");
    // A WebP by its signature and lossless header (264 x 5) whose bytes also
    // read as the text of an SVG picture: decoded as the WebP it claims to
    // be, it is damaged; it is never read as an SVG.
    const std::string webp = std::string("RIFF<svgWEBPVP8L    /\x07\x01\x01\x10     ") +
                             "width='8' height='8'><rect width='8' height='8' fill='red'/></svg>";
    tern_test::writeFile(dir.file("svg.webp"), webp);
    expectMissingPicture(dir.file("svg.webp"), "cannot be decoded");
    getrusage(RUSAGE_SELF, &usage);
    EXPECT_LT(usage.ru_maxrss - peakBefore, 512 * 1024);
    expectMissingPicture(dir.path(), "is not a regular file");

    tern_test::writeFile(dir.file("empty.jpg"), "");
    expectMissingPicture(dir.file("empty.jpg"), "not a PNG");
}

}  // namespace
