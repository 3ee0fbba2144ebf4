#include "scenegraph/nodes/SGSpriteNode.h"

#include "scenegraph/drawing/SGColoredSpriteRenderer.h"
#include "scenegraph/drawing/SGQuadBatch.h"
#include "scenegraph/drawing/SGTexturedSpriteRenderer.h"
#include "scenegraph/drawing/SGWrapTexturedSpriteRenderer.h"

SGSpriteNode::SGSpriteNode()
{
    nodeClass |= SGSpriteNodeClass;
    addInputPort(&colorPort, COLOR);
    addInputPort(&imagePort, IMAGE);
    addInputPort(&xPort, NUMBER);
    addInputPort(&yPort, NUMBER);
    addInputPort(&widthPort, NUMBER);
    addInputPort(&heightPort, NUMBER);
    addInputPort(&anglePort, NUMBER);
    addInputPort(&blendingModePort, INTEGER);
    addInputPort(&horizontalWrappingPort, INTEGER);
    addInputPort(&verticalWrappingPort, INTEGER);
}

SGSpriteNode::~SGSpriteNode()
{
    delete renderer;
}

SGPort* SGSpriteNode::portForID(SGPortID id)
{
    switch (id) {
    case SGPortID_color: return &colorPort;
    case SGPortID_image: return &imagePort;
    case SGPortID_x: return &xPort;
    case SGPortID_y: return &yPort;
    case SGPortID_width: return &widthPort;
    case SGPortID_height: return &heightPort;
    case SGPortID_angle: return &anglePort;
    case SGPortID_blendingMode: return &blendingModePort;
    case SGPortID_horizontalWrapping: return &horizontalWrappingPort;
    case SGPortID_verticalWrapping: return &verticalWrappingPort;
    default: return nullptr;
    }
}

void SGSpriteNode::createRenderer()
{
    delete renderer;
    if (!image.isPresent())
        renderer = new SGColoredSpriteRenderer();
    else if (horizontalWrapping == SGWrapStretch && verticalWrapping == SGWrapStretch)
        renderer = new SGTexturedSpriteRenderer();
    else
        renderer = new SGWrapTexturedSpriteRenderer();
}

void SGSpriteNode::readPorts()
{
    // A moving sprite comes here every frame: only the inputs that may have
    // changed since the last read are read again (every one the first time),
    // each in its own type without a virtual call.
    uint16_t changed = changedInputs;
    changedInputs = 0;
    if (!renderer || changed == 0)
        changed = UINT16_MAX;
    const auto take = [changed](auto& port, auto& field) {
        if (changed & port.inputBit)
            field = port.inputValue();
    };
    take(xPort, x);
    take(yPort, y);
    take(widthPort, width);
    take(heightPort, height);
    take(anglePort, angle);
    take(blendingModePort, blendingMode);
    take(horizontalWrappingPort, horizontalWrapping);
    take(verticalWrappingPort, verticalWrapping);
    // The cached colour is premultiplied by the image's choice: the two are
    // read together.
    if ((changed & (colorPort.inputBit | imagePort.inputBit)) != 0)
        readColorAndImage();
}

void SGSpriteNode::readColorAndImage()
{
    color = colorPort.inputValue();
    const bool hadImage = image.isPresent();
    image = imagePort.inputValue();

    // A change of wrap modes alone keeps the renderer: only gaining or losing
    // the image replaces it.
    if (!renderer || hadImage != image.isPresent())
        createRenderer();

    premultiplied = image.isPresent() && image.premultipliedAlpha != 0;
    if (premultiplied) {
        color.r *= color.a;
        color.g *= color.a;
        color.b *= color.a;
    }
}

void SGSpriteNode::compute()
{
    // A node brought up to date through update() arrives here clean but may
    // never have read its ports.
    if (dirty || !renderer) {
        dirty = false;
        readPorts();
    }
    SGQuadBatch& batch = SGQuadBatch::shared();
    if (SGQuadBatch::enabled() && batch.collecting()) {
        const SGBlendFactors blend = SGBlendFactorsFor(blendingMode, premultiplied);
        batch.setState(image.isPresent(), image.texture, blend.source, blend.destination,
                       SGDrawingColor(color, premultiplied != 0));
        renderer->batchSprite(batch, image, width, height, x, y, angle, horizontalWrapping, verticalWrapping);
        return;
    }
    // The whole per-sprite GL sequence: colour, blend, quad(s), blend restore.
    SGSetColor(color, premultiplied != 0);
    SGSetBlendMode(blendingMode, premultiplied);
    renderer->drawSprite(image, width, height, x, y, angle, horizontalWrapping, verticalWrapping);
    SGRestoreBlendMode();
}
