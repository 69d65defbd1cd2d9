// Shared types of the whole program: colour values, the opaque window
// reference the core hands back to the front end, and plain rectangles.
// Includes nothing but <cstdint>, so every module may include it.
#ifndef VOKA_DEFS_H
#define VOKA_DEFS_H

#include <cstdint>

// Colour value 0x00BBGGRR: red in the low byte, as the platform's COLORREF.
typedef uint32_t Colour;

const Colour COLOUR_BLACK = 0x00000000u;
const Colour COLOUR_WHITE = 0x00FFFFFFu;
// The 24 bits of a colour value that carry the colour.
const Colour COLOUR_MASK = 0x00FFFFFFu;

inline Colour Colour_rgb(unsigned r, unsigned g, unsigned b)
{
    return static_cast<Colour>((r & 0xFFu) | ((g & 0xFFu) << 8) | ((b & 0xFFu) << 16));
}
inline unsigned Colour_red(Colour c)
{
    return c & 0xFFu;
}
inline unsigned Colour_green(Colour c)
{
    return (c >> 8) & 0xFFu;
}
inline unsigned Colour_blue(Colour c)
{
    return (c >> 16) & 0xFFu;
}

// The window a message or a drawing belongs to.  The core never looks inside;
// the window program passes its HWND, command-line tools pass nullptr.
typedef void *WindowRef;

// Rectangle in pixels: left and top inside, right and bottom outside, as the
// platform's RECT.
struct PixelRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// Text buffers of file paths: a path as the user chose it, and a full path
// as the platform composes it.
enum { PATH_SIZE = 256, FULL_PATH_SIZE = 260 };

struct PixelPoint {
    int32_t x;
    int32_t y;
};

#endif
