// Text layout and drawing with Pango and Cairo: an attributed string (text,
// font, colour, alignment), its measured size, and drawing it into a Cairo
// surface. One point is one pixel; antialiasing is grey and neither outlines
// nor metrics are hinted, so a string measures the same wherever it is
// drawn. Fonts come from the player's own configuration (TNFontConfiguration).
#ifndef TN_TEXT_LAYOUT_H
#define TN_TEXT_LAYOUT_H

#include <optional>
#include <string>

typedef struct _cairo cairo_t;
typedef struct _PangoContext PangoContext;
typedef struct _PangoLayout PangoLayout;

enum class TNTextLayoutAlignment { Left, Center, Right };

struct TNTextColor {
    double red = 0, green = 0, blue = 0, alpha = 0;
};

struct TNTextSize {
    double width = 0, height = 0;
};

struct TNTextAttributes {
    std::string fontName;  // a font name ("ArialMT") or family ("Liberation Sans")
    double pointSize = 12.0;
    std::optional<TNTextColor> foreground;  // when unset, the colour draw() is given
    TNTextLayoutAlignment alignment = TNTextLayoutAlignment::Center;
};

struct TNAttributedString {
    std::string text;  // UTF-8
    TNTextAttributes attributes;
};

class TNTextLayout {
public:
    // The largest point size laid out; larger text could not fit a texture.
    static constexpr double kMaxPointSize = 16384.0;

    explicit TNTextLayout(const TNAttributedString& string);
    ~TNTextLayout();
    TNTextLayout(const TNTextLayout&) = delete;
    TNTextLayout& operator=(const TNTextLayout&) = delete;

    // False when the string cannot be laid out (text that is not UTF-8, a
    // point size that is not a positive number up to kMaxPointSize); such a
    // layout measures (0, 0) and draws nothing.
    bool isValid() const { return layout_ != nullptr; }
    // The logical size of the laid-out lines in pixels.
    TNTextSize size() const { return size_; }
    // The family and the file of the font the text begins in, as resolved
    // for this layout; empty when the layout is not valid or has no text.
    std::string fontFamily() const;
    std::string fontFile() const;
    // Draws the lines with their top left at (x, y) of cr's user space, in
    // the string's foreground colour or else in colour; lines are aligned
    // within the width of the widest one.
    void draw(cairo_t* cr, double x, double y, const TNTextColor& colour) const;

    // The font family fontconfig is asked for, with sans-serif after it for
    // names no font has: PostScript names of the common fonts ("ArialMT")
    // become their family names ("Arial"), which the player's font
    // configuration binds to the fonts it carries.
    static std::string familyForFontName(const std::string& fontName);

private:
    TNAttributedString string_;
    PangoContext* context_ = nullptr;
    PangoLayout* layout_ = nullptr;
    TNTextSize size_;
};

#endif
