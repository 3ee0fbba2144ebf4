// Reads the format and pixel size of an image file from its first bytes,
// before anything is decoded, so that an image too large to hold is refused
// without allocating its pixels.
#ifndef TN_IMAGE_HEADER_H
#define TN_IMAGE_HEADER_H

#include <cstddef>
#include <cstdint>

enum class TNImageFormat { Unknown, PNG, JPEG, BMP, GIF, TGA };

struct TNImageHeader {
    TNImageFormat format = TNImageFormat::Unknown;
    uint32_t width = 0;
    uint32_t height = 0;
};

// The format by signature (PNG, JPEG, BMP, GIF) or, for TGA, which has none,
// by a ".tga" suffix of path (any case) and a plausible header. For GIF the
// size is the larger of the logical screen and the first frame. A format
// that is recognised but whose size cannot be read (a truncated header)
// yields Unknown.
TNImageHeader TNReadImageHeader(const uint8_t* data, size_t size, const char* path);

// The SDL_image type name of a format ("PNG", "JPG", ...), null for Unknown.
const char* TNImageFormatTypeName(TNImageFormat format);

#endif
