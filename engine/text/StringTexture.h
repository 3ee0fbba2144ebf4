// A string drawn into an OpenGL rectangle texture: white (or coloured)
// antialiased text on a transparent background, with margins around it,
// optionally over a filled box and inside a border. The texture outlives
// the object: whoever takes texName() owns it.
#ifndef STRING_TEXTURE_H
#define STRING_TEXTURE_H

#include <cstdint>
#include <string>
#include <vector>

#include "text/TNTextLayout.h"

typedef void* SDL_GLContext;

// An 8-bit RGBA bitmap, rows from the top. Text bitmaps hold the colour as
// drawn, premultiplied by alpha.
struct TNBitmap {
    int width = 0;
    int height = 0;
    int bytesPerRow = 0;
    int bitsPerPixel = 32;
    std::vector<uint8_t> data;
};

class StringTexture {
public:
    // The font name of a display name the authoring side offers ("Arial"
    // gives "ArialMT"); null when the name is not one of them.
    static const char* fontNameForDisplayName(const std::string& displayName);

    // White text in the font of that name and size, aligned as given, on a
    // clear background.
    StringTexture(const std::string& text, const std::string& fontName, double pointSize,
                  TNTextLayoutAlignment alignment);
    StringTexture(const std::string& text, const TNTextAttributes& attributes, const TNTextColor& textColor,
                  const TNTextColor& boxColor, const TNTextColor& borderColor);
    // Opaque white text colour, box and border clear.
    StringTexture(const std::string& text, const TNTextAttributes& attributes);
    explicit StringTexture(const TNAttributedString& string);
    StringTexture(const TNAttributedString& string, const TNTextColor& textColor, const TNTextColor& boxColor,
                  const TNTextColor& borderColor);
    StringTexture(const StringTexture&) = delete;
    StringTexture& operator=(const StringTexture&) = delete;

    // Draws the frame into a bitmap and uploads it as a new texture in the
    // current GL context (replacing this object's previous texture).
    void genTexture();
    // Deletes the texture, when it was made in the context current now.
    void deleteTexture();
    // Draws the texture (made first if needed) as one quad.
    void drawWithBounds(float x, float y, float width, float height);
    void drawAtPoint(float x, float y);

    void setMargins(double horizontal, double vertical);
    void useStaticFrame(double width, double height);
    void useDynamicFrame();

    unsigned texName() const { return texName_; }
    TNTextSize texSize() const { return texSize_; }
    float texWidth() const { return static_cast<float>(texSize_.width); }
    float texHeight() const { return static_cast<float>(texSize_.height); }
    const TNTextColor& textColor() const { return textColor_; }
    const TNTextColor& boxColor() const { return boxColor_; }
    const TNTextColor& borderColor() const { return borderColor_; }
    bool staticFrame() const { return staticFrame_; }
    TNTextSize marginSize() const { return marginSize_; }
    // The frame; a dynamic frame is measured from the string when unset.
    TNTextSize frameSize();

    // The frame drawn as genTexture uploads it: row 0 holds the bottom of
    // the frame. Empty (0 x 0) when the string cannot be drawn or the
    // frame is empty or larger than maxSide pixels on a side.
    TNBitmap drawBitmap(int maxSide);

private:
    static int maxTextureSide();

    TNAttributedString string_;
    SDL_GLContext cgl_ctx_ = nullptr;
    unsigned texName_ = 0;
    TNTextSize texSize_;
    TNTextColor textColor_;
    TNTextColor boxColor_;
    TNTextColor borderColor_;
    bool staticFrame_ = false;
    TNTextSize marginSize_{4.0, 2.0};
    TNTextSize frameSize_;
};

#endif
