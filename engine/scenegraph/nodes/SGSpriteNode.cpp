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
    // Every frame of a moving sprite comes here: the ports are read in their
    // own types without a virtual call each.
    color = colorPort.inputValue();
    const bool hadImage = image.isPresent();
    image = imagePort.inputValue();
    x = xPort.inputValue();
    y = yPort.inputValue();
    width = widthPort.inputValue();
    height = heightPort.inputValue();
    angle = anglePort.inputValue();
    blendingMode = blendingModePort.inputValue();
    horizontalWrapping = horizontalWrappingPort.inputValue();
    verticalWrapping = verticalWrappingPort.inputValue();

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
