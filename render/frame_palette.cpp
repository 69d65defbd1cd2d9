#include "render/frame_palette.h"

void Frame_palette_init(FramePalette *palette)
{
    palette->count = 0;
    palette->beyond = 0;
    palette->last = 0;
    palette->last_index = 0;
}

namespace {

int Distance(Colour a, Colour b)
{
    int d = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        int x = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        d += x * x;
    }
    return d;
}

} // namespace

uint8_t Frame_palette_index(FramePalette *palette, Colour colour)
{
    // Frames are mostly runs of one colour.
    if (palette->count > 0 && colour == palette->last)
        return palette->last_index;
    int found = -1, nearest = 0, best = -1;
    for (int i = 0; i < palette->count && found < 0; i++) {
        if (palette->colour[i] == colour) {
            found = i;
        } else {
            int d = Distance(palette->colour[i], colour);
            if (best < 0 || d < best) {
                best = d;
                nearest = i;
            }
        }
    }
    if (found < 0 && palette->count < 256) {
        found = palette->count;
        palette->colour[palette->count++] = colour;
    } else if (found < 0) {
        found = nearest;
        palette->beyond = 1;
    }
    palette->last = colour;
    palette->last_index = static_cast<uint8_t>(found);
    return palette->last_index;
}
