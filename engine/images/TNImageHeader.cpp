#include "images/TNImageHeader.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "images/TNTiffFields.h"

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

// A stated density as the header keeps it: whole dots per inch, or the
// default for none.
double wholeDPI(double dpi)
{
    const double rounded = std::round(dpi);
    return rounded >= 1 && std::isfinite(rounded) ? rounded : TNDefaultImageDPI;
}

// The pHYs chunk among the chunks before the image data: pixels per metre
// on each axis, then the unit (1 metre; 0 an aspect ratio only).
void readPNGDensity(const uint8_t* data, size_t size, TNImageHeader& header)
{
    size_t pos = 8;
    while (size - pos >= 12) {
        const uint32_t length = be32(data + pos);
        const uint8_t* type = data + pos + 4;
        if (std::memcmp(type, "IDAT", 4) == 0 || std::memcmp(type, "IEND", 4) == 0 || length > size - pos - 12)
            return;
        if (std::memcmp(type, "pHYs", 4) == 0 && length == 9) {
            const uint8_t* fields = data + pos + 8;
            if (fields[8] == 1) {
                header.dpiX = wholeDPI(be32(fields) * 0.0254);
                header.dpiY = wholeDPI(be32(fields + 4) * 0.0254);
            }
            return;
        }
        pos += 12 + static_cast<size_t>(length);
    }
}

// Signature, then the IHDR chunk with big-endian width and height.
bool readPNG(const uint8_t* data, size_t size, TNImageHeader& header)
{
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (size < 8 || std::memcmp(data, kSignature, 8) != 0)
        return false;
    if (size >= 24 && std::memcmp(data + 12, "IHDR", 4) == 0) {
        header = sized(TNImageFormat::PNG, be32(data + 16), be32(data + 20));
        readPNGDensity(data, size, header);
    }
    return true;
}

