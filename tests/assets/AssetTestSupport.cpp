#include "AssetTestSupport.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
            const Pixel p = pixel(x, y);  // r, g, b, a: the first three for RGB
            std::memcpy(row + static_cast<size_t>(x) * bytes, &p, bytes);
        }
    }
    return surface;
}

}  // namespace

bool writePicture(const std::string& path, int width, int height, const PixelFunction& pixel, bool withAlpha)
{
    const std::string suffix = path.substr(path.size() - 4);
    const bool bmp = suffix == ".bmp";
    const bool jpeg = suffix == ".jpg";
    SDL_Surface* surface = surfaceOf(width, height, pixel, withAlpha && !bmp && !jpeg);
    const bool ok = surface && (bmp    ? SDL_SaveBMP(surface, path.c_str())
                                : jpeg ? IMG_SaveJPG(surface, path.c_str(), 95)
                                       : IMG_SavePNG(surface, path.c_str())) == 0;
    SDL_FreeSurface(surface);
    return ok;
}

bool writeWithFFmpeg(const std::string& path, int width, int height, const PixelFunction& pixel,
                     const std::string& options)
{
    const std::string png = path + ".source.png";
    if (!writePicture(png, width, height, pixel))
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

bool near(const Pixel& a, const Pixel& b, int tolerance)
{
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b), std::abs(a.a - b.a)}) <= tolerance;
}

const char* const kSpriteSceneScript = R"(
    scene = scenegraph.scene.new(nil, sharedAssetManager)
    local space = scene:createSpace(scenegraph.ortho2DSpace)
    space.width:setValue(64, true) space.height:setValue(64, true)
    space.near:setValue(-1, true) space.far:setValue(1, true)
    loader, sprite = space:createNode(scenegraph.imageLoaderNode), space:createNode(scenegraph.spriteNode)
    sprite.image:setValue(loader.asset)
    sprite.x:setValue(32, true) sprite.y:setValue(32, true)
    sprite.width:setValue(16, true) sprite.height:setValue(16, true)
)";

void prepareView()
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_RECTANGLE_ARB);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

}  // namespace tern_asset_test
