// Pictures measured and drawn at their logical size, as a Mac draws them:
// the density each format states read from its header, the captured
// texture averaged down (or spread) to that size, and a sprite tiling it
// at that size.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "AssetTestSupport.h"
#include "OffscreenGL.h"
#include "ScriptedEngine.h"
#include "TestSupport.h"
#include "images/TNImageDecoding.h"
#include "images/TNImageHeader.h"
#include "images/TNLoadImageFromFile.h"

using namespace tern_asset_test;
using tern_test::OffscreenGL;
using tern_test::Pixel;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

using Bytes = std::vector<uint8_t>;

void append(Bytes& to, const Bytes& more) { to.insert(to.end(), more.begin(), more.end()); }
void appendText(Bytes& to, const std::string& text) { to.insert(to.end(), text.begin(), text.end()); }

Bytes be16(uint32_t v) { return {uint8_t(v >> 8), uint8_t(v)}; }
Bytes be32(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }
Bytes le16(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8)}; }
Bytes le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

// A PNG chunk (its checksum is not read by the header reader).
Bytes chunk(const std::string& type, const Bytes& data, uint32_t statedLength)
{
    Bytes out = be32(statedLength);
    appendText(out, type);
    append(out, data);
    append(out, be32(0));
    return out;
}
Bytes chunk(const std::string& type, const Bytes& data) { return chunk(type, data, uint32_t(data.size())); }

Bytes pHYs(uint32_t perX, uint32_t perY, uint8_t unit)
{
    Bytes data = be32(perX);
    append(data, be32(perY));
    data.push_back(unit);
    return chunk("pHYs", data);
}

Bytes png(uint32_t width, uint32_t height, const std::vector<Bytes>& chunks)
{
    Bytes out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes header = be32(width);
    append(header, be32(height));
    append(header, {8, 6, 0, 0, 0});
    append(out, chunk("IHDR", header));
    for (const Bytes& c : chunks)
        append(out, c);
    return out;
}

// APP0 JFIF with its density fields.
Bytes jfif(uint8_t units, uint32_t x, uint32_t y)
{
    Bytes out = {0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 2, units};
    append(out, be16(x));
    append(out, be16(y));
    append(out, {0, 0});
    return out;
}

// A TIFF structure with ImageWidth and ImageLength (when not 0),
// XResolution and YResolution (when their denominators are not 0) and
// ResolutionUnit (when not 0), in either byte order.
Bytes tiff(bool bigEndian, uint32_t width, uint32_t height, uint32_t xNum, uint32_t xDen, uint32_t yNum,
           uint32_t yDen, uint32_t unit)
{
    const auto u16 = [&](uint32_t v) { return bigEndian ? be16(v) : le16(v); };
    const auto u32 = [&](uint32_t v) { return bigEndian ? be32(v) : le32(v); };
    struct Entry {
        uint32_t tag, type, value;
    };
    std::vector<Entry> entries;
    if (width)
        entries.push_back({256, 4, width});
    if (height)
        entries.push_back({257, 3, height});
    const uint32_t rationals = 8 + 2 + 12 * 5 + 4;
    if (xDen)
        entries.push_back({282, 5, rationals});
    if (yDen)
        entries.push_back({283, 5, rationals + 8});
    if (unit)
        entries.push_back({296, 3, unit});
    Bytes out;
    appendText(out, bigEndian ? "MM" : "II");
    append(out, u16(42));
    append(out, u32(8));
    append(out, u16(uint32_t(entries.size())));
    for (const Entry& e : entries) {
        append(out, u16(e.tag));
        append(out, u16(e.type));
        append(out, u32(1));
        if (e.type == 3) {
            append(out, u16(e.value));
            append(out, {0, 0});
        } else {
            append(out, u32(e.value));
        }
    }
    append(out, u32(0));
    out.resize(rationals, 0);
    for (uint32_t v : {xNum, xDen, yNum, yDen})
        append(out, u32(v));
    return out;
}

// APP1 Exif around a TIFF structure.
Bytes exif(const Bytes& tiffBytes)
{
    Bytes out = {0xFF, 0xE1};
    append(out, be16(uint32_t(tiffBytes.size() + 8)));
    appendText(out, std::string("Exif\0\0", 6));
    append(out, tiffBytes);
    return out;
}

