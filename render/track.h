// Track rendering: the rebuild of the picture from the work file (scale bar,
// every shown track with its particle's pen, steps below the cut-offs left
// out, the batch range, then the picture file's own geometry) and the line
// primitive through which every coloured line of the picture is drawn.
#ifndef VOKA_TRACK_H
#define VOKA_TRACK_H

#include <cstdint>

#include "picture/defs.h"
#include "render/surface.h"

// Rebuild the picture on `surface`, whose origin is the picture area.  The
// records come from the step copy when it stands for the work file, else
// from the work file mapped into memory.
// `scale` is view_state.view_scale (read and written by the view fit).
// With calc_mode 1 and redraw_pressed 1 only the newest batch is drawn.
// Returns 0, or -1 after a reported failure (work file cannot be opened or
// read).
// Writes back: the view fit (view_state, *scale) and, through Geom_draw, the
// geometry flags.
int Track_draw(WindowRef window, Surface *surface, double *scale, int render_mode, int calc_mode,
               int redraw_pressed, PixelRect view_rect);

// Rebuilds draw every track_stride-th track only (a preview while the view
// is being turned); 1, the start value, draws every track.  The window sets
// it around a rebuild.
extern uint32_t track_stride;

// Rebuilds of at least this many records draw on the surface's lanes
// (Surface::lanes), as many as Work_threads() says, one thread each, with
// the picture of drawing them one after another; tests lower it.
extern uint64_t lane_min_records;

// One segment from (x1, y1) to (x2, y2), or a one-pixel dot when both ends
// are equal, with the pen (style, width, colour).  Coordinates are limited to
// a square first: -2000..2000, or for a window larger than 976 pixels a side
// -(L + 1024)..L + 1024 with L its larger side; a segment whose limited ends
// would leave the 32-bit range is not drawn.  The end pixel is left out.
void Line_draw(Surface *surface, int32_t x1, int32_t x2, int32_t y1, int32_t y2, int style,
               int width, Colour colour);

#endif
