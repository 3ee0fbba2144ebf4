#include "scenegraph/nodes/linux/SGWrapTexturedSpriteRenderer.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

namespace {

// Truncates toward zero; NaN gives 0 and values beyond int range clamp, so a
// broken size never reaches an undefined conversion.
int truncToInt(float v)
{
    if (!(v == v))
        return 0;
    if (v >= static_cast<float>(INT_MAX))
        return INT_MAX;
    if (v <= static_cast<float>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(v);
}

// Tiles along one axis: enough whole images to cover size when tiling, else
// one. A NaN or non-positive size gives none.
long tileCount(float size, int imageSize, SGWrapMode mode)
{
    if (mode != SGWrapTile || imageSize <= 0)
        return 1;
    const double n = std::ceil(static_cast<double>(size) / imageSize);
    if (!(n > 0.0))
        return 0;
    return n > SGWrapTexturedSpriteRenderer::kMaxTiles ? SGWrapTexturedSpriteRenderer::kMaxTiles + 1L
                                                       : static_cast<long>(n);
}

}  // namespace

void SGWrapTexturedSpriteRenderer::drawSprite(const SGImage& image, const float& width, const float& height,
                                              const float& x, const float& y, const float& angle,
                                              const SGWrapMode& horizontal, const SGWrapMode& vertical)
{
    const int iw = image.width;
    const int ih = image.height;
    const float W = width;
    const float H = height;

    long nx = tileCount(W, iw, horizontal);
    long ny = tileCount(H, ih, vertical);
    if (nx * ny > kMaxTiles) {
        if (!reportedCap_)
            std::printf("SGSpriteNode: tiling a %gx%g sprite with a %dx%d image capped at %d tiles\n", W, H, iw, ih,
                        kMaxTiles);
        reportedCap_ = true;
        nx = std::min(nx, static_cast<long>(kMaxTiles));
        ny = std::min(ny, kMaxTiles / nx);
    }

    glEnable(GL_TEXTURE_RECTANGLE_ARB);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, image.texture);
    glPushMatrix();
    glTranslatef(std::floor(x), std::floor(y), 0.0f);
    glRotatef(angle, 0.0f, 0.0f, 1.0f);

    // Crop centres at most the image's size on the position; the other modes
    // start at the sprite's lower-left corner.
    const float hw = W * 0.5f;
    const float hh = H * 0.5f;
    const int hx = iw / 2;
    const int hy = ih / 2;
    const float ox = horizontal == SGWrapCrop ? std::fmin(static_cast<float>(hx), hw) : hw;
    const float oy = vertical == SGWrapCrop ? std::fmin(static_cast<float>(hy), hh) : hh;
    glTranslatef(-ox, -oy, 0.0f);

    // A crop never starts beyond the image (a negative size would ask for that).
    const int uStart = horizontal == SGWrapCrop ? std::min(truncToInt(std::fmax(0.0f, hx - hw)), hx) : 0;
    const int vStart = vertical == SGWrapCrop ? std::min(truncToInt(std::fmax(0.0f, hy - hh)), hy) : 0;

    glBegin(GL_QUADS);
    for (long i = 0; i < nx; ++i) {
        const float px = static_cast<float>(i * iw);
        const float qw = horizontal == SGWrapStretch ? W : std::fmin(W - px, static_cast<float>(iw));
        const int su = horizontal == SGWrapStretch ? iw : truncToInt(std::fmin(static_cast<float>(iw), W - px));
        for (long j = 0; j < ny; ++j) {
            const float py = static_cast<float>(j * ih);
            const float qh = vertical == SGWrapStretch ? H : std::fmin(H - py, static_cast<float>(ih));
            const int sv = vertical == SGWrapStretch ? ih : truncToInt(std::fmin(static_cast<float>(ih), H - py));
            glTexCoord2i(uStart, vStart);
            glVertex2f(px, py);
            glTexCoord2i(uStart + su, vStart);
            glVertex2f(px + qw, py);
            glTexCoord2i(uStart + su, vStart + sv);
            glVertex2f(px + qw, py + qh);
            glTexCoord2i(uStart, vStart + sv);
            glVertex2f(px, py + qh);
        }
    }
    glEnd();
    glPopMatrix();
}
