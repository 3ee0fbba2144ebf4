// A render node that draws one rectangle centred on (x, y): its image, or a
// plain coloured quad without one, tinted, rotated, blended by one of the
// blend modes, and for images stretched, cropped or tiled per axis. Port
// values are cached while the node is dirty; clean frames redraw the cache.
#ifndef SG_SPRITE_NODE_H
#define SG_SPRITE_NODE_H

#include <cstdint>

#include "scenegraph/nodes/SGRenderNode.h"
#include "scenegraph/drawing/SGSpriteDrawing.h"
#include "scenegraph/ports/SGValuePort.h"

class SGSpriteRenderer;

class SGSpriteNode : public SGRenderNode {
public:
    SGSpriteNode();
    ~SGSpriteNode() override;

    void compute() override;
    SGPort* portForID(SGPortID id) override;

    // Replaces the renderer by the one the cached image and wrap modes need:
    // coloured without an image, plain textured without wrapping, else the
    // wrapping one.
    void createRenderer();

    // The values drawn, read from the ports while the node is dirty.
    SGSpriteRenderer* renderer = nullptr;  // owned
    SGImage image = SGImageNull;
    int32_t premultiplied = 0;
    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
    float angle = 0.0f;
    SGColor color = SGWhiteColor;  // premultiplied by alpha when premultiplied is set
    SGBlendMode blendingMode = SGBlendNormal;
    SGWrapMode horizontalWrapping = SGWrapStretch;
    SGWrapMode verticalWrapping = SGWrapStretch;

    // The ports follow the cache, those a moving sprite changes every frame
    // first: drawing it then touches a few neighbouring cache lines.
    SGNumberPort xPort;
    SGNumberPort yPort;
    SGNumberPort anglePort;
    SGColorPort colorPort;
    SGNumberPort widthPort;
    SGNumberPort heightPort;
    SGImagePort imagePort;
    SGIntegerPort blendingModePort;
    SGIntegerPort horizontalWrappingPort;
    SGIntegerPort verticalWrappingPort;

private:
    // Reads the inputs changed since the last read into the cache and picks
    // the renderer.
    void readPorts();
    void readColorAndImage();
};

#endif
