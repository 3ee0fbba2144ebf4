#include "images/TNGIFDecoder.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

struct GifCloser {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifFile = std::unique_ptr<GifFileType, GifCloser>;

struct SurfaceFreer {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using Surface = std::unique_ptr<SDL_Surface, SurfaceFreer>;

std::string failure(const GifFileType* gif)
{
    const char* text = GifErrorString(gif ? gif->Error : D_GIF_ERR_READ_FAILED);
    return std::string("cannot be decoded (") + (text ? text : "damaged GIF") + ")";
}

// Reads an extension; a graphic control block sets the transparent index.
bool readExtension(GifFileType* gif, int& transparent)
{
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        return false;
    if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
        GraphicsControlBlock control;
        if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
            transparent = control.TransparentColor;
    }
    while (block)
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            return false;
    return true;
}

// Passes over the compressed data of a picture that is not decoded.
bool skipImageData(GifFileType* gif)
{
    int codeSize = 0;
    GifByteType* block = nullptr;
    if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR)
        return false;
    while (block)
        if (DGifGetCodeNext(gif, &block) == GIF_ERROR)
            return false;
    return true;
}

void setPalette(SDL_Surface* surface, const ColorMapObject* map)
{
    SDL_Color colors[256];
    for (int i = 0; i < 256; ++i) {
        // Without a colour table, or past its end, indices are greys.
        const bool inTable = map && i < map->ColorCount;
        const Uint8 grey = static_cast<Uint8>(i);
        colors[i].r = inTable ? map->Colors[i].Red : grey;
        colors[i].g = inTable ? map->Colors[i].Green : grey;
        colors[i].b = inTable ? map->Colors[i].Blue : grey;
        colors[i].a = 255;
    }
    SDL_SetPaletteColors(surface->format->palette, colors, 0, 256);
}

// Reads the rows of the current picture, in interlaced order when stored so.
bool readRows(GifFileType* gif, SDL_Surface* surface)
{
    const int width = gif->Image.Width;
    const int height = gif->Image.Height;
    auto row = [&](int y) { return static_cast<GifPixelType*>(surface->pixels) + y * surface->pitch; };
    if (!gif->Image.Interlace) {
        for (int y = 0; y < height; ++y)
            if (DGifGetLine(gif, row(y), width) == GIF_ERROR)
                return false;
        return true;
    }
    static const int kFirst[] = {0, 4, 2, 1};
    static const int kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = kFirst[pass]; y < height; y += kStep[pass])
            if (DGifGetLine(gif, row(y), width) == GIF_ERROR)
                return false;
    return true;
}

}  // namespace

TNGIFDecoder::TNGIFDecoder(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}

int TNGIFDecoder::read(GifFileType* gif, uint8_t* out, int length)
{
    auto* self = static_cast<TNGIFDecoder*>(gif->UserData);
    const size_t count = std::min(static_cast<size_t>(std::max(length, 0)), self->size_ - self->position_);
    std::memcpy(out, self->bytes_ + self->position_, count);
    self->position_ += count;
    return static_cast<int>(count);
}

SDL_Surface* TNGIFDecoder::decode(std::string& reason)
{
    position_ = 0;
    int error = 0;
    GifFile gif(DGifOpen(this, &TNGIFDecoder::read, &error));
    if (!gif) {
        const char* text = GifErrorString(error);
        reason = std::string("cannot be decoded (") + (text ? text : "not a GIF") + ")";
        return nullptr;
    }
    int transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) {
            reason = failure(gif.get());
            return nullptr;
        }
        if (type == TERMINATE_RECORD_TYPE) {
            reason = "cannot be decoded (the GIF holds no picture)";
            return nullptr;
        }
        if (type == EXTENSION_RECORD_TYPE) {
            if (!readExtension(gif.get(), transparent)) {
                reason = failure(gif.get());
                return nullptr;
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE)
            continue;
        if (DGifGetImageDesc(gif.get()) == GIF_ERROR) {
            reason = failure(gif.get());
            return nullptr;
        }
        if (gif->Image.Width <= 0 || gif->Image.Height <= 0) {
            if (!skipImageData(gif.get())) {
                reason = failure(gif.get());
                return nullptr;
            }
            transparent = NO_TRANSPARENT_COLOR;
            continue;
        }
        Surface surface(SDL_CreateRGBSurfaceWithFormat(0, gif->Image.Width, gif->Image.Height, 8,
                                                       SDL_PIXELFORMAT_INDEX8));
        if (!surface) {
            reason = std::string("cannot be decoded (") + SDL_GetError() + ")";
            return nullptr;
        }
        setPalette(surface.get(), gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap);
        if (transparent != NO_TRANSPARENT_COLOR)
            SDL_SetColorKey(surface.get(), SDL_TRUE, static_cast<Uint32>(transparent));
        if (!readRows(gif.get(), surface.get())) {
            reason = failure(gif.get());
            return nullptr;
        }
        return surface.release();
    }
}
