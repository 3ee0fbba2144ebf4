#include "scenegraph/nodes/SGSpriteDrawing.h"

#include <GL/gl.h>

#include "scenegraph/SGAlphaScaleFactor.h"

void SGSetColor(SGColor c, bool premultiplied)
{
    const float f = SGAlphaScaleFactor;
    if (premultiplied)
        glColor4f(c.r * f, c.g * f, c.b * f, c.a * f);
    else
        glColor4f(c.r, c.g, c.b, c.a * f);
}

void SGSetBlendMode(SGBlendMode mode, int premultiplied)
{
    const GLenum source = premultiplied ? GL_ONE : GL_SRC_ALPHA;
    switch (mode) {
    case SGBlendOpaque: glBlendFunc(GL_ONE, GL_ZERO); break;
    case SGBlendAdditive: glBlendFunc(source, GL_ONE); break;
    case SGBlendScreen: glBlendFunc(source, GL_ONE_MINUS_SRC_COLOR); break;
    case SGBlendMultiply: glBlendFunc(GL_ZERO, GL_SRC_COLOR); break;
    default: glBlendFunc(source, GL_ONE_MINUS_SRC_ALPHA); break;
    }
}

void SGRestoreBlendMode()
{
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}
