#include "render/headless.h"

#include <vector>

#include "picture/settings.h"
#include "render/annotations.h"
#include "render/layout.h"
#include "render/picture_paint.h"

namespace {

// The raster image's confinement: the pixels outside the picture area as
// the panel pass left them, put back after the rebuild.  Only what lies
// outside the area is kept (the margin and frame strips around it), so that
// a large image is not held twice.
struct RasterKeep {
    RasterSurface *image;
    PixelRect area;
    std::vector<Colour> outside;
};

void Raster_confine(void *context, const PixelRect *area)
{
    RasterKeep *keep = static_cast<RasterKeep *>(context);
    RasterSurface *image = keep->image;
    bool restore = area == nullptr;
    if (!restore) {
        keep->area = *area;
        keep->outside.clear();
    }
    const PixelRect &r = keep->area;
    const int32_t w = image->width();
    Colour *pixels = image->pixels_to_write();
    size_t kept = 0;
    for (int32_t y = 0; y < image->height(); y++) {
        for (int32_t x = 0; x < w; x++) {
            if (y >= r.top && y < r.bottom && x == r.left && r.right > r.left)
                x = r.right; // over the picture area
            if (x >= w)
                break;
            Colour &p =
                pixels[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)];
            if (restore)
                p = keep->outside[kept++];
            else
                keep->outside.push_back(p);
        }
    }
}

} // namespace

void Headless_paint(WindowRef window, Surface *surface, HeadlessConfine confine, void *context,
                    int render_mode, int calc_mode, int redraw_pressed, int panel,
                    const char *work_path)
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
    // Only the window program previews: the headless picture is always whole.
    Picture_rebuild(window, RebuildRequest{surface, render_mode,
                                           calc_mode == 1 && redraw_pressed == 1, 1, work_path});
    confine(context, nullptr);
}

int Headless_render(WindowRef window, RasterSurface *image, int render_mode, int calc_mode,
                    int redraw_pressed, int panel, const char *work_path)
{
    if (image->create(layout.bitmap_w, layout.bitmap_h) != 0)
        return -1;
    // The panel pass starts by switching the context to a transparent
    // background, and the rebuild finds it so.
    image->set_background(0, COLOUR_WHITE);
    RasterKeep keep = {image, PixelRect{0, 0, 0, 0}, std::vector<Colour>()};
    Headless_paint(window, image, Raster_confine, &keep, render_mode, calc_mode, redraw_pressed,
                   panel, work_path);
    return 0;
}
