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
    const PixelRect &view_rect = layout.view_rect;

    // The panel pass as the repaint after the rebuild leaves it outside the
    // picture area.
    Panel_pass(image);
    std::vector<Colour> outside(image->pixels(),
                                image->pixels() + static_cast<size_t>(image->width()) *
                                                      static_cast<size_t>(image->height()));

    // The rebuild draws on the same context, and everything it draws outside
    // the picture area is painted over again.
    Picture_rebuild(window, image, render_mode, calc_mode, redraw_pressed);

    Colour *pixels = const_cast<Colour *>(image->pixels());
    for (int32_t y = 0; y < image->height(); y++) {
        for (int32_t x = 0; x < image->width(); x++) {
            bool inside = x >= view_rect.left && x < view_rect.right && y >= view_rect.top &&
                          y < view_rect.bottom;
            size_t at = static_cast<size_t>(y) * static_cast<size_t>(image->width()) +
                        static_cast<size_t>(x);
            if (!inside)
                pixels[at] = outside[at];
        }
    }
    return 0;
}