Bytes jpeg(uint32_t width, uint32_t height, const std::vector<Bytes>& segments)
{
    Bytes out = {0xFF, 0xD8};
    for (const Bytes& s : segments)
        append(out, s);
    append(out, {0xFF, 0xC0, 0, 11, 8});
    append(out, be16(height));
    append(out, be16(width));
    append(out, {1, 1, 0x11, 0});
    return out;
}

Bytes webp(const std::string& fourcc, const Bytes& payload)
{
    Bytes out;
    appendText(out, "RIFF");
    append(out, le32(uint32_t(payload.size() + 12)));
    appendText(out, "WEBP" + fourcc);
    append(out, le32(uint32_t(payload.size())));
    append(out, payload);
    out.resize(std::max<size_t>(out.size(), 40), 0);
    return out;
}

struct HeaderCase {
    const char* what;
    Bytes bytes;
    TNImageFormat format;
    uint32_t width, height;
    double dpiX, dpiY;
};

TEST(ImageHeader, DensityAndSizeFromEachFormat)
{
    const auto P = TNImageFormat::PNG;
    const auto J = TNImageFormat::JPEG;
    const auto T = TNImageFormat::TIFF;
    const auto W = TNImageFormat::WebP;
    const auto U = TNImageFormat::Unknown;
    // 24-bit VP8L header: 14 bits of width - 1, 14 of height - 1.
    const uint32_t vp8lBits = (300 - 1) | (150 - 1) << 14;
    Bytes vp8l = {0x2F};
    append(vp8l, le32(vp8lBits));
    Bytes vp8x = {0x10, 0, 0, 0};
    append(vp8x, {0x0F, 0x27, 0x00, 0x3F, 0x42, 0x0F});  // 9999 + 1 by 999999 + 1
    const Bytes vp8 = {0, 0, 0, 0x9D, 0x01, 0x2A, 0x40, 0x81, 0x20, 0x00};  // 320 (scale bits set) by 32

    const HeaderCase cases[] = {
        {"PNG without pHYs", png(200, 100, {}), P, 200, 100, 72, 72},
        {"PNG 144 dpi (5669 per metre)", png(200, 100, {pHYs(5669, 5669, 1)}), P, 200, 100, 144, 144},
        {"PNG 72 dpi (2835 per metre) stays 72", png(200, 100, {pHYs(2835, 2835, 1)}), P, 200, 100, 72, 72},
        {"PNG axes apart", png(8, 8, {pHYs(3780, 7559, 1)}), P, 8, 8, 96, 192},
        {"PNG pHYs unit 0 is an aspect ratio only", png(8, 8, {pHYs(5669, 11339, 0)}), P, 8, 8, 72, 72},
        {"PNG pHYs after other chunks", png(8, 8, {chunk("gAMA", be32(45455)), pHYs(11811, 11811, 1)}), P, 8, 8,
         300, 300},
        {"PNG pHYs after the image data is not read", png(8, 8, {chunk("IDAT", {1, 2}), pHYs(5669, 5669, 1)}), P, 8,
         8, 72, 72},
        {"PNG pHYs of the wrong length", png(8, 8, {chunk("pHYs", {0, 0, 0x16, 0x25, 0, 0, 0x16, 0x25})}), P, 8, 8,
         72, 72},
        {"PNG chunk claiming more than the file", png(8, 8, {chunk("tEXt", {1}, 0xFFFFFFF0), pHYs(5669, 5669, 1)}),
         P, 8, 8, 72, 72},
        {"PNG pHYs cut short", [] { Bytes b = png(8, 8, {pHYs(5669, 5669, 1)}); b.resize(b.size() - 8); return b; }(),
         P, 8, 8, 72, 72},
        {"PNG density of 0", png(8, 8, {pHYs(0, 0, 1)}), P, 8, 8, 72, 72},
        {"JPEG without density", jpeg(600, 300, {}), J, 600, 300, 72, 72},
        {"JPEG JFIF units 0 (aspect ratio)", jpeg(600, 300, {jfif(0, 1, 2)}), J, 600, 300, 72, 72},
        {"JPEG JFIF units 1 (per inch)", jpeg(600, 300, {jfif(1, 300, 150)}), J, 600, 300, 300, 150},
        {"JPEG JFIF units 2 (per centimetre)", jpeg(600, 300, {jfif(2, 118, 57)}), J, 600, 300, 300, 145},
        {"JPEG Exif resolution", jpeg(60, 30, {exif(tiff(true, 0, 0, 144, 1, 144, 1, 2))}), J, 60, 30, 144, 144},
        {"JPEG Exif in centimetres, little-endian", jpeg(60, 30, {exif(tiff(false, 0, 0, 100, 1, 50, 1, 3))}), J, 60,
         30, 254, 127},
        {"JPEG JFIF aspect ratio gives way to Exif", jpeg(60, 30, {jfif(0, 1, 1), exif(tiff(true, 0, 0, 96, 1, 96, 1, 2))}),
         J, 60, 30, 96, 96},
        {"JPEG JFIF density wins over Exif", jpeg(60, 30, {jfif(1, 150, 150), exif(tiff(true, 0, 0, 96, 1, 96, 1, 2))}),
         J, 60, 30, 150, 150},
        {"JPEG Exif cut short", jpeg(60, 30, {[] { Bytes b = exif(tiff(true, 0, 0, 144, 1, 144, 1, 2)); b.resize(20);
                                               b[3] = 18; return b; }()}),
         J, 60, 30, 72, 72},
        {"TIFF big-endian at 144 dpi", tiff(true, 640, 480, 144, 1, 144, 1, 2), T, 640, 480, 144, 144},
        {"TIFF little-endian without a unit (inches)", tiff(false, 640, 480, 300, 1, 600, 2, 0), T, 640, 480, 300,
         300},
        {"TIFF in centimetres", tiff(false, 64, 48, 5669, 100, 5669, 100, 3), T, 64, 48, 144, 144},
        {"TIFF unit none", tiff(false, 64, 48, 300, 1, 300, 1, 1), T, 64, 48, 72, 72},
        {"TIFF without resolution", tiff(true, 64, 48, 0, 0, 0, 0, 0), T, 64, 48, 72, 72},
        {"TIFF zero denominator", tiff(true, 64, 48, 300, 0, 300, 0, 2), T, 64, 48, 72, 72},
        {"TIFF without a width", tiff(true, 0, 48, 300, 1, 300, 1, 2), U, 0, 0, 72, 72},
        {"TIFF directory past the end", [] { Bytes b = tiff(true, 64, 48, 1, 1, 1, 1, 2); b[7] = 0xF0; return b; }(),
         U, 0, 0, 72, 72},
        {"TIFF cut inside its directory", [] { Bytes b = tiff(false, 64, 48, 1, 1, 1, 1, 2); b.resize(20); return b; }(),
         U, 0, 0, 72, 72},
        {"WebP lossless", webp("VP8L", vp8l), W, 300, 150, 72, 72},
        {"WebP extended", webp("VP8X", vp8x), W, 10000, 1000000, 72, 72},
        {"WebP lossy", webp("VP8 ", vp8), W, 320, 32, 72, 72},
        {"WebP lossy without its start code", webp("VP8 ", {0, 0, 0, 1, 2, 3, 0x40, 0x01, 0x20, 0}), U, 0, 0, 72, 72},
        {"WebP cut short", [&] { Bytes b = webp("VP8L", vp8l); b.resize(22); return b; }(), U, 0, 0, 72, 72},
    };
    for (const HeaderCase& c : cases) {
        const TNImageHeader header = TNReadImageHeader(c.bytes.data(), c.bytes.size(), "picture");
        EXPECT_EQ(header.format, c.format) << c.what;
        EXPECT_EQ(header.width, c.width) << c.what;
        EXPECT_EQ(header.height, c.height) << c.what;
        EXPECT_EQ(header.dpiX, c.dpiX) << c.what;
        EXPECT_EQ(header.dpiY, c.dpiY) << c.what;
    }
}

