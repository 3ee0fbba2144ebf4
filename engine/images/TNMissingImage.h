// The player's own "image_missing" picture, shown in place of an image file
// that cannot be read: a light card with a dark frame and a red cross,
// drawn by code so that it is always at hand (no file to install).
#ifndef TN_MISSING_IMAGE_H
#define TN_MISSING_IMAGE_H

struct SDL_Surface;

const int TNMissingImageSide = 32;

// A new opaque RGBA surface of TNMissingImageSide pixels square holding the
// picture (free it with SDL_FreeSurface); null when SDL cannot make one.
SDL_Surface* TNCreateMissingImageSurface();

#endif
