// The drawing surface on a Windows device context: what the renderers draw
// through in the window program (the main window's paint, the strip panels,
// the off-screen rebuild).  Part of the window program, not of the portable
// core.
#ifndef VOKA_GDI_SURFACE_H
#define VOKA_GDI_SURFACE_H

#include <windows.h>

#include "render/raster_surface.h"
#include "render/surface.h"

class GdiSurface : public Surface {
public:
    // Draw on `dc`, whose pixel (0, 0) shows device position (device_x,
    // device_y) of the surface.  A window's own context passes (0, 0); a
    // memory context that holds only part of a window passes where that part
    // starts in the window, so that the renderers' coordinates stay those of
    // the window.  The destructor selects the context's own pen back (and
    // deletes the surface's pen) and puts the viewport origin back.  The
    // background mode and the text colour that text() sets stay set, as the
    // surface contract says; a caller that wants dashed lines drawn with
    // transparent gaps from the start sets the mode before (SetBkMode).
    GdiSurface(HDC dc, int32_t device_x, int32_t device_y);
    ~GdiSurface() override;

    GdiSurface(const GdiSurface &) = delete;
    GdiSurface &operator=(const GdiSurface &) = delete;

    // The pen is created only when (style, width, colour) differs from the
    // current one and the replaced pen is deleted at once, so a picture of
    // many segments in few pens creates few pens.  The look is that of a pen
    // created per segment: LineTo starts a styled pen's dash pattern anew
    // at every call.
    //
    // With a solid one-pixel pen, lines that continue where the last one
    // ended are gathered into polylines and sent to the context together
    // (PolyPolyline) when anything else is drawn or the pen changes.  Each
    // segment of a thin solid polyline sets the pixels a LineTo of its own
    // would set, so the picture is the same; styled and wide pens draw
    // every segment with its own LineTo.
    void pen(int style, int width, Colour colour) override;
    void move_to(int32_t x, int32_t y) override;
    void line_to(int32_t x, int32_t y) override;
    void rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom,
                   Colour fill_colour) override;
    void fill_rect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                   Colour colour) override;
    void text(int32_t x, int32_t y, const char *text, int length, Colour colour) override;
    void set_origin(int32_t x, int32_t y) override;

private:
    enum { BATCH_POINTS = 4096, BATCH_RUNS = 1024 };

    bool batching() const; // the current pen gathers lines
    void flush();          // send the gathered lines, keep the position

    HDC dc;
    POINT saved_origin;
    HGDIOBJ saved_pen; // the context's pen before the surface's first
    int32_t device_x;
    int32_t device_y;
    HPEN current_pen; // selected into dc while not nullptr
    int pen_style;
    int pen_width;
    Colour pen_colour;

    // Gathered lines: runs of connected points, the last run still open;
    // while there are any, the last point is the current position.
    POINT points[BATCH_POINTS];
    DWORD run_points[BATCH_RUNS];
    int point_count;
    int run_count; // runs in run_points, the open one included
};

// The window's picture in a 32-bit device-independent bitmap (a DIB
// section): every line, rectangle and fill drawn by the raster surface
// straight into the bitmap's rows, on as many lanes as the rebuild asks
// for, with the pixels GDI draws there (the raster surface draws as GDI
// does); only text goes through GDI, into the same bitmap in its turn, in
// the system font of the window.  The window then shows the bitmap with
// one blit.  The lines of a large picture cost GDI a call each; here they
// cost a few memory writes.
class DibSurface : public Surface {
public:
    // On `dc`, a memory context with the DIB section selected whose rows
    // are `rows` (top row first, width x height pixels, blue in the low
    // byte), pixel (0, 0) showing device position (device_x, device_y), as
    // for GdiSurface.  Starts as the panel pass leaves a context: a
    // transparent background.
    DibSurface(HDC dc, Colour *rows, int32_t width, int32_t height, int32_t device_x,
               int32_t device_y);
    DibSurface(const DibSurface &) = delete;
    DibSurface &operator=(const DibSurface &) = delete;

    void pen(int style, int width, Colour colour) override;
    void move_to(int32_t x, int32_t y) override;
    void line_to(int32_t x, int32_t y) override;
    void rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom,
                   Colour fill_colour) override;
    void fill_rect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                   Colour colour) override;
    void text(int32_t x, int32_t y, const char *text, int length, Colour colour) override;
    void set_origin(int32_t x, int32_t y) override;
    // The raster surface's lanes (lines only).
    SurfaceLanes *lanes(int count, PixelRect area) override;

private:
    RasterSurface raster;
    GdiSurface gdi; // the text
    int32_t device_x;
    int32_t device_y;
};

#endif
