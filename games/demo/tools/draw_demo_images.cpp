// Draws the demo game's pictures with Cairo and writes them as PNG files:
// draw_demo_images OUTPUT_DIR writes OUTPUT_DIR/images/*.png and
// OUTPUT_DIR/Default.png (the loading picture of the bundle).
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "log/TNLog.h"

namespace {

struct Canvas {
    cairo_surface_t* surface;
    cairo_t* cr;
};

Canvas makeCanvas(int width, int height)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    return {surface, cairo_create(surface)};
}

bool save(Canvas canvas, const std::string& path)
{
    cairo_destroy(canvas.cr);
    const cairo_status_t status = cairo_surface_write_to_png(canvas.surface, path.c_str());
    cairo_surface_destroy(canvas.surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        TNLog("draw_demo_images: cannot write %s: %s", path.c_str(), cairo_status_to_string(status));
        return false;
    }
    return true;
}

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r)
{
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

// A tileable field of stars on a dark blue night (drawn by a fixed
// sequence, so every build makes the same bytes).
bool drawStars(const std::string& path)
{
    const int size = 128;
    Canvas c = makeCanvas(size, size);
    cairo_set_source_rgb(c.cr, 0.06, 0.08, 0.18);
    cairo_paint(c.cr);
    unsigned seed = 12345;
    auto next = [&seed] { seed = seed * 1103515245u + 12345u; return (seed >> 8) & 0xffff; };
    for (int i = 0; i < 40; ++i) {
        const double x = next() % size, y = next() % size;
        const double r = 0.4 + (next() % 100) / 80.0;
        const double light = 0.5 + (next() % 100) / 200.0;
        cairo_set_source_rgb(c.cr, light, light, 0.8 + light * 0.2);
        // drawn at the neighbouring tile positions too, so the tile repeats seamlessly
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy) {
                cairo_arc(c.cr, x + dx * size, y + dy * size, r, 0, 2 * M_PI);
                cairo_fill(c.cr);
            }
    }
    return save(c, path);
}

bool drawPaddle(const std::string& path)
{
    Canvas c = makeCanvas(72, 12);
    cairo_pattern_t* shade = cairo_pattern_create_linear(0, 0, 0, 12);
    cairo_pattern_add_color_stop_rgb(shade, 0, 0.85, 0.92, 1.0);
    cairo_pattern_add_color_stop_rgb(shade, 1, 0.35, 0.5, 0.9);
    roundedRect(c.cr, 0, 0, 72, 12, 6);
    cairo_set_source(c.cr, shade);
    cairo_fill(c.cr);
    cairo_pattern_destroy(shade);
    return save(c, path);
}

// A round blob lit from the top left; used for the ball and the sparks.
bool drawBlob(const std::string& path, int size, double r, double g, double b, bool soft)
{
    Canvas c = makeCanvas(size, size);
    const double half = size / 2.0;
    cairo_pattern_t* shade = soft ? cairo_pattern_create_radial(half, half, 0, half, half, half)
                                  : cairo_pattern_create_radial(half * 0.7, half * 0.7, 0, half, half, half);
    cairo_pattern_add_color_stop_rgba(shade, 0, 1, 1, 1, 1);
    cairo_pattern_add_color_stop_rgba(shade, soft ? 0.4 : 0.8, r, g, b, soft ? 0.6 : 1);
    cairo_pattern_add_color_stop_rgba(shade, 1, r * 0.6, g * 0.6, b * 0.6, soft ? 0 : 1);
    cairo_arc(c.cr, half, half, half, 0, 2 * M_PI);
    cairo_set_source(c.cr, shade);
    cairo_fill(c.cr);
    cairo_pattern_destroy(shade);
    return save(c, path);
}

// A light grey brick with a bevel; the game tints each row.
bool drawBrick(const std::string& path)
{
    Canvas c = makeCanvas(48, 16);
    cairo_set_source_rgb(c.cr, 0.75, 0.75, 0.75);
    cairo_paint(c.cr);
    cairo_set_source_rgb(c.cr, 1, 1, 1);
    cairo_rectangle(c.cr, 0, 0, 48, 3);
    cairo_rectangle(c.cr, 0, 0, 3, 16);
    cairo_fill(c.cr);
    cairo_set_source_rgb(c.cr, 0.45, 0.45, 0.45);
    cairo_rectangle(c.cr, 0, 13, 48, 3);
    cairo_rectangle(c.cr, 45, 0, 3, 16);
    cairo_fill(c.cr);
    return save(c, path);
}

// The loading picture: the game's name over the night sky.
bool drawDefault(const std::string& path)
{
    Canvas c = makeCanvas(480, 320);
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, 320);
    cairo_pattern_add_color_stop_rgb(sky, 0, 0.02, 0.03, 0.1);
    cairo_pattern_add_color_stop_rgb(sky, 1, 0.1, 0.14, 0.3);
    cairo_set_source(c.cr, sky);
    cairo_paint(c.cr);
    cairo_pattern_destroy(sky);
    const double colors[4][3] = {{1, 0.35, 0.35}, {1, 0.63, 0.25}, {1, 0.88, 0.38}, {0.38, 0.82, 0.5}};
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 8; ++col) {
            cairo_set_source_rgb(c.cr, colors[row][0], colors[row][1], colors[row][2]);
            cairo_rectangle(c.cr, 34 + col * 52, 60 + row * 20, 48, 16);
            cairo_fill(c.cr);
        }
    cairo_select_font_face(c.cr, "Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(c.cr, 40);
    cairo_text_extents_t extents;
    cairo_text_extents(c.cr, "TERN BREAKOUT", &extents);
    cairo_move_to(c.cr, 240 - extents.width / 2 - extents.x_bearing, 230);
    cairo_set_source_rgb(c.cr, 1, 0.91, 0.63);
    cairo_show_text(c.cr, "TERN BREAKOUT");
    cairo_set_source_rgb(c.cr, 0.88, 0.91, 1);
    roundedRect(c.cr, 204, 280, 72, 12, 6);
    cairo_fill(c.cr);
    return save(c, path);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw_demo_images OUTPUT_DIR\n");
        return 2;
    }
    const std::string out = argv[1];
    const std::string images = out + "/images/";
    bool ok = drawStars(images + "stars.png");
    ok = drawPaddle(images + "paddle.png") && ok;
    ok = drawBlob(images + "ball.png", 16, 0.9, 0.95, 1.0, false) && ok;
    ok = drawBlob(images + "spark.png", 16, 1.0, 0.8, 0.3, true) && ok;
    ok = drawBrick(images + "brick.png") && ok;
    ok = drawDefault(out + "/Default.png") && ok;
    return ok ? 0 : 1;
}
