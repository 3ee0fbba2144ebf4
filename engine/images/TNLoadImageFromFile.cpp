#include "images/TNLoadImageFromFile.h"

#include <SDL.h>

#include <exception>
#include <memory>
#include <string>

#include "images/TNImageBitmap.h"
#include "images/TNImageDecoding.h"
#include "images/TNImageGLTexture.h"
#include "images/TNImageScaling.h"
#include "images/TNMissingImage.h"
#include "log/TNLog.h"

namespace {

// The surface captured into a bitmap of its logical size.
TNImageBitmap captureAtLogicalSize(SDL_Surface* surface, const TNLogicalImageSize& logical)
{
    TNImageBitmap bitmap = TNCaptureImageBitmap(surface);
    const bool pixelSized = bitmap.width == logical.texelWidth && bitmap.height == logical.texelHeight &&
                            logical.width == bitmap.width && logical.height == bitmap.height;
    if (bitmap.isEmpty() || pixelSized)
        return bitmap;
    return TNScaleImageBitmap(bitmap, logical.texelWidth, logical.texelHeight, logical.width, logical.height);
}

// Uploads the surface at its logical size and fills the handle; SGImageNull
// when the surface cannot be captured. The surface is freed either way.
SGImage imageFromSurface(SDL_Surface* decoded, const TNLogicalImageSize& logical)
{
    std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)> surface(decoded, SDL_FreeSurface);
    const TNImageBitmap bitmap = captureAtLogicalSize(surface.get(), logical);
    surface.reset();
    if (bitmap.isEmpty())
        return SGImageNull;
    SGImage image = SGImageNull;
    image.texture = TNUploadAsGLTexture(bitmap);
    image.width = bitmap.width;
    image.height = bitmap.height;
    image.floatWidth = static_cast<float>(logical.width);
    image.floatHeight = static_cast<float>(logical.height);
    image.premultipliedAlpha = 1;
    return image;
}

SGImage missingImage()
{
    SDL_Surface* surface = TNCreateMissingImageSurface();
    if (!surface)
        return SGImageNull;
    TNLogicalImageSize pixelSize;
    pixelSize.width = pixelSize.texelWidth = surface->w;
    pixelSize.height = pixelSize.texelHeight = surface->h;
    return imageFromSurface(surface, pixelSize);
}

SGImage loadImage(const char* path)
{
    if (!SDL_GL_GetCurrentContext()) {
        TNLog("TNLoadImageFromFile: no current OpenGL context to upload %s", path);
        return SGImageNull;
    }
    std::string reason;
    TNLogicalImageSize logical;
    SDL_Surface* surface = TNDecodeImageFile(path, TNMaxRectangleTextureSide(), reason, &logical);
    if (surface)
        return imageFromSurface(surface, logical);
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
