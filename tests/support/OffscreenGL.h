// A hidden SDL window with a GL 2.1 compatibility context, made current on
// the calling thread, for tests that draw and read pixels back. Uses SDL's
// offscreen video driver unless SDL_VIDEODRIVER says otherwise.
#ifndef TERN_OFFSCREEN_GL_H
#define TERN_OFFSCREEN_GL_H

#include <cstdint>
#include <string>
#include <vector>

struct SDL_Window;

namespace tern_test {

struct Pixel {
    uint8_t r, g, b, a;
    bool operator==(const Pixel& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

class OffscreenGL {
public:
    OffscreenGL(int width = 64, int height = 64);
    ~OffscreenGL();
    OffscreenGL(const OffscreenGL&) = delete;
    OffscreenGL& operator=(const OffscreenGL&) = delete;

    // False (with error() telling why) when no context could be made.
    bool ok() const { return context_ != nullptr; }
    const std::string& error() const { return error_; }
    int width() const { return width_; }
    int height() const { return height_; }

    void makeCurrent();
    // The pixel at (x, y), origin bottom left, from the buffer being drawn.
    Pixel pixel(int x, int y);
    // All pixels, rows bottom to top, RGBA.
    std::vector<Pixel> readPixels();

private:
    int width_;
    int height_;
    SDL_Window* window_ = nullptr;
    void* context_ = nullptr;
    std::string error_;
};

// Formats a pixel for test messages: "(r, g, b, a)".
std::string toString(const Pixel& pixel);

}  // namespace tern_test

#endif
