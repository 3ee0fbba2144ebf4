#include "text/TNImageFromString.h"

#include "text/StringTexture.h"

namespace {

TNTextLayoutAlignment layoutAlignment(TNTextAlignment alignment)
{
    switch (alignment) {
    case 0:
        return TNTextLayoutAlignment::Left;
    case 2:
        return TNTextLayoutAlignment::Right;
    default:
        return TNTextLayoutAlignment::Center;
    }
}

}  // namespace

SGImage TNImageFromString(const char* text, const char* fontDisplayName, float size, TNTextAlignment alignment)
{
    const char* fontName = StringTexture::fontNameForDisplayName(fontDisplayName ? fontDisplayName : "");
    if (!fontName)
        fontName = "ArialMT";
    StringTexture texture(text ? text : "", fontName, size, layoutAlignment(alignment));
    texture.genTexture();

    SGImage image = SGImageNull;
    image.texture = texture.texName();
    image.width = static_cast<int32_t>(texture.texWidth());
    image.height = static_cast<int32_t>(texture.texHeight());
    image.floatWidth = 1.0f;
    image.floatHeight = 1.0f;
    image.premultipliedAlpha = 0;
    return image;
}