bool isStartOfFrame(uint8_t marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Densities a JPEG's application segments state, 0 for none.
struct JPEGDensity {
    double jfifX = 0, jfifY = 0;
    double exifX = 0, exifY = 0;
};

// APP0 "JFIF": version, units (0 aspect ratio only, 1 dots per inch, 2 dots
// per centimetre), horizontal and vertical density. segment starts after
// the length field and holds length bytes.
void readJFIFDensity(const uint8_t* segment, size_t length, JPEGDensity& density)
{
    if (length < 12 || std::memcmp(segment, "JFIF\0", 5) != 0)
        return;
    const uint8_t units = segment[7];
    const double scale = units == 1 ? 1.0 : units == 2 ? 2.54 : 0.0;
    density.jfifX = be16(segment + 8) * scale;
    density.jfifY = be16(segment + 10) * scale;
}

// APP1 "Exif": a TIFF structure whose first directory may give the
// resolution.
void readExifDensity(const uint8_t* segment, size_t length, JPEGDensity& density)
{
    if (length < 6 || std::memcmp(segment, "Exif\0\0", 6) != 0)
        return;
    TNTiffFields fields;
    if (TNReadTiffFields(segment + 6, length - 6, fields)) {
        density.exifX = fields.dpiX;
        density.exifY = fields.dpiY;
    }
}

// The JFIF density when it gives one in a unit of length, else the Exif
// resolution, per axis.
void applyJPEGDensity(const JPEGDensity& density, TNImageHeader& header)
{
    const bool jfif = density.jfifX > 0 && density.jfifY > 0;
    header.dpiX = wholeDPI(jfif ? density.jfifX : density.exifX);
    header.dpiY = wholeDPI(jfif ? density.jfifY : density.exifY);
}

// Walks the marker segments up to the first start-of-frame segment.
bool readJPEG(const uint8_t* data, size_t size, TNImageHeader& header)
{
    if (size < 3 || data[0] != 0xFF || data[1] != 0xD8 || data[2] != 0xFF)
        return false;
    JPEGDensity density;
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
            if (pos + 7 <= size) {
                header = sized(TNImageFormat::JPEG, be16(data + pos + 5), be16(data + pos + 3));
                applyJPEGDensity(density, header);
            }
            break;
        }
        const size_t held = std::min(length - 2, size - pos - 2);
        if (marker == 0xE0)
            readJFIFDensity(data + pos + 2, held, density);
        else if (marker == 0xE1)
            readExifDensity(data + pos + 2, held, density);
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
        if (data[pos] == 0x3B)  // trailer: no frame follows
            break;
        if (data[pos] != 0x21) {  // damage, which the decoder passes over too
            ++pos;
            continue;
        }
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

// Either byte order's signature, then the first image directory.
bool readTIFF(const uint8_t* data, size_t size, TNImageHeader& header)
{
    TNTiffFields fields;
    if (!TNReadTiffFields(data, size, fields))
        return false;
    if (fields.width > 0 && fields.height > 0) {
        header = sized(TNImageFormat::TIFF, fields.width, fields.height);
        header.dpiX = wholeDPI(fields.dpiX);
        header.dpiY = wholeDPI(fields.dpiY);
    }
    return true;
}

// "RIFF", the file length, "WEBP", then the first chunk: the extended
// format's canvas (VP8X), a lossless bitstream (VP8L) or a lossy one (VP8).
bool readWebP(const uint8_t* data, size_t size, TNImageHeader& header)
{
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WEBP", 4) != 0)
        return false;
    if (size < 30)
        return true;
    const uint8_t* chunk = data + 12;
    const uint8_t* payload = data + 20;
    if (std::memcmp(chunk, "VP8X", 4) == 0) {
        const uint32_t width = le16(payload + 4) + (static_cast<uint32_t>(payload[6]) << 16) + 1;
        const uint32_t height = le16(payload + 7) + (static_cast<uint32_t>(payload[9]) << 16) + 1;
        header = sized(TNImageFormat::WebP, width, height);
    } else if (std::memcmp(chunk, "VP8L", 4) == 0 && payload[0] == 0x2F) {
        const uint32_t bits = le32(payload + 1);
        header = sized(TNImageFormat::WebP, (bits & 0x3FFF) + 1, (bits >> 14 & 0x3FFF) + 1);
    } else if (std::memcmp(chunk, "VP8 ", 4) == 0 && payload[3] == 0x9D && payload[4] == 0x01 && payload[5] == 0x2A) {
        header = sized(TNImageFormat::WebP, le16(payload + 6) & 0x3FFF, le16(payload + 8) & 0x3FFF);
    }
    return true;
}

}  // namespace

TNImageHeader TNReadImageHeader(const uint8_t* data, size_t size, const char* path)
{
    TNImageHeader header;
    if (!data)
        return header;
    readPNG(data, size, header) || readJPEG(data, size, header) || readBMP(data, size, header) ||
        readGIF(data, size, header) || readTIFF(data, size, header) || readWebP(data, size, header) ||
        readTGA(data, size, path, header);
    return header;
}

double TNLogicalImageLength(uint32_t pixels, double dpi)
{
    return pixels * TNDefaultImageDPI / dpi;
}

int TNLogicalImageTexels(double logicalLength)
{
    if (!(logicalLength >= 1))  // also not a number
        return 1;
    return static_cast<int>(std::min(logicalLength, static_cast<double>(INT32_MAX)));
}

const char* TNImageFormatTypeName(TNImageFormat format)
{
    switch (format) {
    case TNImageFormat::PNG: return "PNG";
    case TNImageFormat::JPEG: return "JPG";
    case TNImageFormat::BMP: return "BMP";
    case TNImageFormat::GIF: return "GIF";
    case TNImageFormat::TGA: return "TGA";
    case TNImageFormat::TIFF: return "TIF";
    case TNImageFormat::WebP: return "WEBP";
    default: return nullptr;
    }
}
