// A headless render of a converted picture, the view state taken from the
// first 16 input bytes (angles, window size, batch range, kinds shown,
// geometry, Expand with a rectangle, newest batch only) and the picture from
// the rest.  The image has the layout's size, its margin stays light grey,
// and the same state renders the same image twice.
#include <vector>

#include "fuzz_support.h"
#include "picture/display.h"
#include "render/annotations.h"
#include "render/headless.h"
#include "render/layout.h"
#include "render/picture_paint.h"
#include "render/view.h"

namespace {

std::vector<Colour> Render(int mode, int newest)
{
    view_state = ViewState{};
    if (mode == RENDER_ZOOM)
        View_setup(nullptr, layout.view_rect, RENDER_FULL, &view_state.view_scale);
    RasterSurface image;
    FUZZ_CHECK(Headless_render(nullptr, &image, mode, newest, newest) == 0);
    FUZZ_CHECK(image.width() == layout.bitmap_w && image.height() == layout.bitmap_h);
    FUZZ_CHECK(image.pixel(0, 0) == COLOUR_LTGRAY);
    FUZZ_CHECK(image.pixel(image.width() - 1, image.height() - 1) == COLOUR_LTGRAY);
    return std::vector<Colour>(image.pixels(), image.pixels() + image.width() * image.height());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *work = Fuzz_setup();
    if (size < 16)
        return 0;
    FILE *input = Fuzz_stream(data + 16, size - 16);
    int result = Picture_convert_stream(nullptr, input, work);
    std::fclose(input);
    if (result != 0)
        return 0;
    const uint8_t *v = data;
    display.angle_x = static_cast<int16_t>(v[0] * 5 - 640);
    display.angle_y = static_cast<int16_t>(v[1] * 5 - 640);
    display.angle_z = static_cast<int16_t>(v[2] * 5 - 640);
    Layout_compute(LAYOUT_FROM_WINDOW, 640 + v[3], 400 + v[4]);
    display.batch_from = v[5] % 8;
    display.batch_to = v[6] % 8;
    display.show_electron = v[7] & 1;
    display.show_positron = (v[7] >> 1) & 1;
    display.show_photon = (v[7] >> 2) & 1;
    display.geometry_enabled = display.geometry_pending = (v[7] >> 3) & 1;
    zoom_rect = PixelRect{v[9] * 2, v[10] * 2, v[9] * 2 + v[11] * 2, v[10] * 2 + v[12] * 2};
    int mode = (v[8] & 1) ? RENDER_ZOOM : RENDER_FULL;
    FUZZ_CHECK(Render(mode, (v[8] >> 1) & 1) == Render(mode, (v[8] >> 1) & 1));
    return 0;
}
