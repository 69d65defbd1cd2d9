// Geometry rendering: the outlines of the target (cylinder circles and
// generator lines, or the edges of the slab grid) in the geometry colour,
// through the view transform and the line primitive.
#ifndef VOKA_GEOMETRY_DRAW_H
#define VOKA_GEOMETRY_DRAW_H

#include "picture/defs.h"
#include "render/surface.h"

// Draw the geometry list by its kind.
// Writes back the geometry flags: with geometry_pending 0 nothing is drawn
// and geometry_enabled is cleared; drawing cylinders or slabs sets
// geometry_enabled to 1.
void Geom_draw(WindowRef window, Surface *surface);
void Cyls_draw(WindowRef window, Surface *surface);
void Slab_draw(WindowRef window, Surface *surface);

// The geometry that came with the picture file, when geometry is shown and
// no geometry file takes its place (geometry_enabled 1, geometry_path empty):
// Geom_draw.
void Picture_geometry_draw(WindowRef window, Surface *surface);

// Read the geometry section of the chosen geometry file
// (display.geometry_path) into the geometry list, in place of the picture
// file's own, and draw it.  Returns 0 (also when no file is chosen), -1 when
// it cannot be opened.
int Geometry_file_read_draw(WindowRef window, Surface *surface);

#endif
