// The drawing strategy of a sprite node: emits the quad(s) of one sprite
// with the colour and blend function already set. Chosen by the node from
// its image and wrap modes; the concrete classes live beside it.
#ifndef SG_SPRITE_RENDERER_H
#define SG_SPRITE_RENDERER_H

#include "images/SGImage.h"
#include "scenegraph/drawing/SGSpriteDrawing.h"

class SGQuadBatch;

class SGSpriteRenderer {
public:
    virtual ~SGSpriteRenderer() = default;

    // Draws a sprite of width × height world units centred on (x, y),
    // turned by angle degrees counter-clockwise. The base draws nothing.
    virtual void drawSprite(const SGImage& image, const float& width, const float& height, const float& x,
                            const float& y, const float& angle, const SGWrapMode& horizontal,
                            const SGWrapMode& vertical);
    // Adds the same quad(s) to the batch, whose state (texture, blending,
    // colour) the node has set. The base adds nothing.
    virtual void batchSprite(SGQuadBatch& batch, const SGImage& image, float width, float height, float x, float y,
                             float angle, SGWrapMode horizontal, SGWrapMode vertical);
};

#endif
