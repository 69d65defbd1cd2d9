// The image that Print and Bitmap File Save put out, read back in strips of
// rows in the pixel format that matches the display.  Private to
// app/output/.
//
// The image is what the viewer itself draws on its client area from (0, 0):
// the window background in the margin, the picture background and frame,
// and the picture copied from the off-screen picture, composed in memory.
// Unlike a copy of the screen, on purpose and for the user's sake: a window
// that happens to cover the viewer (a dialog that has just closed, another
// program) must not end up on paper or in the file.
#ifndef VOKA_OUTPUT_IMAGE_H
#define VOKA_OUTPUT_IMAGE_H

#include <windows.h>

#include <cstdint>

#include "output/bmp_file.h"

// A strip's device-independent header with room for the largest colour table.
struct OutputStripInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
};

struct OutputImage {
    HWND window;
    HDC screen;                    // the window's client context
    int display_colours;           // its palette size, or its number of colours
    BmpLayout strip_layout;        // one strip: width x rows in the display's format
    uint8_t colour_table[256 * 4]; // as a file holds it: blue, green, red, 0
    OutputStripInfo info;          // the strip's header and the same colour table
    HDC image_dc;                  // the composed image, selected into image_dc
    HBITMAP image;
    HGDIOBJ image_previous;
    HDC strip_dc; // one strip, a section whose bits are strip_bits
    HBITMAP strip;
    HGDIOBJ strip_previous;
    void *strip_bits;
};

// Get the window's context and choose the pixel format (4 bits on a
// 16-colour display, 8 on a 256-colour one, 24 otherwise) and the colour
// table (the display's 16 system colours, fixed_palette_256, none) of strips
// of `width` x `rows` pixels.  Returns 0, or -1 with nothing held.
int Output_image_begin(OutputImage *image, HWND window, int32_t width, int32_t rows);

// Compose the image, `width` x `height` pixels, and make the strip.
// Returns 0, or -1 when the bitmaps cannot be made.
int Output_image_compose(OutputImage *image, int32_t height);

// Rows `top` to top + rows - 1 of the image in the strip's format (rows
// bottom-up, each padded to 4 bytes); valid until the next call.
const uint8_t *Output_image_strip(OutputImage *image, int32_t top);

// Release everything the image holds (also after a failed compose).
void Output_image_end(OutputImage *image);

#endif
