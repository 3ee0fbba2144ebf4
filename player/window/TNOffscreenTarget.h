// A framebuffer object the window's size that a game view draws into
// instead of the window's surface, for headless play. SDL's offscreen
// driver keeps the surface at the size the window was made with (as large
// as a game may be), and on that surface a game's scissored clear of its
// view is a quad Mesa draws; on a target the window's size the same clear
// covers it all and is a plain clear.
#ifndef TN_OFFSCREEN_TARGET_H
#define TN_OFFSCREEN_TARGET_H

#include <SDL_opengl.h>

class TNOffscreenTarget {
public:
    TNOffscreenTarget() = default;
    TNOffscreenTarget(const TNOffscreenTarget&) = delete;
    TNOffscreenTarget& operator=(const TNOffscreenTarget&) = delete;

    // Makes the target width × height pixels (its contents undefined) and
    // binds it for drawing and reading, with its context current. False,
    // the target unbound and freed, when the GL cannot make it.
    bool resize(int width, int height);
    // Unbinds and deletes it, with its context current.
    void release();
    bool exists() const { return framebuffer_ != 0; }

private:
    GLuint framebuffer_ = 0;
    GLuint colour_ = 0;
};

#endif
