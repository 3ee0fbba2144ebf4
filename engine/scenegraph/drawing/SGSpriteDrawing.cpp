#include "scenegraph/drawing/SGSpriteDrawing.h"

#include <GL/gl.h>

#include "scenegraph/SGAlphaScaleFactor.h"

SGColor SGDrawingColor(SGColor c, bool premultiplied)
{
    const float f = SGAlphaScaleFactor;
    if (premultiplied)
        return SGColor{c.r * f, c.g * f, c.b * f, c.a * f};
    return SGColor{c.r, c.g, c.b, c.a * f};
}

void SGSetColor(SGColor c, bool premultiplied)
{
    const SGColor d = SGDrawingColor(c, premultiplied);
    glColor4f(d.r, d.g, d.b, d.a);
}

SGBlendFactors SGBlendFactorsFor(SGBlendMode mode, int premultiplied)
{
    const uint32_t source = premultiplied ? GL_ONE : GL_SRC_ALPHA;
    switch (mode) {
    case SGBlendOpaque: return {GL_ONE, GL_ZERO};
    case SGBlendAdditive: return {source, GL_ONE};
    case SGBlendScreen: return {source, GL_ONE_MINUS_SRC_COLOR};
    case SGBlendMultiply: return {GL_ZERO, GL_SRC_COLOR};
    default: return {source, GL_ONE_MINUS_SRC_ALPHA};
    }
}

void SGSetBlendMode(SGBlendMode mode, int premultiplied)
{
    const SGBlendFactors factors = SGBlendFactorsFor(mode, premultiplied);
    glBlendFunc(factors.source, factors.destination);
}

void SGRestoreBlendMode()
{
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}
