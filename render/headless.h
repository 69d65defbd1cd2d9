// Headless rendering: the picture as the viewer window shows it, drawn on a
// raster surface or any other surface.  The image is the region that Bitmap
// File Save writes: layout.bitmap_w x layout.bitmap_h from client (0, 0), the
// light-grey margin, the frame and the picture area with everything a
// rebuild draws.
#ifndef VOKA_HEADLESS_H
#define VOKA_HEADLESS_H

#include "picture/defs.h"
#include "render/raster_surface.h"
#include "render/surface.h"

// Paint as the window does when a rebuild is due: the panel pass (margin,
// picture background, frame), the rebuild of the picture area, then the
// repaint of everything outside the picture area that follows a rebuild.
// With `panel` 0 the panel pass is left out and only the picture area is
// filled with the background colour, for images cut to the picture area.
// Uses the current layout, settings, view and display state.  Returns 0, or
// -1 when the image cannot be allocated.
// `work_path`: the work file drawn from; nullptr: Work_path().
int Headless_render(WindowRef window, RasterSurface *image, int render_mode, int calc_mode,
                    int redraw_pressed, int panel = 1, const char *work_path = nullptr);

// How a surface keeps what the rebuild draws outside the picture area from
// showing: called with the picture area (client coordinates) before the
// rebuild and with nullptr after it.  A raster image puts back the pixels it
// had outside; a vector surface clips.
typedef void (*HeadlessConfine)(void *context, const PixelRect *area);

// The same paint on any surface whose device pixel (0, 0) is client (0, 0),
// in the surface's current background mode.
void Headless_paint(WindowRef window, Surface *surface, HeadlessConfine confine, void *context,
                    int render_mode, int calc_mode, int redraw_pressed, int panel,
                    const char *work_path = nullptr);

#endif
