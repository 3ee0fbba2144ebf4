// Draws a sprite with an image stretched, cropped about the centre or tiled,
// chosen per axis. Tiling lays whole-pixel tiles from the lower-left corner
// and cuts the last one.
#ifndef SG_WRAP_TEXTURED_SPRITE_RENDERER_H
#define SG_WRAP_TEXTURED_SPRITE_RENDERER_H

#include "scenegraph/nodes/SGSpriteRenderer.h"

class SGWrapTexturedSpriteRenderer : public SGSpriteRenderer {
public:
    // Upper bound on the quads of one tiled sprite, so that an absurd size
    // cannot stall the frame; a larger sprite shows only this many tiles.
    static constexpr int kMaxTiles = 65536;

    void drawSprite(const SGImage& image, const float& width, const float& height, const float& x, const float& y,
                    const float& angle, const SGWrapMode& horizontal, const SGWrapMode& vertical) override;

private:
    bool reportedCap_ = false;  // the cap is reported once per sprite
};

#endif
