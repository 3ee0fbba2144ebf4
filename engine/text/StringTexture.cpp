#include "text/StringTexture.h"

#include <SDL_video.h>
#include <cairo.h>

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <map>

#include "images/TNGLError.h"
#include "log/TNLog.h"

namespace {

const TNTextColor kOpaqueWhite{1, 1, 1, 1};
const TNTextColor kClearWhite{1, 1, 1, 0};
const TNTextColor kClear{0, 0, 0, 0};

// The side a texture may have when no GL context can tell.
constexpr int kDefaultMaxSide = 8192;

TNTextAttributes attributesFor(const std::string& fontName, double pointSize, TNTextLayoutAlignment alignment)
{
    TNTextAttributes attributes;
    attributes.fontName = fontName;
    attributes.pointSize = pointSize;
    attributes.foreground = kOpaqueWhite;
    attributes.alignment = alignment;
    return attributes;
}

// Cairo's pixels (native-endian ARGB words) as RGBA bytes. The colour stays
// premultiplied by alpha, as drawn: the text image says it is not (its
// premultipliedAlpha is 0), so a sprite blends the edges with alpha applied
// twice, the thinner edges the games were made with.
void copyAsRGBA(cairo_surface_t* surface, TNBitmap& bitmap)
{
    cairo_surface_flush(surface);
    const unsigned char* source = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    bitmap.bitsPerPixel = 32;
    bitmap.bytesPerRow = bitmap.width * 4;
    bitmap.data.assign(static_cast<size_t>(bitmap.bytesPerRow) * bitmap.height, 0);
    for (int y = 0; y < bitmap.height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(source + static_cast<size_t>(y) * stride);
        uint8_t* out = bitmap.data.data() + static_cast<size_t>(y) * bitmap.bytesPerRow;
        for (int x = 0; x < bitmap.width; ++x, out += 4) {
            const uint32_t pixel = row[x];
            out[0] = static_cast<uint8_t>(pixel >> 16);
            out[1] = static_cast<uint8_t>(pixel >> 8);
            out[2] = static_cast<uint8_t>(pixel);
            out[3] = static_cast<uint8_t>(pixel >> 24);
        }
    }
}

}  // namespace

const char* StringTexture::fontNameForDisplayName(const std::string& displayName)
{
    static const std::map<std::string, const char*> fontNames = {
        {"Arial", "ArialMT"},
        {"Courier New", "CourierNewPSMT"},
        {"Georgia", "Georgia"},
        {"Times New Roman", "TimesNewRomanPSMT"},
        {"Trebuchet MS", "TrebuchetMS"},
        {"Verdana", "Verdana"},
        {"Zapfino", "Zapfino"},
        {"Helvetica", "Helvetica"},
        {"Helvetica Neue", "Helvetica Neue"},
        {"American Typewriter", "American Typewriter"},
        {"Baskerville", "Baskerville"},
        {"Cochin", "Cochin"},
        {"Futura", "Futura"},
        {"Gill Sans", "Gill Sans"},
    };
    const auto found = fontNames.find(displayName);
    return found == fontNames.end() ? nullptr : found->second;
}

StringTexture::StringTexture(const std::string& text, const std::string& fontName, double pointSize,
                             TNTextLayoutAlignment alignment)
    : StringTexture(text, attributesFor(fontName, pointSize, alignment), kOpaqueWhite, kClear, kClear)
{
}

StringTexture::StringTexture(const std::string& text, const TNTextAttributes& attributes,
                             const TNTextColor& textColor, const TNTextColor& boxColor,
                             const TNTextColor& borderColor)
    : StringTexture(TNAttributedString{text, attributes}, textColor, boxColor, borderColor)
{
}

StringTexture::StringTexture(const std::string& text, const TNTextAttributes& attributes)
    : StringTexture(TNAttributedString{text, attributes}, kOpaqueWhite, kClearWhite, kClearWhite)
{
}

StringTexture::StringTexture(const TNAttributedString& string)
    : StringTexture(string, kOpaqueWhite, kClearWhite, kClearWhite)
{
}

StringTexture::StringTexture(const TNAttributedString& string, const TNTextColor& textColor,
                             const TNTextColor& boxColor, const TNTextColor& borderColor)
    : string_(string), textColor_(textColor), boxColor_(boxColor), borderColor_(borderColor)
{
}

TNTextSize StringTexture::frameSize()
{
    if (!staticFrame_ && frameSize_.width == 0 && frameSize_.height == 0) {
        const TNTextSize measured = TNTextLayout(string_).size();
        frameSize_.width = measured.width + 2 * marginSize_.width;
        frameSize_.height = measured.height + 2 * marginSize_.height;
    }
    return frameSize_;
}

