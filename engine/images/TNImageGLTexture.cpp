#include "images/TNImageGLTexture.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "images/TNGLError.h"
#include "images/TNImageBitmap.h"

uint32_t TNUploadAsGLTexture(const TNImageBitmap& bitmap)
{
    if (bitmap.bitsPerPixel < 8)
        return 0;
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
    CheckGLError("glBindTexture");
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, bitmap.bytesPerRow / (bitmap.bitsPerPixel / 8));
    CheckGLError("glPixelStorei");
    glTexImage2D(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGBA, bitmap.width, bitmap.height, 0,
                 bitmap.hasAlpha ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE, bitmap.pixels.data());
    CheckGLError("glTexImage2D");
    return texture;
}

int TNMaxRectangleTextureSide()
{
    GLint side = 0;
    glGetIntegerv(GL_MAX_RECTANGLE_TEXTURE_SIZE_ARB, &side);
    if (side <= 0)
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    glGetError();  // a context without rectangle textures answers with an error
    return side > 0 ? side : 2048;
}
