#pragma once

#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <string>

// Decodes the first picture of a GIF held in memory with giflib, as an
// 8-bit surface with the picture's colour table and, when its graphic
// control block names one, the transparent index as colour key. A picture
// of no width or height is passed over for the next one. Damaged files give
// nullptr and the reason ("cannot be decoded (...)").
class TNGIFDecoder {
public:
    TNGIFDecoder(const uint8_t* bytes, size_t size);
    SDL_Surface* decode(std::string& reason);

private:
    static int read(struct GifFileType* gif, uint8_t* out, int length);

    const uint8_t* bytes_;
    size_t size_;
    size_t position_ = 0;
};
