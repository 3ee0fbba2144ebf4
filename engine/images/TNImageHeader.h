// Reads the format, pixel size and density of an image file from its first
// bytes, before anything is decoded, so that an image too large to hold is
// refused without allocating its pixels, and a picture is measured as a Mac
// measures it.
#ifndef TN_IMAGE_HEADER_H
#define TN_IMAGE_HEADER_H

#include <cstddef>
#include <cstdint>

enum class TNImageFormat { Unknown, PNG, JPEG, BMP, GIF, TGA, TIFF, WebP };

// The density of a picture that states none.
const double TNDefaultImageDPI = 72.0;

struct TNImageHeader {
    TNImageFormat format = TNImageFormat::Unknown;
    uint32_t width = 0;   // pixels
    uint32_t height = 0;
    // The density the file states per axis, rounded to whole dots per inch:
    // a PNG's pHYs chunk in pixels per metre; a JPEG's JFIF density in dots
    // per inch or per centimetre, else its Exif resolution; a TIFF's
    // resolution. TNDefaultImageDPI when the file states none, only an
    // aspect ratio (unit 0), or a density below 0.5 dpi. BMP, GIF, TGA and
    // WebP files are always at TNDefaultImageDPI.
    double dpiX = TNDefaultImageDPI;
    double dpiY = TNDefaultImageDPI;
};

// The format by signature (PNG, JPEG, BMP, GIF, TIFF, WebP) or, for TGA,
// which has none, by a ".tga" suffix of path (any case) and a plausible
// header. For GIF the size is the larger of the logical screen and the
// first frame. A format that is recognised but whose size cannot be read
// (a truncated header) yields Unknown.
TNImageHeader TNReadImageHeader(const uint8_t* data, size_t size, const char* path);

// The length in points a Mac gives pixels at dpi: pixels x 72 / dpi.
double TNLogicalImageLength(uint32_t pixels, double dpi);

// The whole texels that hold a logical length: truncated toward zero, as a
// texture's size is, but never below 1.
int TNLogicalImageTexels(double logicalLength);

// The SDL_image type name of a format ("PNG", "JPG", ...), null for Unknown.
const char* TNImageFormatTypeName(TNImageFormat format);

#endif
