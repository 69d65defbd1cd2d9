// The rebuild of the picture as the main window's paint performs it, shared
// by the window program and the headless renderer: tracks, the chosen
// geometry file, the title and the guide mark, in picture coordinates.
#ifndef VOKA_PICTURE_PAINT_H
#define VOKA_PICTURE_PAINT_H

#include <cstdint>

#include "picture/defs.h"
#include "render/surface.h"

// Title and guide mark positions chosen with the mouse (picture coordinates
// of their top-left corner) and whether they are shown.
extern uint32_t title_shown;
extern PixelPoint title_pos;
extern uint32_t guide_shown;
extern PixelPoint guide_pos;

// Rebuild the picture area on `surface`: set the origin to (5, 5), Track_draw,
// the geometry file when geometry_enabled and geometry_pending, the title and
// the guide mark (positions limited to the picture and stored back), then the
// origin back to (0, 0).
void Picture_rebuild(WindowRef window, Surface *surface, int render_mode, int calc_mode,
                     int redraw_pressed, PixelRect view_rect);

#endif
