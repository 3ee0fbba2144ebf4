#include "scenegraph/drawing/SGTexturedSpriteRenderer.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "scenegraph/drawing/SGQuadBatch.h"

#include <cmath>

void SGTexturedSpriteRenderer::drawSprite(const SGImage& image, const float& width, const float& height,
                                          const float& x, const float& y, const float& angle, const SGWrapMode&,
                                          const SGWrapMode&)
{
    // Texturing is enabled here too: no sprite should depend on an untextured
    // sprite having been drawn first to switch it back on.
    glEnable(GL_TEXTURE_RECTANGLE_ARB);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, image.texture);
    glPushMatrix();
    glTranslatef(std::floor(x), std::floor(y), 0.0f);
    glRotatef(angle, 0.0f, 0.0f, 1.0f);
    glTranslatef(-width * 0.5f, -height * 0.5f, 0.0f);
    glBegin(GL_QUADS);
    glTexCoord2i(0, 0);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2i(image.width, 0);
    glVertex2f(width, 0.0f);
    glTexCoord2i(image.width, image.height);
    glVertex2f(width, height);
    glTexCoord2i(0, image.height);
    glVertex2f(0.0f, height);
    glEnd();
    glPopMatrix();
}

void SGTexturedSpriteRenderer::batchSprite(SGQuadBatch& batch, const SGImage& image, float width, float height,
                                           float x, float y, float angle, SGWrapMode, SGWrapMode)
{
    const float iw = static_cast<float>(image.width);
    const float ih = static_cast<float>(image.height);
    const float xs[4] = {0.0f, width, width, 0.0f};
    const float ys[4] = {0.0f, 0.0f, height, height};
    const float us[4] = {0.0f, iw, iw, 0.0f};
    const float vs[4] = {0.0f, 0.0f, ih, ih};
    batch.setTransform(std::floor(x), std::floor(y), angle, -width * 0.5f, -height * 0.5f);
    batch.addQuad(xs, ys, us, vs);
}
