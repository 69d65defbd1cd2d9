// The figure surface: the drawing surface on cairo, writing the picture as
// a vector figure (SVG or PDF) for papers and slides, and the PNG writer of
// raster images.  Built only where cairo is found (the native command-line
// tools); the window program never uses it.
//
// How it draws what the renderers give it:
// - coordinates are picture pixels magnified `scale` times; a line runs
//   through the centres of its end pixels and is drawn as given (no end
//   pixel left out), one device unit wide for one-pixel pens and `width`
//   units for wider pens whatever the scale, so lines stay as thin as on
//   screen; dash patterns are those of the raster surface in device units;
// - consecutive line_to calls with one pen, each starting where the last
//   ended, become one path; a piece of such a path that ends inside one
//   device pixel of the last point drawn is left out (the path's own end
//   point is always kept), and so is the dot (a line from (x, y) to
//   (x + 1, y)) at a path's current end, whose pixel the path covers: a
//   line one pixel to the right counts as such a dot unless the next line
//   starts at its end;
// - lines wholly outside the page or the clip rectangle are left out;
// - text is real text in a bold sans-serif font (cairo's "Helvetica", or
//   what fontconfig puts in its place) with capitals as tall as the raster
//   surface's font's, on the same baseline.  cairo's SVG
//   output draws text as glyph outlines; each text of an SVG figure is
//   turned back into a <text> element, so that titles and labels can be
//   searched and edited.
#ifndef VOKA_CAIRO_SURFACE_H
#define VOKA_CAIRO_SURFACE_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "picture/defs.h"
#include "render/raster_surface.h"
#include "render/surface.h"

enum FigureFormat { FIGURE_SVG = 1, FIGURE_PDF = 2 };

// Largest and smallest magnification of a figure.
const double FIGURE_SCALE_MIN = 0.01;
const double FIGURE_SCALE_MAX = 100.0;

// A text of an SVG figure, kept for the <text> element: baseline start and
// size in device units, colour 0x00BBGGRR, the characters as drawn.
struct FigureText {
    double x;
    double y;
    double size;
    Colour colour;
    std::string text;
};

class CairoSurface : public Surface {
public:
    CairoSurface();
    ~CairoSurface() override;
    CairoSurface(const CairoSurface &) = delete;
    CairoSurface &operator=(const CairoSurface &) = delete;

    // Start a figure of the client rectangle `page` (device = logical +
    // origin, as on the raster surface), `scale` times larger, to be written
    // to `path` in `format`.  The surface then has the drawing state of a
    // fresh device context (black one-pixel pen, origin (0, 0), opaque white
    // background).  Returns 0, or -1 when the scale or page is out of range,
    // the temporary file next to `path` cannot be created or cairo fails;
    // nothing is left behind then.
    int open(const char *path, int format, PixelRect page, double scale);

    // Finish the figure and put it in place of `path`.  Returns 0, or -1 when
    // anything failed (nothing is left behind; an existing file at `path`
    // stays as it was).  Closing a surface that is not open returns -1.
    int close();

    void pen(int style, int width, Colour colour) override;
    void move_to(int32_t x, int32_t y) override;
    void line_to(int32_t x, int32_t y) override;
    void rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom,
                   Colour fill_colour) override;
    void fill_rect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                   Colour colour) override;
    // Also switches the background mode to transparent, as on the raster
    // surface.
    void text(int32_t x, int32_t y, const char *text, int length, Colour colour) override;
    void set_origin(int32_t x, int32_t y) override;

    // Background mode and colour for the gaps of dashed one-pixel pens, as
    // RasterSurface::set_background.
    void set_background(int opaque, Colour colour);

    // Limit drawing to the client rectangle `area`; nullptr lifts the limit.
    void clip(const PixelRect *area);

    // Line segments given to line_to while a pen that draws was current, and
    // line pieces put into the figure (after merging and leaving out).
    uint64_t segments_given() const { return given; }
    uint64_t segments_drawn() const { return drawn; }

private:
    void flush();
    void end_path();
    void extend(int64_t x, int64_t y);
    void device(int64_t x, int64_t y, double *dx, double *dy) const;
    bool outside(int64_t x0, int64_t y0, int64_t x1, int64_t y1, double margin) const;
    void source(Colour colour);
    void fill_client(int64_t l, int64_t t, int64_t r, int64_t b, Colour colour);
    bool finish_svg();

    struct CairoState;
    CairoState *cairo; // cairo's objects, nullptr while closed
    std::FILE *file;   // the temporary file
    std::string temporary;
    std::string target;
    int format;
    std::string svg; // SVG output as cairo writes it
    std::vector<FigureText> texts;

    double scale;
    int64_t page_left;
    int64_t page_top;
    int64_t page_right;
    int64_t page_bottom;
    // What is shown: the page, cut to the clip rectangle (client coordinates).
    int64_t show_left;
    int64_t show_top;
    int64_t show_right;
    int64_t show_bottom;
    double font_size; // device units

    int pen_style;
    int pen_width_given;
    Colour pen_colour;
    bool pen_draws; // not the null pen
    int pen_width;  // device units: 1 for one-pixel pens
    int pen_dash;   // index of the dash pattern, or -1 for solid

    int32_t pos_x; // current position, logical
    int32_t pos_y;
    int32_t origin_x;
    int32_t origin_y;
    int background_opaque;
    Colour background_colour;

    // The open path, client coordinates: its end, the last point given to
    // cairo, whether the end is still to be drawn, and whether the path is a
    // lone dot so far.
    bool path_open;
    bool path_pending;
    bool path_dot;
    int64_t end_x;
    int64_t end_y;
    int64_t drawn_x;
    int64_t drawn_y;
    uint64_t path_points; // points given to cairo since the last stroke

    uint64_t given;
    uint64_t drawn;
};

// Write the rectangle `area` of `image` as a PNG file (8-bit RGB), through a
// temporary file next to `path` as the bitmap writer does.  Returns 0, or -1
// (nothing is left behind).
int Png_write(const char *path, const RasterSurface *image, PixelRect area);

#endif
