// The view the intro is shown in: a still image or the current movie frame
// drawn over the window's white background, at an opacity the fade lowers.
// It draws with an OpenGL context of its own, on the main thread, current
// only while it draws.
#ifndef TN_INTRO_VIEW_H
#define TN_INTRO_VIEW_H

#include <SDL.h>

#include <cstdint>
#include <vector>

#include "window/TNRect.h"

class TNIntroView {
public:
    explicit TNIntroView(SDL_Window* window);
    ~TNIntroView();
    TNIntroView(const TNIntroView&) = delete;
    TNIntroView& operator=(const TNIntroView&) = delete;

    bool isValid() const { return context_ != nullptr; }
    // The picture: width × height RGBA pixels, top row first.
    void setImage(const uint8_t* rgba, int width, int height);
    // Where the picture goes, in window points with the origin at the lower left.
    void setFrame(const TNRect& frame) { frame_ = frame; }
    const TNRect& frame() const { return frame_; }
    void setOpacity(float opacity) { opacity_ = opacity; }
    float opacity() const { return opacity_; }

    // Clears the window to white, draws the picture and shows the result.
    void draw();

private:
    SDL_Window* window_;
    SDL_GLContext context_ = nullptr;
    unsigned int texture_ = 0;
    int imageWidth_ = 0;
    int imageHeight_ = 0;
    TNRect frame_;
    float opacity_ = 1.0f;
};

#endif
