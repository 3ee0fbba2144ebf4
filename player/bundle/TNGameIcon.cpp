#include "bundle/TNGameIcon.h"

#include <cairo.h>

#include <algorithm>

namespace {

constexpr double kPi = 3.14159265358979323846;

bool writeSurface(cairo_surface_t* icon, const std::string& iconPath, std::string& error)
{
    cairo_status_t status = cairo_surface_write_to_png(icon, iconPath.c_str());
    if (status != CAIRO_STATUS_SUCCESS) {
        error = "could not write the icon " + iconPath + ": " + cairo_status_to_string(status);
        return false;
    }
    return true;
}

// A rounded square filling the icon, lit from the top.
void drawBackground(cairo_t* cr, double size)
{
    double r = size * 0.18;
    cairo_new_sub_path(cr);
    cairo_arc(cr, size - r, r, r, -kPi / 2, 0);
    cairo_arc(cr, size - r, size - r, r, 0, kPi / 2);
    cairo_arc(cr, r, size - r, r, kPi / 2, kPi);
    cairo_arc(cr, r, r, r, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, size);
    cairo_pattern_add_color_stop_rgb(sky, 0, 0.16, 0.27, 0.49);
    cairo_pattern_add_color_stop_rgb(sky, 1, 0.93, 0.52, 0.33);
    cairo_set_source(cr, sky);
    cairo_fill(cr);
    cairo_pattern_destroy(sky);
}

// A gliding bird: two swept wings meeting at a small body.
void drawTern(cairo_t* cr, double size)
{
    double s = size / 256.0;
    cairo_move_to(cr, 28 * s, 118 * s);
    cairo_curve_to(cr, 78 * s, 92 * s, 112 * s, 104 * s, 128 * s, 142 * s);
    cairo_curve_to(cr, 144 * s, 104 * s, 178 * s, 92 * s, 228 * s, 118 * s);
    cairo_curve_to(cr, 184 * s, 112 * s, 150 * s, 128 * s, 132 * s, 170 * s);
    cairo_line_to(cr, 124 * s, 170 * s);
    cairo_curve_to(cr, 106 * s, 128 * s, 72 * s, 112 * s, 28 * s, 118 * s);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill(cr);
}

} // namespace

bool TNWriteIconFromPicture(const std::string& picturePath, const std::string& iconPath, std::string& error)
{
    cairo_surface_t* picture = cairo_image_surface_create_from_png(picturePath.c_str());
    if (cairo_surface_status(picture) != CAIRO_STATUS_SUCCESS) {
        error = "could not read the picture " + picturePath + " (a PNG is needed)";
        cairo_surface_destroy(picture);
        return false;
    }
    int width = cairo_image_surface_get_width(picture);
    int height = cairo_image_surface_get_height(picture);
    cairo_surface_t* icon = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kTNIconSize, kTNIconSize);
    cairo_t* cr = cairo_create(icon);
    double scale = double(kTNIconSize) / std::max(width, height);
    cairo_translate(cr, (kTNIconSize - width * scale) / 2, (kTNIconSize - height * scale) / 2);
    cairo_scale(cr, scale, scale);
    cairo_set_source_surface(cr, picture, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_destroy(cr);
    bool ok = writeSurface(icon, iconPath, error);
    cairo_surface_destroy(icon);
    cairo_surface_destroy(picture);
    return ok;
}

bool TNWritePlayerIcon(const std::string& iconPath, std::string& error)
{
    cairo_surface_t* icon = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kTNIconSize, kTNIconSize);
    cairo_t* cr = cairo_create(icon);
    drawBackground(cr, kTNIconSize);
    drawTern(cr, kTNIconSize);
    cairo_destroy(cr);
    bool ok = writeSurface(icon, iconPath, error);
    cairo_surface_destroy(icon);
    return ok;
}
