// Track rendering: the tracks of a rebuild from the work file (every shown
// track with its particle's pen, steps below the cut-offs left out, the
// batch range).
#ifndef VOKA_TRACK_H
#define VOKA_TRACK_H

#include <cstdint>

#include "picture/defs.h"
#include "render/surface.h"

// What one rebuild draws, handed down by whoever asks for it (the window's
// paint, the read-out's record index, the headless renderer) rather than
// set in process-wide state around the call.
struct RebuildRequest {
    Surface *surface;       // drawn on (Picture_rebuild puts its origin at the picture area)
    int render_mode;        // RENDER_FULL, RENDER_ZOOM or RENDER_KEEP (View_setup)
    bool newest_batch_only; // a followed calculation after Redraw: its last batch
    uint32_t stride;        // every stride-th track (a preview); 1 draws all
    const char *work_path = nullptr; // the work file; nullptr: Work_path()
};

// Draw the tracks on request.surface, whose origin is the picture area (the
// rebuild draws the scale bar over them).  The records come from the step copy when it stands for the
// work file, else from the work file mapped into memory.
// `scale` is view_state.view_scale (read and written by the view fit).
// Returns 0, TRACKS_NONE_SHOWN when every kind is hidden (nothing is drawn,
// and the rebuild draws the scale bar but not the picture file's own
// geometry), or -1 after a reported failure (work file cannot be opened or
// read).
// Writes back: the view fit (view_state, *scale).
enum { TRACKS_NONE_SHOWN = 1 };
int Track_draw(WindowRef window, const RebuildRequest &request, double *scale, PixelRect view_rect);

#endif
