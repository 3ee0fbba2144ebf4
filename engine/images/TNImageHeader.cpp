#include "images/TNImageHeader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {

uint32_t be16(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 8 | p[1]; }
uint32_t le16(const uint8_t* p) { return static_cast<uint32_t>(p[1]) << 8 | p[0]; }
uint32_t be32(const uint8_t* p) { return be16(p) << 16 | be16(p + 2); }
uint32_t le32(const uint8_t* p) { return le16(p + 2) << 16 | le16(p); }

TNImageHeader sized(TNImageFormat format, uint32_t width, uint32_t height)
{
    TNImageHeader header;
    header.format = format;
    header.width = width;
    header.height = height;
    return header;
}

// Signature, then the IHDR chunk with big-endian width and height.
bool readPNG(const uint8_t* data, size_t size, TNImageHeader& header)
{
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (size < 8 || std::memcmp(data, kSignature, 8) != 0)
        return false;
    if (size >= 24 && std::memcmp(data + 12, "IHDR", 4) == 0)
        header = sized(TNImageFormat::PNG, be32(data + 16), be32(data + 20));
    return true;
}

bool isStartOfFrame(uint8_t marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Walks the marker segments up to the first start-of-frame segment.
bool readJPEG(const uint8_t* data, size_t size, TNImageHeader& header)
{
    if (size < 3 || data[0] != 0xFF || data[1] != 0xD8 || data[2] != 0xFF)
        return false;
    size_t pos = 2;
    while (pos < size && data[pos] == 0xFF) {
        while (pos < size && data[pos] == 0xFF)
            ++pos;
        if (pos >= size)
            break;
        const uint8_t marker = data[pos++];
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;  // markers without a segment
        if (marker == 0xD9 || marker == 0xDA || pos + 2 > size)
            break;  // image end or scan data before any frame
        const size_t length = be16(data + pos);
        if (length < 2)
            break;
        if (isStartOfFrame(marker)) {
            if (pos + 7 <= size)
                header = sized(TNImageFormat::JPEG, be16(data + pos + 5), be16(data + pos + 3));
            break;
        }
        pos += length;
    }
    return true;
}

// The file header, then the DIB header: 16-bit sizes in the old OS/2 form,
// signed 32-bit ones otherwise (a negative height means top-down rows).
bool readBMP(const uint8_t* data, size_t size, TNImageHeader& header)
{
    if (size < 2 || data[0] != 'B' || data[1] != 'M')
        return false;
    if (size < 26)
        return true;
    if (le32(data + 14) == 12) {
        header = sized(TNImageFormat::BMP, le16(data + 18), le16(data + 20));
        return true;
    }
    const auto width = static_cast<int32_t>(le32(data + 18));
    const auto height = static_cast<int32_t>(le32(data + 22));
    if (width >= 0 && height != INT32_MIN)
        header = sized(TNImageFormat::BMP, static_cast<uint32_t>(width), static_cast<uint32_t>(std::abs(height)));
    return true;
}

// The logical screen, then the blocks up to the first image descriptor,
// whose frame may be larger than the screen.
bool readGIF(const uint8_t* data, size_t size, TNImageHeader& header)
{
    if (size < 6 || (std::memcmp(data, "GIF87a", 6) != 0 && std::memcmp(data, "GIF89a", 6) != 0))
        return false;
    if (size < 13)
        return true;
    uint32_t width = le16(data + 6);
    uint32_t height = le16(data + 8);
    size_t pos = 13;
    if (data[10] & 0x80)
        pos += 3u * (1u << ((data[10] & 7) + 1));  // global colour table
    while (pos < size) {
        if (data[pos] == 0x2C) {  // image descriptor
            if (pos + 9 > size)
                return true;
            width = std::max(width, le16(data + pos + 5));
            height = std::max(height, le16(data + pos + 7));
            break;
        }
        if (data[pos] != 0x21)  // trailer or damage: no frame follows
            break;
        pos += 2;  // extension introducer and label, then sub-blocks
        while (pos < size) {
            const uint8_t length = data[pos];
            pos += 1u + length;
            if (length == 0)
                break;
        }
    }
    header = sized(TNImageFormat::GIF, width, height);
    return true;
}

bool hasTGASuffix(const char* path)
{
    const size_t length = path ? std::strlen(path) : 0;
    return length >= 4 && strcasecmp(path + length - 4, ".tga") == 0;
}

// No signature: a ".tga" name and one of the image types SDL_image reads.
bool readTGA(const uint8_t* data, size_t size, const char* path, TNImageHeader& header)
{
    if (!hasTGASuffix(path) || size < 18)
        return false;
    const uint8_t type = data[2];
    const bool knownType = (type >= 1 && type <= 3) || (type >= 9 && type <= 11);
    if (knownType)
        header = sized(TNImageFormat::TGA, le16(data + 12), le16(data + 14));
    return true;
}

}  // namespace

TNImageHeader TNReadImageHeader(const uint8_t* data, size_t size, const char* path)
{
    TNImageHeader header;
    if (!data)
        return header;
    readPNG(data, size, header) || readJPEG(data, size, header) || readBMP(data, size, header) ||
        readGIF(data, size, header) || readTGA(data, size, path, header);
    return header;
}

const char* TNImageFormatTypeName(TNImageFormat format)
{
    switch (format) {
    case TNImageFormat::PNG: return "PNG";
    case TNImageFormat::JPEG: return "JPG";
    case TNImageFormat::BMP: return "BMP";
    case TNImageFormat::GIF: return "GIF";
    case TNImageFormat::TGA: return "TGA";
    default: return nullptr;
    }
}
