#include "scenegraph/drawing/SGColoredSpriteRenderer.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "scenegraph/drawing/SGQuadBatch.h"

void SGColoredSpriteRenderer::drawSprite(const SGImage&, const float& width, const float& height, const float& x,
                                         const float& y, const float& angle, const SGWrapMode&, const SGWrapMode&)
{
    const float hw = width * 0.5f;
    const float hh = height * 0.5f;
    glDisable(GL_TEXTURE_RECTANGLE_ARB);
    glPushMatrix();
    glTranslatef(x, y, 0.0f);
    glRotatef(angle, 0.0f, 0.0f, 1.0f);
    glBegin(GL_QUADS);
    glVertex3f(-hw, -hh, 0.0f);
    glVertex3f(hw, -hh, 0.0f);
    glVertex3f(hw, hh, 0.0f);
    glVertex3f(-hw, hh, 0.0f);
    glEnd();
    glPopMatrix();
    glEnable(GL_TEXTURE_RECTANGLE_ARB);
}

void SGColoredSpriteRenderer::batchSprite(SGQuadBatch& batch, const SGImage&, float width, float height, float x,
                                          float y, float angle, SGWrapMode, SGWrapMode)
{
    const float hw = width * 0.5f;
    const float hh = height * 0.5f;
    const float xs[4] = {-hw, hw, hw, -hw};
    const float ys[4] = {-hh, -hh, hh, hh};
    const float zero[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    batch.setTransform(x, y, angle, 0.0f, 0.0f);
    batch.addQuad(xs, ys, zero, zero);
}
