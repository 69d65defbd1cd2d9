// The palette of an animation (vokatool animate's GIF, the window's Save
// Animation): one table of at most 256 colours for all frames, made of the
// colours as they first appear, frame after frame.  A picture has few
// colours (the pens, background, geometry and text colours, the margin;
// colour by energy adds at most the 256 steps of its map), so that every
// frame keeps its pixels while the animation holds at most 256; a colour met
// beyond the 256th takes the index of the nearest colour of the table.
#ifndef VOKA_FRAME_PALETTE_H
#define VOKA_FRAME_PALETTE_H

#include <cstdint>

#include "picture/defs.h"

struct FramePalette {
    Colour colour[256];
    int count;      // colours in the table
    int32_t beyond; // 1 once a colour was given the nearest one's index
    Colour last;    // the colour looked up last, and its index
    uint8_t last_index;
};

// An empty palette.
void Frame_palette_init(FramePalette *palette);

// The index of `colour`: its own (given on first sight while there is
// room), or the nearest colour's (least sum of squared differences of red,
// green and blue; the first of equals).
uint8_t Frame_palette_index(FramePalette *palette, Colour colour);

#endif
