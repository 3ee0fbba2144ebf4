// Text as an image: the string drawn white on a clear background into a new
// rectangle texture, described by an SGImage. The caller owns the texture.
#ifndef TN_IMAGE_FROM_STRING_H
#define TN_IMAGE_FROM_STRING_H

#include <cstdint>

#include "images/SGImage.h"

// 0 left, 1 centre, 2 right; any other value lays the text out centred.
typedef int32_t TNTextAlignment;

// The font is a display name the authoring side offers ("Arial"); any other
// name draws in "ArialMT". Text that cannot be drawn (empty, not UTF-8, a
// size that is not a positive number, larger than a texture) gives an image
// of width 0. Without a current GL context the image names texture 0 but
// carries the size the text would have.
SGImage TNImageFromString(const char* text, const char* fontDisplayName, float size, TNTextAlignment alignment);

#endif
