// libFuzzer target for images: the header reader on the bytes themselves,
// then the whole decoding path on them as a file. The first byte chooses
// the file's suffix (TGA is known by its suffix only). A decoded image must
// have the size its header gave and stay within the limits.
#include <SDL2/SDL.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "images/TNImageDecoding.h"
#include "images/TNImageHeader.h"
#include "log/TNLog.h"

namespace {

// The player's limit on a side is the context's largest texture, which no
// OpenGL 2 context puts below 1024. Fuzzing with that lowest limit keeps every
// branch of the size check and the decoders reachable, while an input that
// claims a huge picture costs a 4 MB surface at most instead of 64 MB.
const int kMaxSide = 1024;

[[noreturn]] void fault(const char* what, int width, int height)
{
    TNLog("image_fuzzer: %s (%d x %d)", what, width, height);
    abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const char* name = (data[0] & 1) ? "fuzz.tga" : "fuzz.img";
    const TNImageHeader header = TNReadImageHeader(data + 1, size - 1, name);
    if (header.format == TNImageFormat::Unknown && (header.width || header.height))
        fault("an unknown format with a size", header.width, header.height);

    const std::string path = tern_fuzz::writeScratchFile(name, data + 1, size - 1);
    std::string reason;
    SDL_Surface* surface;
    {
        tern_fuzz::Silenced quiet;
        surface = TNDecodeImageFile(path.c_str(), kMaxSide, reason);
    }
    if (!surface)
        return 0;
    if (surface->w > kMaxSide || surface->h > kMaxSide
        || uint64_t(surface->w) * uint64_t(surface->h) > TNMaxImagePixels)
        fault("an image over the limits decoded", surface->w, surface->h);
    SDL_FreeSurface(surface);
    return 0;
}
