#include "render/headless.h"

#include <vector>

#include "picture/settings.h"
#include "render/annotations.h"
#include "render/layout.h"
#include "render/picture_paint.h"

namespace {

// The raster image's confinement: the pixels outside the picture area as
// the panel pass left them, put back after the rebuild.
struct RasterKeep {
    RasterSurface *image;
    PixelRect area;
    std::vector<Colour> outside;
};

void Raster_confine(void *context, const PixelRect *area)
{
    RasterKeep *keep = static_cast<RasterKeep *>(context);
    RasterSurface *image = keep->image;
    size_t count = static_cast<size_t>(image->width()) * static_cast<size_t>(image->height());
    if (area) {
        keep->area = *area;
        keep->outside.assign(image->pixels(), image->pixels() + count);
        return;
    }
    const PixelRect &r = keep->area;
    Colour *pixels = const_cast<Colour *>(image->pixels());
    for (int32_t y = 0; y < image->height(); y++) {
        for (int32_t x = 0; x < image->width(); x++) {
            bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
            size_t at = static_cast<size_t>(y) * static_cast<size_t>(image->width()) +
                        static_cast<size_t>(x);
            if (!inside)
                pixels[at] = keep->outside[at];
        }
    }
}

} // namespace

void Headless_paint(WindowRef window, Surface *surface, HeadlessConfine confine, void *context,
                    int render_mode, int calc_mode, int redraw_pressed, int panel)
{
    const PixelRect &view_rect = layout.view_rect;
    surface->set_origin(0, 0);
    if (panel) {
        // What every paint puts on the client area before a rebuild: the
        // window background (light grey), then the panel pass.
        surface->fill_rect(0, 0, layout.bitmap_w, layout.bitmap_h, COLOUR_LTGRAY);
        Panel_main_draw(surface);
    } else {
        surface->fill_rect(view_rect.left, view_rect.top, view_rect.right, view_rect.bottom,
                           settings.background_color);
    }
    // The rebuild draws on the same context, and everything it draws outside
    // the picture area is painted over again.
    confine(context, &view_rect);
    Picture_rebuild(window, surface, render_mode, calc_mode, redraw_pressed);
    confine(context, nullptr);
}

int Headless_render(WindowRef window, RasterSurface *image, int render_mode, int calc_mode,
                    int redraw_pressed, int panel)
{
    if (image->create(layout.bitmap_w, layout.bitmap_h) != 0)
        return -1;
    // The panel pass starts by switching the context to a transparent
    // background, and the rebuild finds it so.
    image->set_background(0, COLOUR_WHITE);
    RasterKeep keep = {image, PixelRect{0, 0, 0, 0}, std::vector<Colour>()};
    Headless_paint(window, image, Raster_confine, &keep, render_mode, calc_mode, redraw_pressed,
                   panel);
    return 0;
}
