// Collects the quads of sprites and particles in client-side arrays and draws
// them with few calls, giving exactly the pixels that drawing each quad on its
// own through the matrix stack gives. Every corner is taken to clip
// coordinates on the CPU with the single-precision operations, in the order,
// that the GL's matrix stack and fixed-function vertex stage use, and drawn
// with identity matrices, so the rasteriser sees the same numbers.
//
// A batch is drawn when the texture or blend function changes, when a quad
// reaches outside the clip volume (it is drawn on its own, as clipping a quad
// inside a larger draw can change its pixels by one level), and whenever
// flush() is called: before anything else touches GL state or the matrices.
#ifndef SG_QUAD_BATCH_H
#define SG_QUAD_BATCH_H

#include <cstdint>
#include <vector>

#include "scenegraph/SGColor.h"

class SGQuadBatch {
public:
    // The batch every drawing node of the calling thread shares (each render
    // thread draws with its own context).
    static SGQuadBatch& shared();

    // True unless the environment sets TERN_IMMEDIATE_DRAWING to a non-empty
    // value other than "0", or setEnabled(false) was called.
    static bool enabled() { return enabled_; }
    static void setEnabled(bool on) { enabled_ = on; }

    // A space's drawing pass: quads are collected only inside one, so a node
    // drawn from anywhere else draws at once. endPass() flushes.
    void beginPass() { ++passes_; }
    void endPass();
    bool collecting() const { return passes_ > 0; }

    // Selects texturing (with the rectangle texture when textured), blend
    // factors and colour for the quads that follow; draws the collected quads
    // first when texturing or blending differ.
    void setState(bool textured, uint32_t texture, uint32_t blendSource, uint32_t blendDestination,
                  const SGColor& color);

    // The placement of the quads that follow: the current matrices, then
    // translate (tx, ty), rotate by degrees about z, translate (ox, oy).
    void setTransform(float tx, float ty, float degrees, float ox, float oy);

    // Adds a quad with corners (x[i], y[i]) and texture coordinates (u[i], v[i]).
    void addQuad(const float x[4], const float y[4], const float u[4], const float v[4]);

    // Draws what is collected and forgets the matrices, which may change next.
    void flush();

    // Quads drawn and draw calls made since the last reset (for tests).
    uint64_t drawCalls() const { return drawCalls_; }
    void resetCounts() { drawCalls_ = 0; }

private:
    struct Vertex {
        float x, y, z, w;
        float u, v;
        float r, g, b, a;
    };

    void readMatrices();
    void draw();
    // Drawing runs with identity matrices and the three client arrays on;
    // the state the immediate path leaves comes back only at flush(), so
    // that draws following each other change nothing but what differs.
    void enterDrawingState();
    void leaveDrawingState();

    static bool enabled_;

    std::vector<Vertex> vertices_;
    bool haveMatrices_ = false;
    float projection_[16] = {};
    float modelview_[16] = {};
    float mvp_[16] = {};  // projection × placed modelview, column-major
    float degrees_ = 0.0f;  // the last angle, with its sine and cosine
    float sine_ = 0.0f;
    float cosine_ = 1.0f;
    bool textured_ = false;
    uint32_t texture_ = 0;
    uint32_t blendSource_ = 0;
    uint32_t blendDestination_ = 0;
    SGColor color_ = SGWhiteColor;
    bool haveState_ = false;
    bool drawingState_ = false;
    bool drawnStateKnown_ = false;  // the next three are what the GL has
    bool texturingOn_ = true;
    uint32_t drawnBlendSource_ = 0;
    uint32_t drawnBlendDestination_ = 0;
    SGColor lastColor_ = SGWhiteColor;  // the colour of the last quad drawn
    int passes_ = 0;
    uint64_t drawCalls_ = 0;
};

#endif
