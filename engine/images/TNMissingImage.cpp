#include "images/TNMissingImage.h"

#include <SDL.h>

#include <cstdint>
#include <cstdlib>

namespace {

struct Colour {
    uint8_t r, g, b;
};

const Colour kCard = {224, 224, 224};
const Colour kFrame = {64, 64, 64};
const Colour kCross = {204, 32, 32};
const int kFrameWidth = 2;
const int kCrossHalfWidth = 1;  // the cross is three pixels wide

Colour colourAt(int x, int y)
{
    const int last = TNMissingImageSide - 1;
    if (x < kFrameWidth || y < kFrameWidth || x > last - kFrameWidth || y > last - kFrameWidth)
        return kFrame;
    if (std::abs(x - y) <= kCrossHalfWidth || std::abs(x + y - last) <= kCrossHalfWidth)
        return kCross;
    return kCard;
}

}  // namespace

SDL_Surface* TNCreateMissingImageSurface()
{
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormat(0, TNMissingImageSide, TNMissingImageSide, 32, SDL_PIXELFORMAT_RGBA32);
    if (!surface)
        return nullptr;
    for (int y = 0; y < TNMissingImageSide; ++y) {
        auto* row = static_cast<uint8_t*>(surface->pixels) + static_cast<size_t>(y) * surface->pitch;
        for (int x = 0; x < TNMissingImageSide; ++x) {
            const Colour c = colourAt(x, y);
            row[4 * x + 0] = c.r;
            row[4 * x + 1] = c.g;
            row[4 * x + 2] = c.b;
            row[4 * x + 3] = 255;
        }
    }
    return surface;
}
