#include "AssetTestSupport.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

using tern_test::Pixel;

namespace tern_asset_test {

namespace {

SDL_Surface* surfaceOf(int width, int height, const PixelFunction& pixel, bool withAlpha)
{
    const Uint32 format = withAlpha ? SDL_PIXELFORMAT_RGBA32 : SDL_PIXELFORMAT_RGB24;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, width, height, withAlpha ? 32 : 24, format);
    if (!surface)
        return nullptr;
    const int bytes = withAlpha ? 4 : 3;
    for (int y = 0; y < height; ++y) {
        auto* row = static_cast<uint8_t*>(surface->pixels) + static_cast<size_t>(y) * surface->pitch;
        for (int x = 0; x < width; ++x) {
            const Pixel p = pixel(x, y);
            uint8_t* out = row + static_cast<size_t>(x) * bytes;
            out[0] = p.r;
            out[1] = p.g;
            out[2] = p.b;
            if (withAlpha)
                out[3] = p.a;
        }
    }
    return surface;
}

}  // namespace

bool writePNG(const std::string& path, int width, int height, const PixelFunction& pixel, bool withAlpha)
{
    SDL_Surface* surface = surfaceOf(width, height, pixel, withAlpha);
    const bool ok = surface && IMG_SavePNG(surface, path.c_str()) == 0;
    SDL_FreeSurface(surface);
    return ok;
}

bool writeBMP(const std::string& path, int width, int height, const PixelFunction& pixel)
{
    SDL_Surface* surface = surfaceOf(width, height, pixel, false);
    const bool ok = surface && SDL_SaveBMP(surface, path.c_str()) == 0;
    SDL_FreeSurface(surface);
    return ok;
}

bool writeJPEG(const std::string& path, int width, int height, const PixelFunction& pixel)
{
    SDL_Surface* surface = surfaceOf(width, height, pixel, false);
    const bool ok = surface && IMG_SaveJPG(surface, path.c_str(), 95) == 0;
    SDL_FreeSurface(surface);
    return ok;
}

bool writeWithFFmpeg(const std::string& path, int width, int height, const PixelFunction& pixel,
                     const std::string& options)
{
    const std::string png = path + ".source.png";
    if (!writePNG(png, width, height, pixel))
        return false;
    const std::string command =
        "ffmpeg -nostdin -loglevel error -y -i '" + png + "' -frames:v 1 " + options + " '" + path + "'";
    const bool ok = std::system(command.c_str()) == 0;
    std::remove(png.c_str());
    return ok;
}

std::vector<Pixel> textureTexels(uint32_t texture, int width, int height)
{
    std::vector<Pixel> texels(static_cast<size_t>(width) * height);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace tern_asset_test
