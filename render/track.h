// Track rendering: the tracks of a rebuild from the work file (the scale
// bar, then every shown track with its particle's pen, steps below the
// cut-offs left out, the batch range).
#ifndef VOKA_TRACK_H
#define VOKA_TRACK_H

#include <cstdint>

#include "picture/defs.h"
#include "render/surface.h"

// Draw the scale bar and the tracks on `surface`, whose origin is the
// picture area.  The records come from the step copy when it stands for the
// work file, else from the work file mapped into memory.
// `scale` is view_state.view_scale (read and written by the view fit).
// With calc_mode 1 and redraw_pressed 1 only the newest batch is drawn.
// Returns 0, TRACKS_NONE_SHOWN when every kind is hidden (the scale bar
// alone is drawn, and the rebuild draws no geometry either), or -1 after a
// reported failure (work file cannot be opened or read).
// Writes back: the view fit (view_state, *scale).
enum { TRACKS_NONE_SHOWN = 1 };
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

#endif
