#include "render/layout.h"

#include "picture/settings.h"

Layout layout;
uint16_t large_fonts;

int Layout_compute(int mode, int32_t outer_w, int32_t outer_h)
{
    int32_t min_h = large_fonts == 1 ? LAYOUT_MIN_HEIGHT_LARGE : LAYOUT_MIN_HEIGHT;
    int32_t w;
    int32_t h;
    if (mode == LAYOUT_FROM_SETTINGS) {
        // The stored width is used as it is; the first resize raises it.
        w = settings.window_width;
        h = settings.window_height;
    } else {
        w = outer_w <= LAYOUT_MIN_WIDTH ? LAYOUT_MIN_WIDTH : outer_w;
        h = outer_h <= min_h ? min_h : outer_h;
        settings.window_width = w;
        settings.window_height = h;
    }
    if (h < min_h)
        h = min_h;

    layout.window_w = w;
    layout.window_h = h;
    layout.view_rect = PixelRect{5, 5, w - 155, h - 55};
    layout.view_right = w - 155;
    layout.view_bottom = h - 55;
    layout.view_w = w - 160;
    layout.view_h = h - 60;
    layout.view_cx = (w - 160) / 2;
    layout.view_cy = (h - 60) / 2;
    layout.bitmap_w = w - 150;
    layout.bitmap_h = h - 50;
    layout.strip_x = w - 150;
    layout.normal_x = w - 82;
    layout.step_minus_x = w - 100;
    layout.step_plus_x = w - 50;
    layout.angle_panel_x = w - 145;
    layout.redraw_x = w - 80;
    layout.angle_box = PixelRect{w - 150, 133, w - 13, 223};
    layout.angle_caption_x = w - 130;
    layout.angle_label_x = w - 66;
    layout.scale_bar_x = w - 174;
    layout.scale_bar_y = h - 68;
    layout.scale_text_y = h - 95;
    layout.print_x = w - 150;
    layout.print_y = h / 10 - 5;
    return 0;
}
