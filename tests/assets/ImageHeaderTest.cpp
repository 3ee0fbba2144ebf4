// The size, format and density read from the first bytes of each image
// format, and the whole texels a logical length takes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <tuple>
#include <vector>

#include "images/TNImageHeader.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes join(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}
Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes sized(Bytes bytes, size_t size)
{
    bytes.resize(size);
    return bytes;
}
Bytes patched(Bytes bytes, size_t at, uint8_t value)
{
    bytes[at] = value;
    return bytes;
}

Bytes be16(uint32_t v) { return {uint8_t(v >> 8), uint8_t(v)}; }
Bytes be32(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }
Bytes le16(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8)}; }
Bytes le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

// A PNG chunk (its checksum is not read by the header reader).
Bytes chunk(const std::string& type, const Bytes& data, uint32_t statedLength)
{
    return join({be32(statedLength), text(type), data, be32(0)});
}
Bytes chunk(const std::string& type, const Bytes& data) { return chunk(type, data, uint32_t(data.size())); }
Bytes pHYs(uint32_t perX, uint32_t perY, uint8_t unit) { return chunk("pHYs", join({be32(perX), be32(perY), {unit}})); }

Bytes png(uint32_t width, uint32_t height, const std::vector<Bytes>& chunks)
{
    Bytes out = join({{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A},
                      chunk("IHDR", join({be32(width), be32(height), {8, 6, 0, 0, 0}}))});
    for (const Bytes& c : chunks)
        out = join({out, c});
    return out;
}

// APP0 JFIF with its density fields.
Bytes jfif(uint8_t units, uint32_t x, uint32_t y)
{
    return join({{0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 2, units}, be16(x), be16(y), {0, 0}});
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
    Bytes out = join({text(bigEndian ? "MM" : "II"), u16(42), u32(8), u16(uint32_t(entries.size()))});
    for (const Entry& e : entries)
        out = join({out, u16(e.tag), u16(e.type), u32(1), e.type == 3 ? join({u16(e.value), {0, 0}}) : u32(e.value)});
    out = join({out, u32(0)});
    out.resize(rationals, 0);
    return join({out, u32(xNum), u32(xDen), u32(yNum), u32(yDen)});
}

// APP1 Exif around a TIFF structure.
Bytes exif(const Bytes& tiffBytes)
{
    return join({{0xFF, 0xE1}, be16(uint32_t(tiffBytes.size() + 8)), text(std::string("Exif\0\0", 6)), tiffBytes});
}

// The segments, then a baseline frame header.
Bytes jpeg(uint32_t width, uint32_t height, const std::vector<Bytes>& segments)
{
    Bytes out = {0xFF, 0xD8};
    for (const Bytes& s : segments)
        out = join({out, s});
    return join({out, {0xFF, 0xC0, 0, 11, 8}, be16(height), be16(width), {1, 1, 0x11, 0}});
}

Bytes webp(const std::string& fourcc, const Bytes& payload)
{
    Bytes out = join({text("RIFF"), le32(uint32_t(payload.size() + 12)), text("WEBP" + fourcc),
                      le32(uint32_t(payload.size())), payload});
    out.resize(std::max<size_t>(out.size(), 40), 0);
    return out;
}

// A 54-byte BMP header of the given width and (signed) height.
Bytes bmp(uint32_t width, uint32_t height)
{
    return sized(join({text("BM"), Bytes(12, 0), le32(40), le32(width), le32(height)}), 54);
}

struct HeaderCase {
    const char* what;
    Bytes bytes;
    TNImageFormat format;
    uint32_t width, height;
    double dpiX, dpiY;
    const char* name = "picture";
};

