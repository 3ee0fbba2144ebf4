// Draws a sprite with an image stretched over it: one quad with pixel
// texture coordinates, its centre snapped down to whole units.
#ifndef SG_TEXTURED_SPRITE_RENDERER_H
#define SG_TEXTURED_SPRITE_RENDERER_H

#include "scenegraph/drawing/SGSpriteRenderer.h"

class SGTexturedSpriteRenderer : public SGSpriteRenderer {
public:
    void drawSprite(const SGImage& image, const float& width, const float& height, const float& x, const float& y,
                    const float& angle, const SGWrapMode& horizontal, const SGWrapMode& vertical) override;
    void batchSprite(SGQuadBatch& batch, const SGImage& image, float width, float height, float x, float y,
                     float angle, SGWrapMode horizontal, SGWrapMode vertical) override;
};

#endif
