// The window layout: every pixel position of the main window derived from
// its outer size.  Layout_compute is the only writer of `layout`.
#ifndef VOKA_LAYOUT_H
#define VOKA_LAYOUT_H

#include <cstdint>

#include "picture/defs.h"

struct Layout {
    int32_t window_w;        // outer width W (after the minimum)
    int32_t window_h;        // outer height H
    PixelRect view_rect;     // (5, 5, view_right, view_bottom): the picture area,
                             // client coordinates; its top-left corner is the
                             // origin of picture coordinates
    int32_t view_right;      // W - 155: right edge of the picture area (client)
    int32_t view_bottom;     // H - 55
    int32_t view_w;          // W - 160: picture width in pixels
    int32_t view_h;          // H - 60
    int32_t view_cx;         // view_w / 2
    int32_t view_cy;         // view_h / 2
    int32_t bitmap_w;        // W - 150: off-screen copy and saved bitmap
    int32_t bitmap_h;        // H - 50
    int32_t strip_x;         // W - 150: left edge of the control strip
    int32_t normal_x;        // W - 82
    int32_t step_minus_x;    // W - 100
    int32_t step_plus_x;     // W - 50
    int32_t angle_panel_x;   // W - 145
    int32_t redraw_x;        // W - 80
    PixelRect angle_box;     // (strip_x, 133, W - 13, 223)
    int32_t angle_caption_x; // W - 130
    int32_t angle_label_x;   // W - 66
    int32_t scale_bar_x;     // W - 174 = view_w - 14 (picture coordinates)
    int32_t scale_bar_y;     // H - 68 = view_h - 8
    int32_t scale_text_y;    // H - 95 = view_h - 35
    int32_t print_x;         // W - 150
    int32_t print_y;         // H / 10 - 5
};

extern Layout layout;

// 1 when the system's icon-title font is 15 pixels high (large fonts); set by
// the window program after start-up.  Raises the minimum height to 410.
extern uint16_t large_fonts;

enum { LAYOUT_FROM_SETTINGS = 1, LAYOUT_FROM_WINDOW = 0 };
enum { LAYOUT_MIN_WIDTH = 640, LAYOUT_MIN_HEIGHT = 400, LAYOUT_MIN_HEIGHT_LARGE = 410 };

// Mode LAYOUT_FROM_SETTINGS: the size stored in the settings (start-up; the
// width is used unchanged, the height raised to the minimum).  Any other
// mode: the measured outer size `outer_w` x `outer_h` of the window, raised to
// the minimum; this mode also writes that size back into the settings record
// (settings.window_width / window_height), so that it is saved at exit.
// Returns 0.
int Layout_compute(int mode, int32_t outer_w, int32_t outer_h);

#endif