// Whole texels hold a logical length: truncated, never below one.
TEST(ImageHeader, LogicalLengthsAndTheirTexels)
{
    EXPECT_DOUBLE_EQ(TNLogicalImageLength(200, 144), 100.0);
    EXPECT_DOUBLE_EQ(TNLogicalImageLength(101, 144), 50.5);
    EXPECT_DOUBLE_EQ(TNLogicalImageLength(10, 36), 20.0);
    EXPECT_EQ(TNLogicalImageTexels(50.5), 50);
    EXPECT_EQ(TNLogicalImageTexels(99.999), 99);
    EXPECT_EQ(TNLogicalImageTexels(0.24), 1);
    EXPECT_EQ(TNLogicalImageTexels(0.0 / 0.0), 1);
    EXPECT_EQ(TNLogicalImageTexels(1e12), INT32_MAX);
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

bool near(const Pixel& a, const Pixel& b, int tolerance)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance &&
           std::abs(a.a - b.a) <= tolerance;
}

// Writes a JPEG and gives its JFIF segment the density.
bool writeJPEGWithDensity(const std::string& path, int width, int height, uint8_t units, uint16_t density)
{
    if (!writeJPEG(path, width, height, blockPixel))
        return false;
    Bytes bytes = readBytes(path);
    if (bytes.size() < 20 || bytes[3] != 0xE0 || std::string(bytes.begin() + 6, bytes.begin() + 10) != "JFIF")
        return false;
    bytes[13] = units;
    bytes[14] = bytes[16] = static_cast<uint8_t>(density >> 8);
    bytes[15] = bytes[17] = static_cast<uint8_t>(density);
    writeBytes(path, bytes);
    return true;
}

