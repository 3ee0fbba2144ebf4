#include "scenegraph/drawing/SGWrapTexturedSpriteRenderer.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "scenegraph/drawing/SGQuadBatch.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "log/TNLog.h"

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

SGWrapTexturedSpriteRenderer::Layout SGWrapTexturedSpriteRenderer::layout(const SGImage& image, float W, float H,
                                                                          SGWrapMode horizontal, SGWrapMode vertical)
{
    Layout l;
    const int iw = image.width;
    const int ih = image.height;
    l.nx = tileCount(W, iw, horizontal);
    l.ny = tileCount(H, ih, vertical);
    if (l.nx * l.ny > kMaxTiles) {
        if (!reportedCap_)
            TNLogStdout("SGSpriteNode: tiling a %gx%g sprite with a %dx%d image capped at %d tiles", W, H, iw, ih,
                        kMaxTiles);
        reportedCap_ = true;
        l.nx = std::min(l.nx, static_cast<long>(kMaxTiles));
        l.ny = std::min(l.ny, kMaxTiles / l.nx);
    }

    // Crop centres at most the image's size on the position; the other modes
    // start at the sprite's lower-left corner.
    const float hw = W * 0.5f;
    const float hh = H * 0.5f;
    const int hx = iw / 2;
    const int hy = ih / 2;
    l.ox = horizontal == SGWrapCrop ? std::fmin(static_cast<float>(hx), hw) : hw;
    l.oy = vertical == SGWrapCrop ? std::fmin(static_cast<float>(hy), hh) : hh;

    // A crop never starts beyond the image (a negative size would ask for that).
    l.uStart = horizontal == SGWrapCrop ? std::min(truncToInt(std::fmax(0.0f, hx - hw)), hx) : 0;
    l.vStart = vertical == SGWrapCrop ? std::min(truncToInt(std::fmax(0.0f, hy - hh)), hy) : 0;
    return l;
}

template <typename EmitQuad>
void SGWrapTexturedSpriteRenderer::forEachTile(const SGImage& image, const Layout& l, float W, float H,
                                               SGWrapMode horizontal, SGWrapMode vertical, EmitQuad emit)
{
    const int iw = image.width;
    const int ih = image.height;
    for (long i = 0; i < l.nx; ++i) {
        const float px = static_cast<float>(i * iw);
        const float qw = horizontal == SGWrapStretch ? W : std::fmin(W - px, static_cast<float>(iw));
        const int su = horizontal == SGWrapStretch ? iw : truncToInt(std::fmin(static_cast<float>(iw), W - px));
        for (long j = 0; j < l.ny; ++j) {
            const float py = static_cast<float>(j * ih);
            const float qh = vertical == SGWrapStretch ? H : std::fmin(H - py, static_cast<float>(ih));
            const int sv = vertical == SGWrapStretch ? ih : truncToInt(std::fmin(static_cast<float>(ih), H - py));
            emit(px, py, qw, qh, l.uStart, l.vStart, l.uStart + su, l.vStart + sv);
        }
    }
}

void SGWrapTexturedSpriteRenderer::drawSprite(const SGImage& image, const float& width, const float& height,
                                              const float& x, const float& y, const float& angle,
                                              const SGWrapMode& horizontal, const SGWrapMode& vertical)
{
    const Layout l = layout(image, width, height, horizontal, vertical);
    glEnable(GL_TEXTURE_RECTANGLE_ARB);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, image.texture);
    glPushMatrix();
    glTranslatef(std::floor(x), std::floor(y), 0.0f);
    glRotatef(angle, 0.0f, 0.0f, 1.0f);
    glTranslatef(-l.ox, -l.oy, 0.0f);
    glBegin(GL_QUADS);
    forEachTile(image, l, width, height, horizontal, vertical,
                [](float px, float py, float qw, float qh, int u0, int v0, int u1, int v1) {
                    glTexCoord2i(u0, v0);
                    glVertex2f(px, py);
                    glTexCoord2i(u1, v0);
                    glVertex2f(px + qw, py);
                    glTexCoord2i(u1, v1);
                    glVertex2f(px + qw, py + qh);
                    glTexCoord2i(u0, v1);
                    glVertex2f(px, py + qh);
                });
    glEnd();
    glPopMatrix();
}

void SGWrapTexturedSpriteRenderer::batchSprite(SGQuadBatch& batch, const SGImage& image, float width, float height,
                                               float x, float y, float angle, SGWrapMode horizontal,
                                               SGWrapMode vertical)
{
    const Layout l = layout(image, width, height, horizontal, vertical);
    batch.setTransform(std::floor(x), std::floor(y), angle, -l.ox, -l.oy);
    forEachTile(image, l, width, height, horizontal, vertical,
                [&batch](float px, float py, float qw, float qh, int u0, int v0, int u1, int v1) {
                    const float xs[4] = {px, px + qw, px + qw, px};
                    const float ys[4] = {py, py, py + qh, py + qh};
                    const float us[4] = {static_cast<float>(u0), static_cast<float>(u1), static_cast<float>(u1),
                                         static_cast<float>(u0)};
                    const float vs[4] = {static_cast<float>(v0), static_cast<float>(v0), static_cast<float>(v1),
                                         static_cast<float>(v1)};
                    batch.addQuad(xs, ys, us, vs);
                });
}
