// Draws a sprite with an image stretched, cropped about the centre or tiled,
// chosen per axis. Tiling lays whole-pixel tiles from the lower-left corner
// and cuts the last one.
#ifndef SG_WRAP_TEXTURED_SPRITE_RENDERER_H
#define SG_WRAP_TEXTURED_SPRITE_RENDERER_H

#include "scenegraph/drawing/SGSpriteRenderer.h"

class SGWrapTexturedSpriteRenderer : public SGSpriteRenderer {
public:
    // Upper bound on the quads of one tiled sprite, so that an absurd size
    // cannot stall the frame; a larger sprite shows only this many tiles.
    static constexpr int kMaxTiles = 65536;

    void drawSprite(const SGImage& image, const float& width, const float& height, const float& x, const float& y,
                    const float& angle, const SGWrapMode& horizontal, const SGWrapMode& vertical) override;
    void batchSprite(SGQuadBatch& batch, const SGImage& image, float width, float height, float x, float y,
                     float angle, SGWrapMode horizontal, SGWrapMode vertical) override;

private:
    // Tile counts per axis, the offset of the first tile's corner from the
    // position, and the first texel of a crop.
    struct Layout {
        long nx = 0;
        long ny = 0;
        float ox = 0.0f;
        float oy = 0.0f;
        int uStart = 0;
        int vStart = 0;
    };

    Layout layout(const SGImage& image, float width, float height, SGWrapMode horizontal, SGWrapMode vertical);
    // Calls emit(x, y, width, height, u0, v0, u1, v1) for each tile quad.
    template <typename EmitQuad>
    static void forEachTile(const SGImage& image, const Layout& layout, float width, float height,
                            SGWrapMode horizontal, SGWrapMode vertical, EmitQuad emit);

    bool reportedCap_ = false;  // the cap is reported once per sprite
};

#endif
