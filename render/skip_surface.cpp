#include "render/skip_surface.h"

namespace {

// Shadow pixels that equal no colour: drawing writes 24-bit colours only.
const Colour UNKNOWN = 0xFF000000u;

bool Thin_solid(int style, int width)
{
    return (style == PEN_SOLID || style == PEN_INSIDEFRAME) && width >= -1 && width <= 1;
}

} // namespace

SkipSurface::SkipSurface(Surface *target_in, PixelRect area)
    : target(target_in), shadow(), shadowed(false), area_left(area.left), area_top(area.top),
      want(), sent(), pen_wanted(false), pen_sent(false), at_x(0), at_y(0), target_at(false),
      passed(0), left_out(0)
{
    int64_t width = static_cast<int64_t>(area.right) - area.left;
    int64_t height = static_cast<int64_t>(area.bottom) - area.top;
    if (width >= 1 && height >= 1 && width <= RASTER_MAX_SIDE && height <= RASTER_MAX_SIDE)
        shadowed = shadow.create(static_cast<int32_t>(width), static_cast<int32_t>(height)) == 0;
    // The shadow starts with no colour anywhere, and with the target's
    // logical (0, 0) at device (0, 0) until set_origin says otherwise.
    forget();
    shadow.set_origin(-area_left, -area_top);
}

void SkipSurface::forget()
{
    shadow.clear(UNKNOWN);
}

void SkipSurface::target_catch_up()
{
    if (pen_wanted && (!pen_sent || want.style != sent.style || want.width != sent.width ||
                       want.colour != sent.colour)) {
        target->pen(want.style, want.width, want.colour);
        sent = want;
        pen_sent = true;
    }
    if (!target_at) {
        target->move_to(at_x, at_y);
        target_at = true;
    }
}

void SkipSurface::pen(int style, int width, Colour colour)
{
    shadow.pen(style, width, colour);
    // A style the platform does not know leaves the pen as it was.
    if (style < PEN_SOLID || style > PEN_INSIDEFRAME)
        return;
    want = Pen{style, width, colour};
    pen_wanted = true;
}

void SkipSurface::move_to(int32_t x, int32_t y)
{
    shadow.move_to(x, y);
    at_x = x;
    at_y = y;
    target_at = false;
}

void SkipSurface::line_to(int32_t x, int32_t y)
{
    shadow.line_to(x, y);
    bool thin_solid = pen_wanted && Thin_solid(want.style, want.width);
    if (shadowed && thin_solid && !shadow.last_line_changed()) {
        at_x = x;
        at_y = y;
        target_at = false;
        left_out++;
        return;
    }
    target_catch_up();
    target->line_to(x, y);
    at_x = x;
    at_y = y;
    passed++;
}

void SkipSurface::rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom,
                            Colour fill_colour)
{
    forget();
    target_catch_up();
    target->rectangle(left, top, right, bottom, fill_colour);
}

void SkipSurface::fill_rect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                            Colour colour)
{
    forget();
    target->fill_rect(left, top, right, bottom, colour);
}

void SkipSurface::text(int32_t x, int32_t y, const char *text, int length, Colour colour)
{
    shadow.text(x, y, text, length, colour);   // for its background mode
    forget();
    target->text(x, y, text, length, colour);
}

void SkipSurface::set_origin(int32_t x, int32_t y)
{
    shadow.set_origin(x - area_left, y - area_top);
    target->set_origin(x, y);
}
