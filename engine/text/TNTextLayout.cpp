#include "text/TNTextLayout.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cmath>

#include "log/TNLog.h"

namespace {

struct FamilyName {
    const char* fontName;
    const char* family;
};

// PostScript names the authoring side uses, by family. Fontconfig maps
// these families to metric-compatible fonts (Arial to Liberation Sans).
const FamilyName kFamilies[] = {
    {"ArialMT", "Arial"},
    {"CourierNewPSMT", "Courier New"},
    {"TimesNewRomanPSMT", "Times New Roman"},
    {"TrebuchetMS", "Trebuchet MS"},
};

PangoAlignment pangoAlignment(TNTextLayoutAlignment alignment)
{
    switch (alignment) {
    case TNTextLayoutAlignment::Left:
        return PANGO_ALIGN_LEFT;
    case TNTextLayoutAlignment::Right:
        return PANGO_ALIGN_RIGHT;
    case TNTextLayoutAlignment::Center:
        break;
    }
    return PANGO_ALIGN_CENTER;
}

// Grey antialiasing and unhinted metrics, so sizes do not depend on where
// the text is drawn.
void setFontOptions(PangoContext* context)
{
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(context, FALSE);
}

}  // namespace

std::string TNTextLayout::familyForFontName(const std::string& fontName)
{
    for (const FamilyName& entry : kFamilies) {
        if (fontName == entry.fontName)
            return entry.family;
    }
    return fontName;
}

TNTextLayout::TNTextLayout(const TNAttributedString& string) : string_(string)
{
    const double pointSize = string.attributes.pointSize;
    if (!(pointSize > 0 && pointSize <= kMaxPointSize))
        return;
    if (!g_utf8_validate(string.text.data(), static_cast<gssize>(string.text.size()), nullptr)) {
        TNLog("StringTexture: the text is not UTF-8 and is not drawn");
        return;
    }
    context_ = pango_font_map_create_context(pango_cairo_font_map_get_default());
    pango_cairo_context_set_resolution(context_, 72.0);  // one point is one pixel
    setFontOptions(context_);
    layout_ = pango_layout_new(context_);

    const std::string families = familyForFontName(string.attributes.fontName) + ",sans-serif";
    PangoFontDescription* font = pango_font_description_new();
    pango_font_description_set_family(font, families.c_str());
    pango_font_description_set_absolute_size(font, pointSize * PANGO_SCALE);
    pango_layout_set_font_description(layout_, font);
    pango_font_description_free(font);
    pango_layout_set_alignment(layout_, pangoAlignment(string.attributes.alignment));
    pango_layout_set_text(layout_, string.text.data(), static_cast<int>(string.text.size()));

    PangoRectangle logical{};
    pango_layout_get_extents(layout_, nullptr, &logical);
    size_.width = static_cast<double>(logical.width) / PANGO_SCALE;
    size_.height = static_cast<double>(logical.height) / PANGO_SCALE;
}

TNTextLayout::~TNTextLayout()
{
    if (layout_)
        g_object_unref(layout_);
    if (context_)
        g_object_unref(context_);
}

void TNTextLayout::draw(cairo_t* cr, double x, double y, const TNTextColor& textColour) const
{
    if (!layout_)
        return;
    const TNTextColor& colour = string_.attributes.foreground.value_or(textColour);
    cairo_save(cr);
    cairo_set_source_rgba(cr, colour.red, colour.green, colour.blue, colour.alpha);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout_);
    cairo_restore(cr);
}
