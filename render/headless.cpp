#include "render/headless.h"

#include <vector>

#include "render/annotations.h"
#include "render/layout.h"
#include "render/picture_paint.h"

namespace {

// What every paint puts on the client area before a rebuild: the window
// background (light grey), then the panel pass, which starts by switching the
// context to a transparent background.
void Panel_pass(RasterSurface *image)
{
    image->set_origin(0, 0);
    image->clear(COLOUR_LTGRAY);
    image->set_background(0, COLOUR_WHITE);
    Panel_main_draw(image);
}

} // namespace

int Headless_render(WindowRef window, RasterSurface *image, int render_mode, int calc_mode,
                    int redraw_pressed)
{
    if (image->create(layout.bitmap_w, layout.bitmap_h) != 0)
        return -1;
    const PixelRect &v = layout.view_rect;

    // The panel pass as the repaint after the rebuild leaves it outside the
    // picture area.  Only what lies outside the picture area is kept (the
    // margin and frame strips around it), so that a large image is not held
    // twice.
    Panel_pass(image);
    const int32_t w = image->width();
    const int32_t h = image->height();
    std::vector<Colour> outside;
    auto strips = [&](bool restore) {
        Colour *pixels = const_cast<Colour *>(image->pixels());
        size_t kept = 0;
        for (int32_t y = 0; y < h; y++) {
            bool row_outside = y < v.top || y >= v.bottom;
            for (int32_t x = 0; x < w; x++) {
                if (!row_outside && x == v.left && v.right > v.left)
                    x = v.right < w ? v.right : w;   // skip the picture area
                if (x >= w)
                    break;
                Colour &p = pixels[static_cast<size_t>(y) * static_cast<size_t>(w) +
                                   static_cast<size_t>(x)];
                if (restore)
                    p = outside[kept++];
                else
                    outside.push_back(p);
            }
        }
    };
    strips(false);

    // The rebuild draws on the same context, and everything it draws outside
    // the picture area is painted over again.
    Picture_rebuild(window, image, render_mode, calc_mode, redraw_pressed);
    strips(true);
    return 0;
}
