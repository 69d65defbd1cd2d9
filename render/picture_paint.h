// The rebuild of the picture as the main window's paint performs it, shared
// by the window program and the headless renderer: tracks, the chosen
// geometry file, the title and the guide mark, in picture coordinates.
#ifndef VOKA_PICTURE_PAINT_H
#define VOKA_PICTURE_PAINT_H

#include <cstdint>

#include "picture/defs.h"
#include "render/surface.h"
#include "render/track.h"

// The marks inside the picture: title and guide mark positions chosen with
// the mouse (picture coordinates of their top-left corner) and whether they
// are shown.
struct PictureMarks {
    uint32_t title_shown;
    PixelPoint title_pos;
    uint32_t guide_shown;
    PixelPoint guide_pos;
    // A title or guide position is being chosen with the mouse (0 or 1); a
    // rebuild that draws the title or the guide mark ends the choice.
    int16_t guide_placing, title_placing;
};
extern PictureMarks picture_marks;

// Rebuild the picture area on request.surface: set the origin to the
// picture area's top-left corner (layout.view_rect), Track_draw, the picture
// file's own geometry when tracks were drawn (Picture_geometry_draw), the
// geometry file when geometry_enabled and geometry_pending, the title and
// the guide mark, then the origin back to (0, 0).
// Writes back: title_pos and guide_pos are pulled into the picture (the
// limited values are stored), and a drawn title or guide mark clears
// title_placing or guide_placing.
void Picture_rebuild(WindowRef window, const RebuildRequest &request);

#endif
