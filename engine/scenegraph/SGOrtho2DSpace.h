// A top-level space that gives its contents a camera: an orthographic
// projection over a rectangle of world coordinates, optionally rotated, and a
// model rotation about the rectangle's centre. Both matrices are pushed before
// the contents draw and popped afterwards.
#ifndef SG_ORTHO2D_SPACE_H
#define SG_ORTHO2D_SPACE_H

#include "scenegraph/nodes/SGSpace.h"
#include "scenegraph/ports/SGValuePort.h"

class SGOrtho2DSpace : public SGSpace {
public:
    SGOrtho2DSpace(TNManagerLink<SoundManager> soundManager, TNManagerLink<AssetManager> assetManager);

    SGPort* portForID(SGPortID id) override;
    void willRender() override;
    void didRender() override;

    SGNumberPort x;              // left edge of the visible rectangle
    SGNumberPort y;              // bottom edge
    SGNumberPort width;
    SGNumberPort height;
    SGNumberPort near;           // near clipping value
    SGNumberPort far;            // far clipping value
    SGNumberPort viewRotation;   // degrees, turns the projected picture
    SGNumberPort modelRotation;  // degrees, turns the world about the rectangle's centre
};

#endif
