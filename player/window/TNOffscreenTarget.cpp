#define GL_GLEXT_PROTOTYPES 1
#include "window/TNOffscreenTarget.h"

#include <algorithm>

#include "log/TNLog.h"

bool TNOffscreenTarget::resize(int width, int height)
{
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (!framebuffer_) {
        glGenFramebuffers(1, &framebuffer_);
        glGenRenderbuffers(1, &colour_);
    }
    glBindRenderbuffer(GL_RENDERBUFFER, colour_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
    const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status == GL_FRAMEBUFFER_COMPLETE)
        return true;
    TNLog("TNOffscreenTarget: a %d x %d framebuffer is not usable (status 0x%x); drawing to the window's surface",
          width, height, status);
    release();
    return false;
}

void TNOffscreenTarget::release()
{
    if (!framebuffer_)
        return;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer_);
    glDeleteRenderbuffers(1, &colour_);
    framebuffer_ = 0;
    colour_ = 0;
}
