#include "images/TNImageDecoding.h"

#include <SDL.h>
#include <SDL_image.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "files/TNRegularFile.h"
#include "images/TNGIFDecoder.h"
#include "images/TNImageHeader.h"

namespace {

// SDL allocates a decoded picture's pixels with SDL_malloc. The size checks
// below read the sizes a file declares, and a decoder that reads a size the
// checks did not see (SDL_image's GIF decoder, no longer used, went on past
// an empty frame to one of 48059 x 48059, 2.3 GB, from 205 bytes) must not
// take it: no single SDL allocation may be larger than twice what the
// largest accepted picture needs. Over that SDL reports running out of
// memory and decoding fails with its usual line. Installed before main,
// while the process has one thread; every block still comes from and goes
// back to the original functions.
const size_t kLargestSDLAllocation = 2 * TNMaxImagePixels * 4;

SDL_malloc_func originalMalloc;
SDL_calloc_func originalCalloc;
SDL_realloc_func originalRealloc;
SDL_free_func originalFree;

void* SDLCALL limitedMalloc(size_t size)
{
    return size > kLargestSDLAllocation ? nullptr : originalMalloc(size);
}

void* SDLCALL limitedCalloc(size_t count, size_t size)
{
    return size != 0 && count > kLargestSDLAllocation / size ? nullptr : originalCalloc(count, size);
}

void* SDLCALL limitedRealloc(void* block, size_t size)
{
    return size > kLargestSDLAllocation ? nullptr : originalRealloc(block, size);
}

void SDLCALL limitedFree(void* block)
{
    originalFree(block);
}

bool limitSDLAllocations()
{
    SDL_GetOriginalMemoryFunctions(&originalMalloc, &originalCalloc, &originalRealloc, &originalFree);
    return SDL_SetMemoryFunctions(limitedMalloc, limitedCalloc, limitedRealloc, limitedFree) == 0;
}

[[maybe_unused]] const bool sdlAllocationsLimited = limitSDLAllocations();

// The whole of a regular file, or false with reason set.
bool readWholeFile(const char* path, std::vector<uint8_t>& bytes, std::string& reason)
{
    FILE* file = TNOpenRegularFileStream(path, reason);
    if (!file)
        return false;
    struct stat info;
    bool ok = fstat(fileno(file), &info) == 0;
    if (!ok) {
        reason = "cannot be read";
    } else if (static_cast<uint64_t>(info.st_size) > TNMaxImageFileBytes) {
        reason = "is larger than " + std::to_string(TNMaxImageFileBytes / (1024 * 1024)) + " MiB";
        ok = false;
    } else {
        bytes.resize(static_cast<size_t>(info.st_size));
        ok = bytes.empty() || std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
        if (!ok)
            reason = "cannot be read";
    }
    std::fclose(file);
    return ok;
}

std::string sizeText(uint64_t width, uint64_t height)
{
    return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

// False, with reason set, for a size that is empty or too large to hold.
bool acceptableSize(uint64_t width, uint64_t height, int maxSide, std::string& reason)
{
    if (width == 0 || height == 0) {
        reason = "has no pixels";
        return false;
    }
    const auto side = static_cast<uint64_t>(maxSide);
    if (width > side || height > side || width * height > TNMaxImagePixels) {
        reason = "is too large (" + sizeText(width, height) + "; at most " + std::to_string(maxSide) +
                 " on a side and " + std::to_string(TNMaxImagePixels) + " pixels)";
        return false;
    }
    return true;
}

// False, with reason set, for a logical size whose texture would be too
// large (a picture of very low density).
bool acceptableLogicalSize(const TNLogicalImageSize& logical, int maxSide, std::string& reason)
{
    const auto width = static_cast<uint64_t>(logical.texelWidth);
    const auto height = static_cast<uint64_t>(logical.texelHeight);
    if (width > static_cast<uint64_t>(maxSide) || height > static_cast<uint64_t>(maxSide) ||
        width * height > TNMaxImagePixels) {
        reason = "is too large at its density (" + sizeText(width, height) + " drawn; at most " +
                 std::to_string(maxSide) + " on a side and " + std::to_string(TNMaxImagePixels) + " pixels)";
        return false;
    }
    return true;
}

uint32_t bigEndian32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

// True when every chunk after the signature fits in the file, has the
// right checksum, and the image-end chunk comes. libpng would print its own
// line for a truncated or damaged file; checking first keeps the report to
// the one line of the caller.
bool pngChunksIntact(const std::vector<uint8_t>& bytes)
{
    size_t pos = 8;
    while (bytes.size() - pos >= 12) {
        const uint32_t length = bigEndian32(&bytes[pos]);
        if (length > bytes.size() - pos - 12)
            return false;
        const uint8_t* typeAndData = &bytes[pos + 4];
        const uLong crc = crc32(crc32(0L, Z_NULL, 0), typeAndData, static_cast<uInt>(length + 4));
        if (crc != bigEndian32(typeAndData + 4 + length))
            return false;
        if (std::equal(typeAndData, typeAndData + 4, "IEND"))
            return true;
        pos += 12 + static_cast<size_t>(length);
    }
    return false;
}

TNLogicalImageSize logicalSizeOf(const SDL_Surface* surface, const TNImageHeader& header)
{
    TNLogicalImageSize size;
    size.width = TNLogicalImageLength(static_cast<uint32_t>(surface->w), header.dpiX);
    size.height = TNLogicalImageLength(static_cast<uint32_t>(surface->h), header.dpiY);
    size.texelWidth = TNLogicalImageTexels(size.width);
    size.texelHeight = TNLogicalImageTexels(size.height);
    return size;
}

// Moves pos past a run of GIF data sub-blocks (each a length byte and that
// many bytes, ending with a length of 0); false when the file ends first.
bool skipGIFSubBlocks(const std::vector<uint8_t>& bytes, size_t& pos)
{
    while (pos < bytes.size()) {
        const size_t length = bytes[pos++];
        if (length == 0)
            return true;
        pos += length;
    }
    return false;
}

// The size check for every frame a GIF declares, not only the first: the
// decoder goes on past an empty frame to the next. The blocks are walked as
// the decoder walks them (extensions and image data as sub-blocks, a colour
// table where the flags say, no data after an empty frame, other bytes
// passed over); a file that ends early passes, the decoder reports it.
bool gifFramesAcceptable(const std::vector<uint8_t>& bytes, int maxSide, std::string& reason)
{
    const size_t kScreenEnd = 13;
    if (bytes.size() < kScreenEnd)
        return true;
    const auto colourTable = [](uint8_t flags) { return (flags & 0x80) ? size_t(3) << ((flags & 7) + 1) : 0; };
    size_t pos = kScreenEnd + colourTable(bytes[10]);
    while (pos < bytes.size()) {
        const uint8_t block = bytes[pos++];
        if (block == 0x3B)
            return true;
        if (block == 0x21) {
            ++pos;  // the extension's label
            if (!skipGIFSubBlocks(bytes, pos))
                return true;
            continue;
        }
        if (block != 0x2C)
            continue;
        if (bytes.size() - pos < 9)
            return true;
        const uint64_t width = bytes[pos + 4] | bytes[pos + 5] << 8;
        const uint64_t height = bytes[pos + 6] | bytes[pos + 7] << 8;
        pos += 9 + colourTable(bytes[pos + 8]);
        if (width == 0 || height == 0)
            continue;  // the decoder reads no image data for an empty frame
        if (!acceptableSize(width, height, maxSide, reason))
            return false;
        ++pos;  // the code size byte
        if (!skipGIFSubBlocks(bytes, pos))
            return true;
    }
    return true;
}

// Decodes with the loader of the format the header reader found. SDL_image's
// own detection tries SVG before TIFF and WebP and takes any file with
// "<svg" in its first bytes for one, so a damaged WebP would reach the SVG
// parser, which the player does not read.
SDL_Surface* decodeAs(TNImageFormat format, SDL_RWops* stream)
{
    switch (format) {
    case TNImageFormat::PNG: return IMG_LoadPNG_RW(stream);
    case TNImageFormat::JPEG: return IMG_LoadJPG_RW(stream);
    case TNImageFormat::BMP: return IMG_LoadBMP_RW(stream);
    case TNImageFormat::TGA: return IMG_LoadTGA_RW(stream);
    case TNImageFormat::TIFF: return IMG_LoadTIF_RW(stream);
    case TNImageFormat::WebP: return IMG_LoadWEBP_RW(stream);
    default: return nullptr;
    }
}

SDL_Surface* decodeWithSDLImage(TNImageFormat format, const std::vector<uint8_t>& bytes, std::string& reason)
{
    SDL_RWops* stream = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    SDL_Surface* surface = stream ? decodeAs(format, stream) : nullptr;
    if (stream)
        SDL_RWclose(stream);
    if (!surface)
        reason = std::string("cannot be decoded (") + IMG_GetError() + ")";
    return surface;
}

}  // namespace

SDL_Surface* TNDecodeImageFile(const char* path, int maxSide, std::string& reason, TNLogicalImageSize* logicalSize)
{
    std::vector<uint8_t> bytes;
    if (!readWholeFile(path, bytes, reason))
        return nullptr;
    const TNImageHeader header = TNReadImageHeader(bytes.data(), bytes.size(), path);
    const char* type = TNImageFormatTypeName(header.format);
    if (!type) {
        reason = "is not a PNG, JPEG, BMP, GIF, TGA, TIFF or WebP image";
        return nullptr;
    }
    if (!acceptableSize(header.width, header.height, maxSide, reason))
        return nullptr;
    if (header.format == TNImageFormat::GIF && !gifFramesAcceptable(bytes, maxSide, reason))
        return nullptr;
    if (header.format == TNImageFormat::PNG && !pngChunksIntact(bytes)) {
        reason = "is damaged (a PNG chunk is cut short or fails its checksum)";
        return nullptr;
    }
    SDL_Surface* surface = header.format == TNImageFormat::GIF
        ? TNGIFDecoder(bytes.data(), bytes.size()).decode(reason)
        : decodeWithSDLImage(header.format, bytes, reason);
    if (!surface)
        return nullptr;
    // The decoder's size is what counts; it must also pass the limits, and
    // so must the texture of its logical size.
    const TNLogicalImageSize logical = logicalSizeOf(surface, header);
    if (!acceptableSize(static_cast<uint64_t>(surface->w), static_cast<uint64_t>(surface->h), maxSide, reason) ||
        !acceptableLogicalSize(logical, maxSide, reason)) {
        SDL_FreeSurface(surface);
        return nullptr;
    }
    if (logicalSize)
        *logicalSize = logical;
    return surface;
}
