// Upload of captured images as rectangle textures (texture coordinates in
// pixels). The GL context must be current on the calling thread.
#ifndef TN_IMAGE_GL_TEXTURE_H
#define TN_IMAGE_GL_TEXTURE_H

#include <cstdint>

struct TNImageBitmap;

// A new rectangle texture of the bitmap's size holding its pixels, internal
// format RGBA (RGB data gets alpha 1). The rectangle target's default
// sampling stays (linear, clamped to the edge). The unpack alignment (1) and
// row length set for the upload are left in place. GL errors are reported
// by CheckGLError and do not change the result.
uint32_t TNUploadAsGLTexture(const TNImageBitmap& bitmap);

// The largest side a rectangle texture may have in the current context.
int TNMaxRectangleTextureSide();

#endif
