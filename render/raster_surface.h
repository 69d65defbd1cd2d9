// The raster surface: an in-memory 32-bit image that draws exactly as the
// platform's GDI draws into a 32-bit device-independent bitmap (Wine's DIB
// engine), so that headless rendering gives the window's pixels.  Also the
// text extent of the built-in font and the read-out of pixel rows for
// bitmap files.
//
// What it reproduces, all checked against recorded GDI output
// (tests/data/gdi_ref):
// - one-pixel lines: Bresenham with GDI's choice on ties (exact halves
//   round towards the start, except in octants 3, 5, 6 and 8, counted
//   clockwise from the positive x axis with y downwards), the end pixel
//   left out;
// - dashed one-pixel pens (dash 18/6, dot 3/3, dash-dot 9/6/3/6,
//   dash-dot-dot 9/3/3/3/3/3 pixels along the major axis), the pattern
//   starting anew at every line_to and running on around a rectangle; the
//   gaps take the background colour while the background mode is opaque;
// - pens wider than one pixel: solid, round caps, the body of a sloped
//   segment scan-converted as GDI converts a polygon to a region;
// - Rectangle and FillRect, including the one-pixel-smaller fill of a
//   rectangle drawn with the null pen and the inside-frame pen;
// - clipping to the image at any 32-bit coordinate without lengthy loops; a
//   sloped line with an end point at 2^28 or beyond is first scaled down by
//   8 about the device origin, as Wine's GDI does (Line_draw never gets
//   there: it limits coordinates to a square a little larger than the
//   window).
#ifndef VOKA_RASTER_SURFACE_H
#define VOKA_RASTER_SURFACE_H

#include <cstdint>

#include "picture/defs.h"
#include "render/surface.h"

// Largest image side accepted by RasterSurface::create.
const int32_t RASTER_MAX_SIDE = 16384;
// Pens wider than this are drawn this wide.
const int32_t RASTER_MAX_PEN_WIDTH = 512;
// Largest area of a lane (see RasterSurface::lanes), in pixels.
const int64_t RASTER_LANE_PIXELS = int64_t{1} << 26;

class RasterLanes;

class RasterSurface : public Surface {
public:
    RasterSurface();
    ~RasterSurface() override;
    RasterSurface(const RasterSurface &) = delete;
    RasterSurface &operator=(const RasterSurface &) = delete;

    // Allocate a width x height image (each 1 .. RASTER_MAX_SIDE), all white,
    // and give it the drawing state of a fresh device context: black solid
    // one-pixel pen, current position and origin (0, 0), opaque background
    // mode with a white background colour.  Returns 0, or -1 when the size is
    // out of range or memory is short (the surface is then empty: 0 x 0, and
    // drawing on it does nothing).  May be called again to start over.
    int create(int32_t width, int32_t height);

    // The same on `rows`, width x height pixels of the caller's, top row
    // first, which the surface draws on but never frees: the rows of a
    // platform's 32-bit device-independent bitmap, blue in the low byte and
    // red in the third (the surface's colours are stored so; pixel() still
    // answers 0x00BBGGRR).  The window draws its picture so, straight into
    // the bitmap it shows.
    int attach(Colour *rows, int32_t width, int32_t height);

