#include "intro/TNIntroView.h"

#include <SDL_opengl.h>

#include "log/TNLog.h"

TNIntroView::TNIntroView(SDL_Window* window) : window_(window)
{
    context_ = SDL_GL_CreateContext(window_);
    if (!context_) {
        TNLog("tern-player: could not create the intro's OpenGL context: %s", SDL_GetError());
        return;
    }
    SDL_GL_MakeCurrent(window_, nullptr);
}

TNIntroView::~TNIntroView()
{
    if (!context_)
        return;
    if (texture_ && SDL_GL_MakeCurrent(window_, context_) == 0) {
        glDeleteTextures(1, &texture_);
        SDL_GL_MakeCurrent(window_, nullptr);
    }
    SDL_GL_DeleteContext(context_);
}

void TNIntroView::setImage(const uint8_t* rgba, int width, int height)
{
    if (!context_ || SDL_GL_MakeCurrent(window_, context_) != 0)
        return;
    if (!texture_)
        glGenTextures(1, &texture_);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (width == imageWidth_ && height == imageHeight_)
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    else
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    imageWidth_ = width;
    imageHeight_ = height;
    SDL_GL_MakeCurrent(window_, nullptr);
}

void TNIntroView::draw()
{
    if (!context_ || SDL_GL_MakeCurrent(window_, context_) != 0)
        return;
    int pixelWidth = 0, pixelHeight = 0, width = 0, height = 0;
    SDL_GL_GetDrawableSize(window_, &pixelWidth, &pixelHeight);
    SDL_GetWindowSize(window_, &width, &height);
    glViewport(0, 0, pixelWidth, pixelHeight);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    if (texture_ && opacity_ > 0.0f) {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture_);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glColor4f(1.0f, 1.0f, 1.0f, opacity_);
        const float x0 = static_cast<float>(frame_.x), y0 = static_cast<float>(frame_.y);
        const float x1 = static_cast<float>(frame_.x + frame_.width), y1 = static_cast<float>(frame_.y + frame_.height);
        // The image's top row is at the frame's top.
        glBegin(GL_QUADS);
        glTexCoord2f(0.0f, 1.0f); glVertex2f(x0, y0);
        glTexCoord2f(1.0f, 1.0f); glVertex2f(x1, y0);
        glTexCoord2f(1.0f, 0.0f); glVertex2f(x1, y1);
        glTexCoord2f(0.0f, 0.0f); glVertex2f(x0, y1);
        glEnd();
        glDisable(GL_TEXTURE_2D);
    }
    SDL_GL_SwapWindow(window_);
    SDL_GL_MakeCurrent(window_, nullptr);
}
