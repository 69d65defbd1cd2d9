// The skipping surface: a surface in front of another that passes on
// everything except the one-pixel solid lines that would change no pixel of
// a given area.  It keeps a shadow of the area on a raster surface, which
// draws as the platform does, and draws every line there first.  A dense
// picture sets most of its pixels many times over: in front of a device
// whose every line costs (GDI under Wine), this leaves out nearly all of
// them with the same pixels as a result.
//
// The shadow knows only the pixels that one-pixel solid lines drawn through
// this surface have set: the area starts unknown, a line of another pen
// makes the pixels it may reach unknown, and a rectangle, fill or text all
// of the area (their pixels are the device's own).  So a line is left out
// only where lines drawn here have set every one of its pixels to its colour
// already.
#ifndef VOKA_SKIP_SURFACE_H
#define VOKA_SKIP_SURFACE_H

#include <cstddef>

#include "picture/defs.h"
#include "render/raster_surface.h"
#include "render/surface.h"

class SkipSurface : public Surface {
public:
    // In front of `target`, watching the device pixels `area` of it (device
    // = logical + origin, as for every surface).  When the shadow cannot be
    // had (memory), everything is passed on.
    SkipSurface(Surface *target, PixelRect area);
    SkipSurface(const SkipSurface &) = delete;
    SkipSurface &operator=(const SkipSurface &) = delete;

    // The current position and pen reach the target only with the next line
    // that is passed on.
    void pen(int style, int width, Colour colour) override;
    void move_to(int32_t x, int32_t y) override;
    void line_to(int32_t x, int32_t y) override;
    void rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom,
                   Colour fill_colour) override;
    void fill_rect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                   Colour colour) override;
    void text(int32_t x, int32_t y, const char *text, int length, Colour colour) override;
    void set_origin(int32_t x, int32_t y) override;
    // This surface is lane 0; every other lane is a skipping surface of its
    // own, with a shadow that starts unknown, in front of a recording of the
    // lines it passes on, and merge() draws those through this surface, lane
    // after lane.  A line that a lane leaves out would change no pixel where
    // it lies in the lane's order, so it changes none in the order of the
    // merge either.  nullptr when there is no shadow.
    SurfaceLanes *lanes(int count, PixelRect area) override;

    // Lines passed on and left out so far (for measurements).
    int64_t lines_passed() const { return passed; }
    int64_t lines_left_out() const { return left_out; }

private:
    struct Pen {
        int style;
        int width;
        Colour colour;
    };

    void forget();          // the whole area unknown
    void target_catch_up(); // the pen and position to the target

    Surface *target;
    RasterSurface shadow;
    bool shadowed;
    int32_t area_left;
    int32_t area_top;
    int32_t origin_x; // the target's viewport origin
    int32_t origin_y;
    Pen want; // the pen drawing now (the last one the platform accepts)
    Pen sent; // the pen the target has
    bool pen_wanted;
    bool pen_sent;
    int32_t at_x; // the current position
    int32_t at_y;
    bool target_at; // the target's current position is (at_x, at_y)
    int64_t passed;
    int64_t left_out;
};

#endif
