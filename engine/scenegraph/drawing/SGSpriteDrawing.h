// Drawing state shared by sprites and particles: the blend modes, the wrap
// modes, and the two functions that set colour and blend function.
#ifndef SG_SPRITE_DRAWING_H
#define SG_SPRITE_DRAWING_H

#include <cstdint>

#include "scenegraph/SGColor.h"

// The integer on a blendingMode port. Any value not listed blends like normal.
using SGBlendMode = int32_t;
constexpr SGBlendMode SGBlendNormal = 0;    // S, 1 - source alpha
constexpr SGBlendMode SGBlendOpaque = 1;    // 1, 0
constexpr SGBlendMode SGBlendAdditive = 2;  // S, 1
constexpr SGBlendMode SGBlendScreen = 3;    // S, 1 - source colour
constexpr SGBlendMode SGBlendMultiply = 4;  // 0, source colour

// The integer on a horizontalWrapping or verticalWrapping port, one per axis.
// Any other value draws one tile from the left or bottom edge, cut to size.
using SGWrapMode = int32_t;
constexpr SGWrapMode SGWrapStretch = 0;  // the whole image scaled to the sprite
constexpr SGWrapMode SGWrapCrop = 1;     // the image at pixel size, centred, cut
constexpr SGWrapMode SGWrapTile = 2;     // repeated at pixel size, last tile cut

// The GL blend factors (source, destination) of a blend mode.
struct SGBlendFactors {
    uint32_t source;
    uint32_t destination;
};

// The colour a drawing node draws with: alpha scaled by SGAlphaScaleFactor;
// for a premultiplied texture all four components are scaled.
SGColor SGDrawingColor(SGColor c, bool premultiplied);
// glColor4f of SGDrawingColor(c, premultiplied).
void SGSetColor(SGColor c, bool premultiplied);
// The factors of the mode; the source factor S is GL_ONE for a
// premultiplied source and GL_SRC_ALPHA otherwise.
SGBlendFactors SGBlendFactorsFor(SGBlendMode mode, int premultiplied);
// glBlendFunc of SGBlendFactorsFor(mode, premultiplied).
void SGSetBlendMode(SGBlendMode mode, int premultiplied);
// The blend function every drawing node leaves behind: normal alpha blending.
void SGRestoreBlendMode();

#endif
