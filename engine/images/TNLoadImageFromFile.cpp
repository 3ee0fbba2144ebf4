#include "images/TNLoadImageFromFile.h"

#include <SDL.h>

#include <exception>
#include <memory>
#include <string>

#include "images/TNImageBitmap.h"
#include "images/TNImageDecoding.h"
#include "images/TNImageGLTexture.h"
#include "images/TNMissingImage.h"
#include "log/TNLog.h"

namespace {

// Uploads the surface and fills the handle; SGImageNull when the surface
// cannot be captured. The surface is freed either way.
SGImage imageFromSurface(SDL_Surface* decoded)
{
    std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)> surface(decoded, SDL_FreeSurface);
    const TNImageBitmap bitmap = TNCaptureImageBitmap(surface.get());
    surface.reset();
    if (bitmap.isEmpty())
        return SGImageNull;
    SGImage image = SGImageNull;
    image.texture = TNUploadAsGLTexture(bitmap);
    image.width = bitmap.width;
    image.height = bitmap.height;
    image.floatWidth = static_cast<float>(bitmap.width);
    image.floatHeight = static_cast<float>(bitmap.height);
    image.premultipliedAlpha = 1;
    return image;
}

SGImage missingImage()
{
    SDL_Surface* surface = TNCreateMissingImageSurface();
    return surface ? imageFromSurface(surface) : SGImageNull;
}

SGImage loadImage(const char* path)
{
    if (!SDL_GL_GetCurrentContext()) {
        TNLog("TNLoadImageFromFile: no current OpenGL context to upload %s", path);
        return SGImageNull;
    }
    std::string reason;
    SDL_Surface* surface = TNDecodeImageFile(path, TNMaxRectangleTextureSide(), reason);
    if (surface)
        return imageFromSurface(surface);
    TNLog("TNLoadImageFromFile could not create NSImage from file %s (%s)", path, reason.c_str());
    return missingImage();
}

}  // namespace

SGImage TNLoadImageFromFile(const char* path)
{
    if (!path || !*path)
        return SGImageNull;
    try {
        return loadImage(path);
    } catch (const std::exception& e) {  // out of memory while holding the pixels
        TNLog("TNLoadImageFromFile: %s: %s", path, e.what());
        return SGImageNull;
    }
}

SGImage TNLoadMissingImage()
{
    if (!SDL_GL_GetCurrentContext())
        return SGImageNull;
    try {
        return missingImage();
    } catch (const std::exception&) {
        return SGImageNull;
    }
}
