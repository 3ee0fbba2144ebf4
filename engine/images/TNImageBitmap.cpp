#include "images/TNImageBitmap.h"

#include <SDL.h>

#include <cstring>
#include <memory>

namespace {

bool paletteHasAlpha(const SDL_Palette* palette)
{
    if (!palette)
        return false;
    for (int i = 0; i < palette->ncolors; ++i) {
        if (palette->colors[i].a != 255)
            return true;
    }
    return false;
}

bool surfaceHasAlpha(SDL_Surface* surface)
{
    return surface->format->Amask != 0 || SDL_HasColorKey(surface) || paletteHasAlpha(surface->format->palette);
}

uint8_t premultiply(uint8_t colour, uint8_t alpha)
{
    return static_cast<uint8_t>((colour * alpha + 127) / 255);
}

// Copies the rows of an RGBA32 or RGB24 surface bottom row first.
void copyRowsFlipped(const SDL_Surface* source, TNImageBitmap& bitmap, int bytesPerPixel)
{
    const auto* from = static_cast<const uint8_t*>(source->pixels);
    const size_t rowBytes = static_cast<size_t>(bitmap.width) * bytesPerPixel;
    for (int row = 0; row < bitmap.height; ++row) {
        const uint8_t* in = from + static_cast<size_t>(bitmap.height - 1 - row) * source->pitch;
        uint8_t* out = bitmap.pixels.data() + static_cast<size_t>(row) * bitmap.bytesPerRow;
        std::memcpy(out, in, rowBytes);
    }
}

void premultiplyRows(TNImageBitmap& bitmap)
{
    for (int row = 0; row < bitmap.height; ++row) {
        uint8_t* p = bitmap.pixels.data() + static_cast<size_t>(row) * bitmap.bytesPerRow;
        for (int x = 0; x < bitmap.width; ++x, p += 4) {
            p[0] = premultiply(p[0], p[3]);
            p[1] = premultiply(p[1], p[3]);
            p[2] = premultiply(p[2], p[3]);
        }
    }
}

}  // namespace

int TNImageBitmapRowBytes(int width, int bytesPerPixel)
{
    const int step = bytesPerPixel == 3 ? 48 : 16;
    const int tight = width * bytesPerPixel;
    return (tight + step - 1) / step * step;
}

TNImageBitmap TNCaptureImageBitmap(SDL_Surface* surface)
{
    TNImageBitmap bitmap;
    if (!surface || surface->w <= 0 || surface->h <= 0)
        return bitmap;
    const bool alpha = surfaceHasAlpha(surface);
    const int bytesPerPixel = alpha ? 4 : 3;
    std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)> converted(
        SDL_ConvertSurfaceFormat(surface, alpha ? SDL_PIXELFORMAT_RGBA32 : SDL_PIXELFORMAT_RGB24, 0), SDL_FreeSurface);
    if (!converted)
        return bitmap;
    bitmap.width = converted->w;
    bitmap.height = converted->h;
    bitmap.hasAlpha = alpha;
    bitmap.bitsPerPixel = bytesPerPixel * 8;
    bitmap.bytesPerRow = TNImageBitmapRowBytes(bitmap.width, bytesPerPixel);
    bitmap.pixels.assign(static_cast<size_t>(bitmap.bytesPerRow) * bitmap.height, 0);
    copyRowsFlipped(converted.get(), bitmap, bytesPerPixel);
    if (alpha)
        premultiplyRows(bitmap);
    return bitmap;
}