    void pen(int style, int width, Colour colour) override;
    void move_to(int32_t x, int32_t y) override;
    void line_to(int32_t x, int32_t y) override;
    void rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom,
                   Colour fill_colour) override;
    void fill_rect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                   Colour colour) override;
    // Also switches the background mode to transparent, as the platform's
    // SetBkMode(TRANSPARENT) before the text does; it stays so afterwards.
    void text(int32_t x, int32_t y, const char *text, int length, Colour colour) override;
    void set_origin(int32_t x, int32_t y) override;
    // This surface is lane 0; every other lane is an image of the area (as
    // far as it lies on this image) whose pixels start as not drawn, laid
    // over this one where it drew.  nullptr when memory is short or the area
    // holds more than RASTER_LANE_PIXELS.
    SurfaceLanes *lanes(int count, PixelRect area) override;

    // Background mode and colour for the gaps of dashed one-pixel pens
    // (SetBkMode, SetBkColor): opaque = 1 paints the gaps in `colour`,
    // opaque = 0 leaves them untouched.
    void set_background(int opaque, Colour colour);

    // Set every pixel to `colour`, regardless of origin and pen.  All 32 bits
    // are kept: a value above 0x00FFFFFF, which drawing never writes, marks
    // pixels that equal no colour.
    void clear(Colour colour);

    // Set the pixels of the device rectangle left .. right - 1 by top ..
    // bottom - 1 (as far as it lies in the image) to `value`, all 32 bits of
    // it, as clear does.
    void mark(int64_t left, int64_t top, int64_t right, int64_t bottom, Colour value);

    // Whether the last line_to may have changed a pixel: false only when
    // changes are watched (watch_changes), it drew with a one-pixel solid
    // pen and every pixel it set had the pen's colour already.  Watching
    // costs a read of every pixel drawn; it is off unless asked for.
    bool last_line_changed() const { return line_changed; }
    void watch_changes(bool on) { watching = on; }

    int32_t width() const { return image_width; }
    int32_t height() const { return image_height; }
    // Pixel at device (x, y), or 0xFFFFFFFF outside the image.
    Colour pixel(int32_t x, int32_t y) const;
    // Rows of the image, top row first, width() pixels each (in the order
    // of attach's rows when attached).
    const Colour *pixels() const { return image; }
    // The same rows to write into, for a caller that composes an image from
    // parts (the headless paint puts back what it kept outside an area).
    Colour *pixels_to_write() { return image; }

private:
    friend class RasterLanes;

    int start(int32_t width, int32_t height, Colour *rows, bool rows_blue_low);
    // A colour as the image holds it.
    Colour stored(Colour colour) const;
    // Device corners of a rectangle given in logical coordinates.
    void device_box(int32_t left, int32_t top, int32_t right, int32_t bottom, int64_t *l,
                    int64_t *t, int64_t *r, int64_t *b) const;
    void thin_line(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t dash_offset);
    void wide_line(int64_t x0, int64_t y0, int64_t x1, int64_t y1);
    void wide_body(int64_t x0, int64_t y0, int64_t x1, int64_t y1);
    void round_cap(int64_t x, int64_t y);
    void fill_span(int64_t y, int64_t left, int64_t right, Colour colour);
    void fill_device_rect(int64_t left, int64_t top, int64_t right, int64_t bottom, Colour colour);
    void fill_polygon(const int64_t *xs, const int64_t *ys, int count, Colour colour);

    Colour *image;
    int32_t image_width;
    int32_t image_height;

    // Current pen as given, and as it draws.
    int pen_style;
    int pen_width_given;
    Colour pen_colour;
    int pen_kind;        // PenKind in raster_surface.cpp
    int32_t pen_width;   // device width, 1 for cosmetic pens, 0 for the null pen
    const uint8_t *dash; // dash lengths, on and off alternately (dashed pens)
    int dash_count;
    int dash_total;
    // Row spans of the round cap of the current wide pen, relative to the
    // point: rows cap_top .. cap_top + cap_rows - 1, columns left .. right - 1.
    int32_t cap_top;
    int32_t cap_rows;
    int32_t cap_left[RASTER_MAX_PEN_WIDTH + 2];
    int32_t cap_right[RASTER_MAX_PEN_WIDTH + 2];

    int32_t pos_x;
    int32_t pos_y;
    int32_t origin_x;
    int32_t origin_y;
    int background_opaque;
    Colour background_colour;
    bool line_changed;
    bool watching;
    bool owned;    // the image is the surface's own (create), freed by it
    bool blue_low; // pixels in the platform's order (attach)
};

// Size in pixels of `length` bytes of `text` drawn with RasterSurface::text:
// the sum of the advance widths (bytes outside 32..126 count as "?"), and the
// height of the font.  A negative length counts as 0.
void Raster_text_extent(const char *text, int length, int32_t *width, int32_t *height);

#endif