class LogicalSizeTest : public testing::Test {
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

    // The texel showing the file's point (x, y) at the logical size, y from the top.
    static Pixel texelAt(const std::vector<Pixel>& texels, const SGImage& image, int x, int y)
    {
        return texels[static_cast<size_t>(image.height - 1 - y) * image.width + x];
    }

    OffscreenGL gl{64, 64};
    tern_test::TempDir dir;
    std::vector<SGImage> images;
};

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
        {"d.tiff", "-dpi 72", 20, 12, 20, 12, 0},
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

// A sprite tiles a 144-dpi picture at its logical size, through the
// engine script's own scene and asset manager.
TEST_F(LogicalSizeTest, ASpriteTilesAPictureAtItsLogicalSize)
{
    const char* const script = R"(
function initEngine() end
project = {}
function project:pathForImage(name) return assetDir .. "/" .. name end
)";
    tern_test::ScriptedEngine engine{script};
    ASSERT_EQ(engine.initStatus(), 0);
    // 32 x 16 pixels, left half red and right half green: 16 x 8 at 144 dpi.
    const auto halves = [](int x, int) { return x < 16 ? Pixel{255, 0, 0, 255} : Pixel{0, 255, 0, 255}; };
    ASSERT_TRUE(writeWithFFmpeg(dir.file("halves.png"), 32, 16, halves, "-dpi 144"));
    ASSERT_TRUE(writeWithFFmpeg(dir.file("halves.tif"), 32, 16, halves, "-dpi 144"));
    for (const char* name : {"halves.png", "halves.tif"}) {
        engine.run("assetDir = '" + dir.path() + "'\nsharedAssetManager = assetManager.new()");
        engine.run(std::string(R"(
            scene = scenegraph.scene.new(nil, sharedAssetManager)
            local space = scene:createSpace(scenegraph.ortho2DSpace)
            space.width:setValue(64, true)
            space.height:setValue(64, true)
            space.near:setValue(-1, true)
            space.far:setValue(1, true)
            local loader = space:createNode(scenegraph.imageLoaderNode)
            local sprite = space:createNode(scenegraph.spriteNode)
            sprite.image:setValue(loader.asset)
            sprite.x:setValue(32, true)
            sprite.y:setValue(32, true)
            sprite.width:setValue(32, true)
            sprite.height:setValue(8, true)
            sprite.horizontalWrapping:setValue(2, true)
            loader.name:setValue(')") + name + "', true)");
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_TEXTURE_RECTANGLE_ARB);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        engine.run("scene:render()");
        // Tiles of 16 from x = 16: red 16-23, green 24-31, red 32-39, green 40-47.
        for (const auto& probe : {std::make_pair(18, 'r'), {28, 'g'}, {34, 'r'}, {44, 'g'}}) {
            const Pixel p = gl.pixel(probe.first, 32);
            EXPECT_EQ(probe.second == 'r' ? p.r : p.g, 255) << name << " at " << probe.first << ": "
                                                            << tern_test::toString(p);
        }
        engine.run("scene:delete() assetManager.delete(sharedAssetManager)");
    }
}

}  // namespace