TNBitmap StringTexture::drawBitmap(int maxSide)
{
    TNBitmap bitmap;
    const TNTextLayout layout(string_);
    if (!layout.isValid())
        return bitmap;
    const TNTextSize frame = frameSize();
    if (!(frame.width >= 1 && frame.height >= 1))
        return bitmap;
    if (frame.width > maxSide || frame.height > maxSide) {
        TNLog("StringTexture: text of %.0f x %.0f pixels is larger than a texture (%d) and is not drawn",
                     frame.width, frame.height, maxSide);
        return bitmap;
    }
    bitmap.width = static_cast<int>(frame.width);
    bitmap.height = static_cast<int>(frame.height);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, bitmap.width, bitmap.height);
    cairo_t* cr = cairo_create(surface);
    // Mirrored, so that the first row of the bitmap holds the bottom of the frame.
    cairo_translate(cr, 0, frame.height);
    cairo_scale(cr, 1, -1);
    if (boxColor_.alpha != 0) {
        cairo_set_source_rgba(cr, boxColor_.red, boxColor_.green, boxColor_.blue, boxColor_.alpha);
        cairo_rectangle(cr, 0, 0, frame.width, frame.height);
        cairo_fill(cr);
    }
    if (borderColor_.alpha != 0) {
        cairo_set_source_rgba(cr, borderColor_.red, borderColor_.green, borderColor_.blue, borderColor_.alpha);
        cairo_set_line_width(cr, 1.0);
        cairo_rectangle(cr, 0.5, 0.5, frame.width - 1, frame.height - 1);
        cairo_stroke(cr);
    }
    layout.draw(cr, marginSize_.width, marginSize_.height, textColor_);
    cairo_destroy(cr);
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS)
        copyAsRGBA(surface, bitmap);
    else
        bitmap = TNBitmap();
    cairo_surface_destroy(surface);
    return bitmap;
}

int StringTexture::maxTextureSide()
{
    if (!SDL_GL_GetCurrentContext())
        return kDefaultMaxSide;
    GLint side = 0;
    glGetIntegerv(GL_MAX_RECTANGLE_TEXTURE_SIZE_ARB, &side);
    if (side <= 0)
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    glGetError();  // a context without rectangle textures answers with an error
    return side > 0 ? side : kDefaultMaxSide;
}

void StringTexture::genTexture()
{
    deleteTexture();
    const TNBitmap bitmap = drawBitmap(maxTextureSide());
    texSize_.width = bitmap.width;
    texSize_.height = bitmap.height;
    if (bitmap.width == 0)
        return;

    cgl_ctx_ = SDL_GL_GetCurrentContext();
    if (!cgl_ctx_) {
        TNLog("StringTexture -genTexture: Failure to get current OpenGL context");
        return;
    }
    glGenTextures(1, &texName_);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texName_);
    // The rectangle target's default sampling stays: linear, clamped to the edge.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, bitmap.bytesPerRow / (bitmap.bitsPerPixel / 8));
    CheckGLError("glPixelStorei");
    glTexImage2D(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGBA, bitmap.width, bitmap.height, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, bitmap.data.data());
    CheckGLError("glTexImage2D");
}

void StringTexture::deleteTexture()
{
    if (texName_ == 0 || !cgl_ctx_)
        return;
    if (SDL_GL_GetCurrentContext() == cgl_ctx_)
        glDeleteTextures(1, &texName_);
    else
        TNLog("StringTexture: texture %u is not deleted: its OpenGL context is not current", texName_);
    texName_ = 0;
    cgl_ctx_ = nullptr;
}

void StringTexture::drawWithBounds(float x, float y, float width, float height)
{
    if (texName_ == 0)
        genTexture();
    if (texName_ == 0)
        return;
    const float tw = texWidth();
    const float th = texHeight();
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texName_);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(x, y);
    glTexCoord2f(0, th);
    glVertex2f(x, y + height);
    glTexCoord2f(tw, th);
    glVertex2f(x + width, y + height);
    glTexCoord2f(tw, 0);
    glVertex2f(x + width, y);
    glEnd();
}

void StringTexture::drawAtPoint(float x, float y)
{
    // The size is known only once the texture exists.
    if (texName_ == 0)
        genTexture();
    drawWithBounds(x, y, texWidth(), texHeight());
}

void StringTexture::setMargins(double horizontal, double vertical)
{
    deleteTexture();
    marginSize_ = TNTextSize{horizontal, vertical};
    if (!staticFrame_)
        frameSize_ = TNTextSize{};
}

void StringTexture::useStaticFrame(double width, double height)
{
    deleteTexture();
    frameSize_ = TNTextSize{width, height};
    staticFrame_ = true;
}

void StringTexture::useDynamicFrame()
{
    if (!staticFrame_)
        return;
    deleteTexture();
    staticFrame_ = false;
    frameSize_ = TNTextSize{};
}
