#include "OffscreenGL.h"

#include <GL/gl.h>
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace tern_test {

OffscreenGL::OffscreenGL(int width, int height) : width_(width), height_(height)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error_ = std::string("SDL_InitSubSystem: ") + SDL_GetError();
        return;
    }
    // One extra load that is never undone keeps the GL driver resident:
    // unloading it with the last window would orphan memory that the
    // driver's globals still point to.
    static const bool driverPinned = SDL_GL_LoadLibrary(nullptr) == 0;
    (void)driverPinned;
    const std::pair<SDL_GLattr, int> attributes[] = {
        {SDL_GL_CONTEXT_MAJOR_VERSION, 2}, {SDL_GL_CONTEXT_MINOR_VERSION, 1},
        {SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY}, {SDL_GL_RED_SIZE, 8},
        {SDL_GL_GREEN_SIZE, 8}, {SDL_GL_BLUE_SIZE, 8}, {SDL_GL_ALPHA_SIZE, 8}, {SDL_GL_DEPTH_SIZE, 16},
        {SDL_GL_DOUBLEBUFFER, 1}};
    for (const auto& [attribute, value] : attributes)
        SDL_GL_SetAttribute(attribute, value);
    window_ = SDL_CreateWindow("test", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height,
                               SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window_) {
        error_ = std::string("SDL_CreateWindow: ") + SDL_GetError();
        return;
    }
    context_ = SDL_GL_CreateContext(window_);
    if (!context_) {
        error_ = std::string("SDL_GL_CreateContext: ") + SDL_GetError();
        return;
    }
    makeCurrent();
    glViewport(0, 0, width, height);
}

OffscreenGL::~OffscreenGL()
{
    if (context_) {
        SDL_GL_MakeCurrent(window_, nullptr);
        SDL_GL_DeleteContext(context_);
    }
    if (window_)
        SDL_DestroyWindow(window_);
    // SDL's video stays initialised for the next context of the process.
}

void OffscreenGL::makeCurrent()
{
    if (context_)
        SDL_GL_MakeCurrent(window_, context_);
}

Pixel OffscreenGL::pixel(int x, int y)
{
    Pixel result{0, 0, 0, 0};
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &result);
    return result;
}

std::vector<Pixel> OffscreenGL::readPixels()
{
    std::vector<Pixel> pixels(static_cast<size_t>(width_) * height_);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

std::string toString(const Pixel& pixel)
{
    char text[48];
    std::snprintf(text, sizeof text, "(%d, %d, %d, %d)", pixel.r, pixel.g, pixel.b, pixel.a);
    return text;
}

}  // namespace tern_test
