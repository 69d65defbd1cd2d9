// Headless rendering: the picture as the viewer window shows it, drawn on a
// raster surface.  The image is the region that Bitmap File Save writes:
// layout.bitmap_w x layout.bitmap_h from client (0, 0), the light-grey margin,
// the frame and the picture area with everything a rebuild draws.
#ifndef VOKA_HEADLESS_H
#define VOKA_HEADLESS_H

#include "picture/defs.h"
#include "render/raster_surface.h"

// Paint as the window does when a rebuild is due: the panel pass (margin,
// picture background, frame), the rebuild of the picture area, then the
// repaint of everything outside the picture area that follows a rebuild.
// Uses the current layout, settings, view and display state.  Returns 0, or
// -1 when the image cannot be allocated.
int Headless_render(WindowRef window, RasterSurface *image, int render_mode, int calc_mode,
                    int redraw_pressed);

#endif
