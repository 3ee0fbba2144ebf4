// A plain value naming a rectangle texture. Copies never own the texture:
// whoever created it (the asset cache, a text node) frees it with freeImage.
#ifndef SG_IMAGE_H
#define SG_IMAGE_H

#include <cstdint>

struct SGImage {
    uint32_t texture;       // texture name on the rectangle target (pixel coordinates)
    int32_t width;          // pixels; the image is present when above 0
    int32_t height;
    float floatWidth;       // carried along, not read by the scene graph
    float floatHeight;
    int32_t premultipliedAlpha;  // non-zero when colour is premultiplied by alpha

    bool isPresent() const { return width > 0; }
    // Deletes the texture (needs the GL context current) and clears this
    // copy's texture name.
    void freeImage();
};

constexpr SGImage SGImageNull = {0, 0, 0, 0.0f, 0.0f, 0};

#endif
