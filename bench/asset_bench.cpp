// Images per second through the asset cache: 200 PNG files of 256 x 256
// (made first, not timed) loaded by name with loadNewImages, each decoded,
// converted to premultiplied RGBA and uploaded as a rectangle texture, in
// an offscreen GL 2.1 context. The clock stops after glFinish. Three runs,
// the cache emptied between them; the median is reported.
//
//   asset_bench [COUNT]      default: 200
#include <GL/gl.h>
#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "assets/AssetManager.h"
#include "log/TNLog.h"
#include "lauxlib.h"
#include "lualib.h"

namespace {

constexpr int kSide = 256;
constexpr int kRuns = 3;

// A colourful gradient with a little noise, so the files compress like
// drawn artwork rather than like flat colour; partly transparent.
bool writeImage(const std::string& path, int seed)
{
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, kSide, kSide, 32, SDL_PIXELFORMAT_RGBA32);
    if (!surface)
        return false;
    uint32_t noise = 2463534242u + static_cast<uint32_t>(seed);
    for (int y = 0; y < kSide; ++y) {
        auto* row = static_cast<uint8_t*>(surface->pixels) + static_cast<size_t>(y) * surface->pitch;
        for (int x = 0; x < kSide; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            row[4 * x + 0] = static_cast<uint8_t>(x + seed);
            row[4 * x + 1] = static_cast<uint8_t>(y * 2 + (noise & 7));
            row[4 * x + 2] = static_cast<uint8_t>((x ^ y) + seed * 3);
            row[4 * x + 3] = static_cast<uint8_t>(x < 32 ? x * 8 : 255);
        }
    }
    const bool ok = IMG_SavePNG(surface, path.c_str()) == 0;
    SDL_FreeSurface(surface);
    return ok;
}

bool openContext(SDL_Window*& window, SDL_GLContext& context)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return false;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    window = SDL_CreateWindow("asset bench", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    context = window ? SDL_GL_CreateContext(window) : nullptr;
    return context && SDL_GL_MakeCurrent(window, context) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    char folderTemplate[] = "/tmp/tern-asset-bench-XXXXXX";
    const char* folder = mkdtemp(folderTemplate);
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    if (!folder || !openContext(window, context)) {
        TNLog("asset_bench: no folder or GL context: %s", SDL_GetError());
        return 1;
    }

    std::set<std::string> names;
    size_t fileBytes = 0;
    for (int i = 0; i < count; ++i) {
        const std::string name = "image" + std::to_string(i);
        const std::string path = std::string(folder) + "/" + name + ".png";
        if (!writeImage(path, i)) {
            TNLog("asset_bench: cannot write %s", path.c_str());
            return 1;
        }
        if (FILE* f = std::fopen(path.c_str(), "rb")) {
            std::fseek(f, 0, SEEK_END);
            fileBytes += static_cast<size_t>(std::ftell(f));
            std::fclose(f);
        }
        names.insert(name);
    }

    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    const std::string script = "folder = '" + std::string(folder) + "'\n"
                               "project = {}\n"
                               "function project:pathForImage(name) return folder .. '/' .. name .. '.png' end\n";
    luaL_dostring(L, script.c_str());

    std::vector<double> rates;
    {
        AssetManager manager(L);
        for (int run = 0; run < kRuns; ++run) {
            manager.unloadAllImages();
            glFinish();
            const auto start = std::chrono::steady_clock::now();
            manager.loadNewImages(names);
            glFinish();
            const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
            rates.push_back(count / elapsed.count());
        }
    }
    std::sort(rates.begin(), rates.end());
    std::printf("asset_bench: %d PNG images of %d x %d (%.0f KiB on disk on average): %.0f images/s "
                "(median of %d runs; slowest %.0f, fastest %.0f)\n",
                count, kSide, kSide, fileBytes / 1024.0 / count, rates[kRuns / 2], kRuns, rates.front(), rates.back());

    lua_close(L);
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    for (const std::string& name : names)
        std::remove((std::string(folder) + "/" + name + ".png").c_str());
    std::remove(folder);
    return 0;
}
