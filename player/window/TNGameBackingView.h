// The plain parent of the game view: the content area of the window. Its
// only drawing is opaque black over the area it is asked to fill, so the
// letterbox bars around the game view are black. It also carries the
// window's full-screen mode.
#ifndef TN_GAME_BACKING_VIEW_H
#define TN_GAME_BACKING_VIEW_H

#include <SDL.h>

#include "window/TNRect.h"

class TNGameBackingView {
public:
    // window is not owned. The bounds start as the window's size.
    explicit TNGameBackingView(SDL_Window* window);

    SDL_Window* window() const { return window_; }
    // (0, 0, width, height) of the window's content, in window points.
    TNRect bounds() const { return bounds_; }
    // Reads the window's size again (main thread, after a size change).
    void updateBounds();
    // Pixels of the drawable per window point (above 1 on high-density screens).
    double backingScale() const;

    // Fills the whole drawable of the current OpenGL context with opaque
    // black; the clear colour and scissor state are restored.
    void drawRect() const;
    // The same, but only outside view (the game view's rectangle in drawable
    // pixels, which the game draws itself): the letterbox bars. Nothing is
    // touched when the view covers the drawable.
    void drawAround(const TNRect& view) const;

    // Full-screen mode on the window's display (main thread). Both return
    // false, with a printed line, when the window system refuses.
    bool enterFullScreenMode();
    bool exitFullScreenMode();
    bool isInFullScreenMode() const;

private:
    // Clears each of the rectangles {x, y, width, height} to black.
    void clearToBlack(const int (*rects)[4], int count) const;

    SDL_Window* window_;
    TNRect bounds_;
};

#endif
