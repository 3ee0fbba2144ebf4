#include "scenegraph/drawing/SGQuadBatch.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

bool immediateRequested()
{
    const char* value = std::getenv("TERN_IMMEDIATE_DRAWING");
    return value && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

// Matrices are column-major, as GL keeps them: element (row, column) is
// m[column * 4 + row].

// m = m × translation(x, y, 0), as glTranslatef updates the top matrix.
void translate(float m[16], float x, float y)
{
    const float z = 0.0f;
    for (int i = 0; i < 4; ++i)
        m[12 + i] = m[i] * x + m[4 + i] * y + m[8 + i] * z + m[12 + i];
}

// product = a × b, each element summed left to right as the GL does.
void multiply(float product[16], const float a[16], const float b[16])
{
    float p[16];
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            p[column * 4 + row] = a[row] * b[column * 4] + a[4 + row] * b[column * 4 + 1] +
                                  a[8 + row] * b[column * 4 + 2] + a[12 + row] * b[column * 4 + 3];
        }
    }
    std::memcpy(product, p, sizeof p);
}

// m = m × rotation about z by the angle whose sine and cosine are s and c,
// as glRotatef(degrees, 0, 0, 1) does.
void rotate(float m[16], float s, float c)
{
    const float r[16] = {c, s, 0.0f, 0.0f, -s, c, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    multiply(m, m, r);
}

// Row `row` of m applied to (x, y, 0, 1), summed as the vertex stage does.
float transformed(const float m[16], int row, float x, float y)
{
    const float z = 0.0f;
    const float w = 1.0f;
    return m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row] * w;
}

}  // namespace

bool SGQuadBatch::enabled_ = !immediateRequested();

SGQuadBatch& SGQuadBatch::shared()
{
    static thread_local SGQuadBatch batch;
    return batch;
}

void SGQuadBatch::setState(bool textured, uint32_t texture, uint32_t blendSource, uint32_t blendDestination,
                           const SGColor& color)
{
    if (haveState_ && (textured != textured_ || texture != texture_ || blendSource != blendSource_ || blendDestination != blendDestination_))
        draw();
    textured_ = textured;
    texture_ = texture;
    blendSource_ = blendSource;
    blendDestination_ = blendDestination;
    color_ = color;
    haveState_ = true;
}

void SGQuadBatch::readMatrices()
{
    glGetFloatv(GL_PROJECTION_MATRIX, projection_);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview_);
    haveMatrices_ = true;
}

void SGQuadBatch::setTransform(float tx, float ty, float degrees, float ox, float oy)
{
    if (!haveMatrices_)
        readMatrices();
    float m[16];
    std::memcpy(m, modelview_, sizeof m);
    translate(m, tx, ty);
    // Float sine and cosine of the angle converted to float radians, as the
    // GL computes them; neighbouring sprites often share their angle (compared
    // bit for bit, so -0 and NaN get their own).
    if (std::memcmp(&degrees, &degrees_, sizeof degrees) != 0) {
        const float radians = static_cast<float>(degrees * M_PI / 180.0);
        degrees_ = degrees;
        sine_ = sinf(radians);
        cosine_ = cosf(radians);
    }
    rotate(m, sine_, cosine_);
    translate(m, ox, oy);
    multiply(mvp_, projection_, m);
}

void SGQuadBatch::addQuad(const float x[4], const float y[4], const float u[4], const float v[4])
{
    Vertex quad[4];
    bool inside = true;
    for (int i = 0; i < 4; ++i) {
        Vertex& q = quad[i];
        q.x = transformed(mvp_, 0, x[i], y[i]);
        q.y = transformed(mvp_, 1, x[i], y[i]);
        q.z = transformed(mvp_, 2, x[i], y[i]);
        q.w = transformed(mvp_, 3, x[i], y[i]);
        q.u = u[i];
        q.v = v[i];
        q.r = color_.r;
        q.g = color_.g;
        q.b = color_.b;
        q.a = color_.a;
        // Not written as a negation, so NaN counts as outside.
        if (!(std::fabs(q.x) <= q.w && std::fabs(q.y) <= q.w && std::fabs(q.z) <= q.w))
            inside = false;
    }
    if (!inside)
        draw();
    vertices_.insert(vertices_.end(), quad, quad + 4);
    if (!inside)
        draw();
}

void SGQuadBatch::endPass()
{
    flush();
    if (passes_ > 0)
        --passes_;
}

void SGQuadBatch::flush()
{
    draw();
    leaveDrawingState();
    haveMatrices_ = false;
}

void SGQuadBatch::draw()
{
    if (vertices_.empty())
        return;
    if (!drawingState_)
        enterDrawingState();
    if (textured_)
        glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture_);
    if (!drawnStateKnown_ || textured_ != texturingOn_) {
        if (textured_)
            glEnable(GL_TEXTURE_RECTANGLE_ARB);
        else
            glDisable(GL_TEXTURE_RECTANGLE_ARB);
        texturingOn_ = textured_;
    }
    if (!drawnStateKnown_ || blendSource_ != drawnBlendSource_ || blendDestination_ != drawnBlendDestination_) {
        glBlendFunc(blendSource_, blendDestination_);
        drawnBlendSource_ = blendSource_;
        drawnBlendDestination_ = blendDestination_;
    }
    drawnStateKnown_ = true;
    const GLsizei stride = sizeof(Vertex);
    glVertexPointer(4, GL_FLOAT, stride, &vertices_[0].x);
    glTexCoordPointer(2, GL_FLOAT, stride, &vertices_[0].u);
    glColorPointer(4, GL_FLOAT, stride, &vertices_[0].r);
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(vertices_.size()));
    ++drawCalls_;
    vertices_.clear();
    lastColor_ = color_;
}

void SGQuadBatch::enterDrawingState()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    // Texturing and blending are whatever the caller left: the first draw
    // sets both.
    drawnStateKnown_ = false;
    drawingState_ = true;
}

void SGQuadBatch::leaveDrawingState()
{
    if (!drawingState_)
        return;
    // Leave the state the immediate path leaves: matrices as they were, the
    // last colour current, texturing on, normal alpha blending.
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(projection_);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(modelview_);
    if (!texturingOn_)
        glEnable(GL_TEXTURE_RECTANGLE_ARB);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(lastColor_.r, lastColor_.g, lastColor_.b, lastColor_.a);
    drawingState_ = false;
}
