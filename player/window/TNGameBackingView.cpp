#include "window/TNGameBackingView.h"

#include <SDL_opengl.h>

#include "log/TNLog.h"

TNGameBackingView::TNGameBackingView(SDL_Window* window) : window_(window)
{
    updateBounds();
}

void TNGameBackingView::updateBounds()
{
    int w = 0, h = 0;
    if (window_)
        SDL_GetWindowSize(window_, &w, &h);
    bounds_ = TNRect{0.0, 0.0, static_cast<double>(w), static_cast<double>(h)};
}

double TNGameBackingView::backingScale() const
{
    int pixels = 0, points = 0, h = 0;
    if (!window_)
        return 1.0;
    SDL_GL_GetDrawableSize(window_, &pixels, &h);
    SDL_GetWindowSize(window_, &points, &h);
    return points > 0 && pixels > 0 ? static_cast<double>(pixels) / points : 1.0;
}

void TNGameBackingView::drawRect() const
{
    GLfloat clearColor[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor);
    GLint scissorBox[4];
    glGetIntegerv(GL_SCISSOR_BOX, scissorBox);
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    // Only the window's part of the drawing surface: a headless surface is
    // made as large as a game may be (1920 × 1200) and clearing all of it
    // every frame cost several milliseconds of the renderer's CPU, for
    // pixels nobody sees. A window's surface is the window, as before.
    int width = 0, height = 0;
    if (window_)
        SDL_GL_GetDrawableSize(window_, &width, &height);
    glScissor(0, 0, width, height);
    glEnable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
    glScissor(scissorBox[0], scissorBox[1], scissorBox[2], scissorBox[3]);
    if (!scissor)
        glDisable(GL_SCISSOR_TEST);
}

bool TNGameBackingView::enterFullScreenMode()
{
    if (SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
        TNLog("TNGameBackingView: could not enter full-screen mode: %s", SDL_GetError());
        return false;
    }
    updateBounds();
    return true;
}

bool TNGameBackingView::exitFullScreenMode()
{
    if (SDL_SetWindowFullscreen(window_, 0) != 0) {
        TNLog("TNGameBackingView: could not leave full-screen mode: %s", SDL_GetError());
        return false;
    }
    updateBounds();
    return true;
}

bool TNGameBackingView::isInFullScreenMode() const
{
    return window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0;
}
