#include "scenegraph/SGOrtho2DSpace.h"

#include <GL/gl.h>

SGOrtho2DSpace::SGOrtho2DSpace(TNManagerLink<SoundManager> soundManager, TNManagerLink<AssetManager> assetManager)
    : SGSpace(soundManager, assetManager)
{
    nodeClass |= SGOrtho2DSpaceClass;
    addInputPort(&x, NUMBER);
    addInputPort(&y, NUMBER);
    addInputPort(&width, NUMBER);
    addInputPort(&height, NUMBER);
    addInputPort(&near, NUMBER);
    addInputPort(&far, NUMBER);
    addInputPort(&viewRotation, NUMBER);
    addInputPort(&modelRotation, NUMBER);
}

SGPort* SGOrtho2DSpace::portForID(SGPortID id)
{
    switch (id) {
    case SGPortID_x: return &x;
    case SGPortID_y: return &y;
    case SGPortID_width: return &width;
    case SGPortID_height: return &height;
    case SGPortID_near: return &near;
    case SGPortID_far: return &far;
    case SGPortID_viewRotation: return &viewRotation;
    case SGPortID_modelRotation: return &modelRotation;
    default: return nullptr;
    }
}

void SGOrtho2DSpace::willRender()
{
    // Read every frame: connected sources may have changed without marking us.
    const float left = x.numberValue();
    const float bottom = y.numberValue();
    const float w = width.numberValue();
    const float h = height.numberValue();
    const float zNear = near.numberValue();
    const float zFar = far.numberValue();
    const float viewAngle = viewRotation.numberValue();
    const float modelAngle = modelRotation.numberValue();
    const float right = left + w;
    const float top = bottom + h;

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glRotatef(viewAngle, 0.0f, 0.0f, 1.0f);
    glOrtho(left, right, bottom, top, zNear, zFar);

    const float cx = (left + right) * 0.5f;
    const float cy = (bottom + top) * 0.5f;
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(cx, cy, 0.0f);
    glRotatef(modelAngle, 0.0f, 0.0f, 1.0f);
    glTranslatef(-cx, -cy, 0.0f);
}

void SGOrtho2DSpace::didRender()
{
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}
