#include "images/TNGLError.h"

#include <GL/gl.h>

#include "log/TNLog.h"

namespace {

// The texts the GL utility library gives for each error code.
const char* errorText(GLenum error)
{
    switch (error) {
    case GL_INVALID_ENUM:
        return "invalid enumerant";
    case GL_INVALID_VALUE:
        return "invalid value";
    case GL_INVALID_OPERATION:
        return "invalid operation";
    case GL_STACK_OVERFLOW:
        return "stack overflow";
    case GL_STACK_UNDERFLOW:
        return "stack underflow";
    case GL_OUT_OF_MEMORY:
        return "out of memory";
    case 0x0506:  // GL_INVALID_FRAMEBUFFER_OPERATION
        return "invalid framebuffer operation";
    default:
        return "unknown error";
    }
}

}  // namespace

void CheckGLError(const char* label)
{
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR)
        TNLog("OpenGL Error in %s : %s", label, errorText(error));
}
