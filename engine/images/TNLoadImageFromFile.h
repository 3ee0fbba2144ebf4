// Image files into rectangle textures: the entry point the asset cache
// calls for every image it loads.
#ifndef TN_LOAD_IMAGE_FROM_FILE_H
#define TN_LOAD_IMAGE_FROM_FILE_H

#include "images/SGImage.h"

// Decodes the file and uploads it as a texture of its logical size (its
// pixels at the density the file states, see TNImageHeader; truncated to
// whole texels, at least 1): width and height are that texture's size,
// floatWidth and floatHeight the logical size itself. Colour is
// premultiplied by alpha (premultipliedAlpha 1). A file that cannot
// be used (missing, damaged, of another format, too large) prints one line
// and yields the missing-image picture; a null or empty path yields
// SGImageNull silently, as does a call without a current GL context (after
// one line). Never throws. The caller owns the texture.
SGImage TNLoadImageFromFile(const char* path);

// The missing-image picture as a new texture the caller owns, or
// SGImageNull when it cannot be made. Prints nothing.
SGImage TNLoadMissingImage();

#endif
