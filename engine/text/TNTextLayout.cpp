#include "text/TNTextLayout.h"

#include <cairo.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-font.h>
#include <pango/pangofc-fontmap.h>

#include <cmath>

#include "log/TNLog.h"
#include "text/TNFontConfiguration.h"

namespace {

struct FamilyName {
    const char* fontName;
    const char* family;
};

// PostScript names the authoring side uses, by family. The player's font
// configuration binds the families to the fonts it carries.
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

// Grey antialiasing, outlines and metrics not hinted, so sizes do not
// depend on where the text is drawn and glyphs keep their designed shapes.
void setFontOptions(PangoContext* context)
{
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(context, FALSE);
}

// A font map on the player's font configuration, one per thread (Pango's
// font maps are not shared between threads); the system's when the player
// has no configuration.
PangoFontMap* fontMapForThisThread()
{
    struct ThreadFontMap {
        PangoFontMap* map = nullptr;
        ~ThreadFontMap()
        {
            if (map)
                g_object_unref(map);
        }
    };
    thread_local ThreadFontMap holder;
    if (holder.map)
        return holder.map;
    FcConfig* config = TNFontConfiguration::shared();
    if (!config)
        return pango_cairo_font_map_get_default();
    holder.map = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
    if (!holder.map || !PANGO_IS_FC_FONT_MAP(holder.map)) {
        TNLog("text: Pango has no fontconfig font map; the system's fonts are used");
        if (holder.map)
            g_object_unref(holder.map);
        holder.map = nullptr;
        return pango_cairo_font_map_get_default();
    }
    pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(holder.map), config);
    return holder.map;
}

// The font of the first glyph run of the layout's first line.
PangoFont* firstFont(PangoLayout* layout)
{
    PangoLayoutLine* line = layout ? pango_layout_get_line_readonly(layout, 0) : nullptr;
    if (!line || !line->runs)
        return nullptr;
    const auto* run = static_cast<const PangoGlyphItem*>(line->runs->data);
    return run->item ? run->item->analysis.font : nullptr;
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
    context_ = pango_font_map_create_context(fontMapForThisThread());
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

std::string TNTextLayout::fontFamily() const
{
    PangoFont* font = firstFont(layout_);
    if (!font)
        return std::string();
    PangoFontDescription* description = pango_font_describe(font);
    const char* family = pango_font_description_get_family(description);
    std::string result = family ? family : "";
    pango_font_description_free(description);
    return result;
}

std::string TNTextLayout::fontFile() const
{
    PangoFont* font = firstFont(layout_);
    if (!font || !PANGO_IS_FC_FONT(font))
        return std::string();
    FcChar8* file = nullptr;
    if (FcPatternGetString(pango_fc_font_get_pattern(PANGO_FC_FONT(font)), FC_FILE, 0, &file) != FcResultMatch)
        return std::string();
    return reinterpret_cast<const char*>(file);
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
