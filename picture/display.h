// The display state: what the user has chosen to see in this run, shared by
// the renderers and the window program, and not kept between runs (the
// persisted settings are picture/settings.h).  The view angles, the shown
// particle kinds, the batch range, the chosen files and the flags that ask
// for a rebuild of the picture.
#ifndef VOKA_DISPLAY_H
#define VOKA_DISPLAY_H

#include <cstdint>

#include "picture/defs.h"

struct DisplayState {
    // Flags (0 or 1).
    int16_t view_dirty;       // rebuild the picture at the next paint
    int16_t geometry_enabled; // geometry is drawn (Geometry Hide not checked)
    int16_t geometry_pending; // the geometry is drawn with the next rebuild

    // View angles in whole degrees.
    int16_t angle_x, angle_y, angle_z;

    // Which particle kinds are drawn.
    int16_t show_electron, show_positron, show_photon;

    // Batch range of the display (0: from the first / to the last).
    int32_t batch_from, batch_to;

    // The scale bar's length chosen by itself (a 1-2-5 value near a fifth
    // of the picture's width) instead of the settings' scale unit; kept in
    // "vokagraphic.ini".
    int32_t scale_auto;

    // Chosen files.
    char picture_path[PATH_SIZE];
    char geometry_path[PATH_SIZE];
    char calc_output_path[PATH_SIZE];
};
extern DisplayState display;

// The start-up values: angles 0, every kind shown, the whole batch range, no
// file chosen, geometry shown, no rebuild pending.
void Display_init();

#endif
