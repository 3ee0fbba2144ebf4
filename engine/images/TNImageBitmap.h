// An image captured for upload as a texture: 8 bits per channel, the
// bottom row first (texture row 0 is drawn at the bottom of a sprite), and
// colour premultiplied by alpha when there is alpha.
#ifndef TN_IMAGE_BITMAP_H
#define TN_IMAGE_BITMAP_H

#include <cstdint>
#include <vector>

struct SDL_Surface;

struct TNImageBitmap {
    int width = 0;
    int height = 0;
    // Rows are padded to a multiple of 16 bytes that is also a multiple of
    // the pixel size, so bytesPerRow / (bitsPerPixel / 8) is a whole row
    // length in pixels.
    int bytesPerRow = 0;
    int bitsPerPixel = 0;    // 32 (RGBA) with alpha, 24 (RGB) without
    bool hasAlpha = false;
    std::vector<uint8_t> pixels;

    bool isEmpty() const { return width <= 0 || height <= 0; }
};

// The bytes of a row of width pixels: the smallest multiple of both 16 and
// the pixel size that holds it.
int TNImageBitmapRowBytes(int width, int bytesPerPixel);

// Captures a decoded surface of any SDL pixel format. A surface has alpha
// when its format has an alpha channel, a colour key, or a palette entry
// that is not opaque. Empty when the surface cannot be converted.
TNImageBitmap TNCaptureImageBitmap(SDL_Surface* surface);

#endif
