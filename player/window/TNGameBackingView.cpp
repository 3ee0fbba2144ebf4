#include "window/TNGameBackingView.h"

#include <SDL_opengl.h>

#include <algorithm>

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
    // Only the window's part of the drawing surface: a headless surface is
    // made as large as a game may be (1920 × 1200) and clearing all of it
    // every frame cost several milliseconds of the renderer's CPU, for
    // pixels nobody sees. A window's surface is the window, as before.
    int width = 0, height = 0;
    if (window_)
        SDL_GL_GetDrawableSize(window_, &width, &height);
    const int whole[1][4] = {{0, 0, width, height}};
    clearToBlack(whole, 1);
}

void TNGameBackingView::drawAround(const TNRect& view) const
{
    int width = 0, height = 0;
    if (window_)
        SDL_GL_GetDrawableSize(window_, &width, &height);
    // The view's pixels as the game view's viewport and scissor take them.
    const int left = static_cast<GLint>(view.x);
    const int bottom = static_cast<GLint>(view.y);
    const int right = left + static_cast<GLsizei>(view.width);
    const int top = bottom + static_cast<GLsizei>(view.height);
    const int rowBottom = std::max(bottom, 0);
    const int rowTop = std::min(top, height);
    const int bars[4][4] = {
        {0, 0, width, std::min(bottom, height)},
        {0, std::max(top, 0), width, height - std::max(top, 0)},
        {0, rowBottom, std::min(left, width), rowTop - rowBottom},
        {std::max(right, 0), rowBottom, width - std::max(right, 0), rowTop - rowBottom},
    };
    int shown[4][4];
    int count = 0;
    for (const auto& bar : bars) {
        if (bar[2] > 0 && bar[3] > 0)
            std::copy(bar, bar + 4, shown[count++]);
    }
    if (count > 0)
        clearToBlack(shown, count);
}

void TNGameBackingView::clearToBlack(const int (*rects)[4], int count) const
{
    GLfloat clearColor[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor);
    GLint scissorBox[4];
    glGetIntegerv(GL_SCISSOR_BOX, scissorBox);
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    glEnable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    for (int i = 0; i < count; ++i) {
        glScissor(rects[i][0], rects[i][1], rects[i][2], rects[i][3]);
        glClear(GL_COLOR_BUFFER_BIT);
    }
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
