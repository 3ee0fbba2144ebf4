// Draws a sprite without an image: one untextured quad in the current colour,
// centred on the unrounded position.
#ifndef SG_COLORED_SPRITE_RENDERER_H
#define SG_COLORED_SPRITE_RENDERER_H

#include "scenegraph/drawing/SGSpriteRenderer.h"

class SGColoredSpriteRenderer : public SGSpriteRenderer {
public:
    void drawSprite(const SGImage& image, const float& width, const float& height, const float& x, const float& y,
                    const float& angle, const SGWrapMode& horizontal, const SGWrapMode& vertical) override;
    void batchSprite(SGQuadBatch& batch, const SGImage& image, float width, float height, float x, float y,
                     float angle, SGWrapMode horizontal, SGWrapMode vertical) override;
};

#endif