TEST(ImageHeader, DensityAndSizeFromEachFormat)
{
    const auto P = TNImageFormat::PNG;
    const auto J = TNImageFormat::JPEG;
    const auto G = TNImageFormat::GIF;
    const auto T = TNImageFormat::TIFF;
    const auto W = TNImageFormat::WebP;
    const auto U = TNImageFormat::Unknown;
    // 24-bit VP8L header: 14 bits of width - 1, 14 of height - 1.
    const Bytes vp8l = join({{0x2F}, le32((300 - 1) | (150 - 1) << 14)});
    const Bytes vp8x = {0x10, 0, 0, 0, 0x0F, 0x27, 0x00, 0x3F, 0x42, 0x0F};  // 9999 + 1 by 999999 + 1
    const Bytes vp8 = {0, 0, 0, 0x9D, 0x01, 0x2A, 0x40, 0x81, 0x20, 0x00};   // 320 (scale bits set) by 32
    // 9 x 3 by its screen; bytes that are no block come before its frame,
    // which the decoder passes over to make the frame's picture.
    const Bytes damagedGIF = {'G', 'I', 'F', '8', '9', 'a', 9, 0, 3, 0, 0x77, 0x1F, 0xFF,
                              0xFF, 0xFF, 0x00, 0x2C, 0, 0, 0, 0, 0xC8, 0xAF, 0xAE, 0, 0};
    Bytes tga(18, 0);
    tga[2] = 2;
    tga[12] = 5;
    tga[14] = 4;

    const HeaderCase cases[] = {
        {"PNG without pHYs", png(200, 100, {}), P, 200, 100, 72, 72},
        {"PNG 144 dpi (5669 per metre)", png(200, 100, {pHYs(5669, 5669, 1)}), P, 200, 100, 144, 144},
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
        {"PNG pHYs cut short (its last 8 bytes)", sized(png(8, 8, {pHYs(5669, 5669, 1)}), 46), P, 8, 8, 72, 72},
        {"PNG density of 0", png(8, 8, {pHYs(0, 0, 1)}), P, 8, 8, 72, 72},
        {"PNG header cut short", sized(png(8, 8, {}), 10), U, 0, 0, 72, 72},
        {"JPEG without density", jpeg(600, 300, {}), J, 600, 300, 72, 72},
        {"JPEG progressive frame after an application segment",
         {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 0, 0, 0xFF, 0xC2, 0, 0x0B, 8, 0x01, 0x2C, 0x02, 0x58, 3}, J, 600, 300, 72,
         72},
        {"JPEG JFIF units 0 (aspect ratio)", jpeg(600, 300, {jfif(0, 1, 2)}), J, 600, 300, 72, 72},
        {"JPEG JFIF units 1 (per inch)", jpeg(600, 300, {jfif(1, 300, 150)}), J, 600, 300, 300, 150},
        {"JPEG JFIF units 2 (per centimetre)", jpeg(600, 300, {jfif(2, 118, 57)}), J, 600, 300, 300, 145},
        {"JPEG Exif in centimetres, little-endian", jpeg(60, 30, {exif(tiff(false, 0, 0, 100, 1, 50, 1, 3))}), J, 60,
         30, 254, 127},
        {"JPEG JFIF aspect ratio gives way to Exif", jpeg(60, 30, {jfif(0, 1, 1), exif(tiff(true, 0, 0, 96, 1, 96, 1, 2))}),
         J, 60, 30, 96, 96},
        {"JPEG JFIF density wins over Exif", jpeg(60, 30, {jfif(1, 150, 150), exif(tiff(true, 0, 0, 96, 1, 96, 1, 2))}),
         J, 60, 30, 150, 150},
        {"JPEG Exif cut short", jpeg(60, 30, {patched(sized(exif(tiff(true, 0, 0, 144, 1, 144, 1, 2)), 20), 3, 18)}), J,
         60, 30, 72, 72},
        {"GIF frame larger than its screen",
         {'G', 'I', 'F', '8', '9', 'a', 10, 0, 10, 0, 0, 0, 0, 0x21, 0xF9, 4, 0, 0, 0, 0, 0, 0x2C, 0, 0, 0, 0, 0x30,
          0x75, 0x05, 0},
         G, 30000, 10, 72, 72},
        {"GIF frame behind bytes that are no block", damagedGIF, G, 45000, 174, 72, 72},
        {"GIF frame after the trailer", patched(damagedGIF, 13, 0x3B), G, 9, 3, 72, 72},
        {"BMP stored top-down (negative height)", bmp(3, uint32_t(-2)), TNImageFormat::BMP, 3, 2, 72, 72},
        {"TGA by its suffix", tga, TNImageFormat::TGA, 5, 4, 72, 72, "a.Tga"},
        {"TGA bytes named otherwise", tga, U, 0, 0, 72, 72, "a.png"},
        {"TIFF big-endian at 144 dpi", tiff(true, 640, 480, 144, 1, 144, 1, 2), T, 640, 480, 144, 144},
        {"TIFF little-endian without a unit (inches)", tiff(false, 640, 480, 300, 1, 600, 2, 0), T, 640, 480, 300,
         300},
        {"TIFF in centimetres", tiff(false, 64, 48, 5669, 100, 5669, 100, 3), T, 64, 48, 144, 144},
        {"TIFF unit none", tiff(false, 64, 48, 300, 1, 300, 1, 1), T, 64, 48, 72, 72},
        {"TIFF without resolution", tiff(true, 64, 48, 0, 0, 0, 0, 0), T, 64, 48, 72, 72},
        {"TIFF zero denominator", tiff(true, 64, 48, 300, 0, 300, 0, 2), T, 64, 48, 72, 72},
        {"TIFF without a width", tiff(true, 0, 48, 300, 1, 300, 1, 2), U, 0, 0, 72, 72},
        {"TIFF directory past the end", patched(tiff(true, 64, 48, 1, 1, 1, 1, 2), 7, 0xF0), U, 0, 0, 72, 72},
        {"TIFF cut inside its directory", sized(tiff(false, 64, 48, 1, 1, 1, 1, 2), 20), U, 0, 0, 72, 72},
        {"WebP lossless", webp("VP8L", vp8l), W, 300, 150, 72, 72},
        {"WebP extended", webp("VP8X", vp8x), W, 10000, 1000000, 72, 72},
        {"WebP lossy", webp("VP8 ", vp8), W, 320, 32, 72, 72},
        {"WebP lossy without its start code", webp("VP8 ", {0, 0, 0, 1, 2, 3, 0x40, 0x01, 0x20, 0}), U, 0, 0, 72, 72},
        {"WebP cut short", sized(webp("VP8L", vp8l), 22), U, 0, 0, 72, 72},
    };
    for (const HeaderCase& c : cases) {
        const TNImageHeader header = TNReadImageHeader(c.bytes.data(), c.bytes.size(), c.name);
        EXPECT_EQ(std::make_tuple(int(header.format), header.width, header.height, header.dpiX, header.dpiY),
                  std::make_tuple(int(c.format), c.width, c.height, c.dpiX, c.dpiY))
            << c.what;
    }
}

// Lengths no picture reaches still give a texel count (the pictures drawn
// at their logical size show the ordinary ones).
TEST(ImageHeader, LogicalLengthsOutOfRangeGiveUsableTexels)
{
    EXPECT_EQ(TNLogicalImageTexels(0.0 / 0.0), 1);
    EXPECT_EQ(TNLogicalImageTexels(1e12), INT32_MAX);
}

}  // namespace
