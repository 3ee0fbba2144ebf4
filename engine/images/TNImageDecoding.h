// Decoding of image files (PNG, JPEG, BMP, GIF, TGA, TIFF, WebP) with
// SDL2_image. The file's header is read first, and an image too large to
// hold is refused before its pixels are allocated.
#ifndef TN_IMAGE_DECODING_H
#define TN_IMAGE_DECODING_H

#include <cstdint>
#include <string>

struct SDL_Surface;

// Files larger than this are not read; images with more pixels than
// TNMaxImagePixels, or a side longer than the texture limit, are refused.
const uint64_t TNMaxImageFileBytes = 128u * 1024u * 1024u;
const uint64_t TNMaxImagePixels = 4096u * 4096u;

// The size a picture is drawn at: its pixels at the density its file
// states (see TNImageHeader), in points and in the whole texels that hold it.
struct TNLogicalImageSize {
    double width = 0;
    double height = 0;
    int texelWidth = 0;
    int texelHeight = 0;
};

// The decoded image (the caller frees it with SDL_FreeSurface), or null with
// reason saying why: unreadable, not an image of a known format, too large
// for maxSide or TNMaxImagePixels (in pixels or in logical texels), or
// damaged. When logicalSize is given it receives the decoded image's
// logical size.
SDL_Surface* TNDecodeImageFile(const char* path, int maxSide, std::string& reason,
                               TNLogicalImageSize* logicalSize = nullptr);

#endif
