#include "scenegraph/nodes/SGStringToImageNode.h"

#include "text/TNImageFromString.h"

SGStringToImageNode::SGStringToImageNode()
{
    nodeClass |= SGStringToImageNodeClass;
    font.value = "LucidaGrande";
    fontSize.value = 12.0f;
    alignment.value = 1;
    addOutputPort(&image, IMAGE);
    addOutputPort(&width, NUMBER);
    addOutputPort(&height, NUMBER);
    addInputPort(&text, STRING);
    addInputPort(&font, STRING);
    addInputPort(&fontSize, NUMBER);
    addInputPort(&alignment, INTEGER);
}

SGStringToImageNode::~SGStringToImageNode()
{
    if (image.value.width > 0)
        image.value.freeImage();
}

// Draws the text again; the previous texture goes once the new one exists.
void SGStringToImageNode::compute()
{
    const std::string newText = text.stringValue();
    const float newSize = fontSize.numberValue();
    const TNTextAlignment newAlignment = alignment.intValue();
    const std::string newFont = font.stringValue();

    SGImage newImage = SGImageNull;
    if (!newText.empty() && !newFont.empty())
        newImage = TNImageFromString(newText.c_str(), newFont.c_str(), newSize, newAlignment);

    if (image.value.width > 0)
        image.value.freeImage();
    if (newImage.width < 1) {
        image.value = SGImageNull;
        width.value = 0.0f;
        height.value = 0.0f;
        return;
    }
    image.value = newImage;
    width.value = static_cast<float>(newImage.width) * newImage.floatWidth;
    height.value = static_cast<float>(newImage.height) * newImage.floatHeight;
}

SGPort* SGStringToImageNode::portForID(SGPortID id)
{
    switch (id) {
    case SGPortID_image: return &image;
    case SGPortID_width: return &width;
    case SGPortID_height: return &height;
    case SGPortID_text: return &text;
    case SGPortID_font: return &font;
    case SGPortID_fontSize: return &fontSize;
    case SGPortID_alignment: return &alignment;
    default: return nullptr;
    }
}
