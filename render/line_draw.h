// The line primitive: every coloured line of the picture (tracks, geometry
// outlines, the legend's sample lines, the guide mark, the colour bar's
// outline) reaches the surface through Line_draw, which limits its ends to a
// square about the picture so that no coordinate handed on is endless.
#ifndef VOKA_LINE_DRAW_H
#define VOKA_LINE_DRAW_H

#include <cstdint>

#include "picture/defs.h"
#include "render/surface.h"

// One segment from (x1, y1) to (x2, y2), or a one-pixel dot when both ends
// are equal, with the pen (style, width, colour).  Coordinates are limited to
// a square first: -2000..2000, or for a window larger than 976 pixels a side
// -(L + 1024)..L + 1024 with L its larger side; a segment whose limited ends
// would leave the 32-bit range is not drawn.  The end pixel is left out.
void Line_draw(Surface *surface, int32_t x1, int32_t x2, int32_t y1, int32_t y2, int style,
               int width, Colour colour);

// The half side of Line_draw's limiting square for the current layout.
int32_t Line_limit();

// Line_draw with the pen already selected and the square +-limit given
// (Line_limit()): the track renderer selects its pens itself and takes the
// square once a rebuild.
void Line_limited(Surface *surface, int32_t x1, int32_t x2, int32_t y1, int32_t y2, int32_t limit);

#endif
