#include "images/SGImage.h"

#include <GL/gl.h>

void SGImage::freeImage()
{
    const GLuint name = texture;
    glDeleteTextures(1, &name);
    texture = 0;
}
