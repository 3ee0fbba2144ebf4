#include "Picture.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstdint>

namespace tern_test {

Picture::Picture(const std::string& path)
{
    SDL_Surface* loaded = IMG_Load(path.c_str());
    if (!loaded)
        return;
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ABGR8888, 0);
    SDL_FreeSurface(loaded);
    if (!rgba)
        return;
    width = rgba->w;
    height = rgba->h;
    pixels.reserve(static_cast<size_t>(width * height));
    for (int y = 0; y < height; ++y) {
        const auto* row = static_cast<const uint8_t*>(rgba->pixels) + y * rgba->pitch;
        for (int x = 0; x < width; ++x)
            pixels.push_back(Rgb{row[x * 4], row[x * 4 + 1], row[x * 4 + 2]});
    }
    SDL_FreeSurface(rgba);
}

std::array<int, 5> pixelAt(const std::string& path, int x, int y)
{
    const Picture picture(path);
    if (x < 0 || y < 0 || x >= picture.width || y >= picture.height)
        return {-1, -1, -1, -1, -1};
    const Rgb p = picture.at(x, y);
    return {p.r, p.g, p.b, picture.width, picture.height};
}

}  // namespace tern_test
