// The bitmap file layout: a 14-byte file header, a 40-byte information
// header, an optional colour table and bottom-up pixel rows padded to a
// multiple of 4 bytes.  Used by the window program's Bitmap File Save and by
// the headless renderer.
//
// File header (little-endian):        Information header:
//   OFFSET SIZE FIELD                   OFFSET SIZE FIELD
//        0    2 "BM" (0x4D42)               14    4 size 40
//        2    4 file size                   18    4 width
//        6    2 reserved 0                  22    4 height (positive: bottom-up)
//        8    2 reserved 0                  26    2 planes 1
//       10    4 offset of the pixels        28    2 bits per pixel 4, 8, 24
//                                           30    4 compression 0
//                                           34    4 image size R * height
//                                           38    4 x resolution 0
//                                           42    4 y resolution 0
//                                           46    4 colours used 0
//                                           50    4 important colours 0
// Colour table: 4 bytes per entry, blue, green, red, 0.
#ifndef VOKA_BMP_FILE_H
#define VOKA_BMP_FILE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "picture/defs.h"

enum { BMP_FILE_HEADER_SIZE = 14, BMP_INFO_HEADER_SIZE = 40, BMP_HEADERS_SIZE = 54 };
static_assert(BMP_FILE_HEADER_SIZE + BMP_INFO_HEADER_SIZE == BMP_HEADERS_SIZE,
              "the two headers take 54 bytes");
static_assert(BMP_FILE_HEADER_SIZE + 36 + 4 == BMP_HEADERS_SIZE,
              "the last field of the information header ends at byte 54");

struct BmpLayout {
    int bits;    // 4, 8 or 24
    int colours; // colour-table entries: 16, 256 or 0
    int32_t width;
    int32_t height;
    uint32_t row_size;    // R = ((bits * width + 31) / 32) * 4
    uint32_t pixel_bytes; // bytes of pixel data in a row before the padding
    uint32_t data_offset; // 54 + 4 * colours
    uint32_t file_size;   // data_offset + R * height
};

// The layout for a display of `display_colours` colours (16 gives 4 bits,
// 256 gives 8 bits, anything else 24 bits).  Returns 0, or -1 for a size
// that is not positive or too large for the file's 32-bit fields.
int Bmp_layout(int display_colours, int32_t width, int32_t height, BmpLayout *layout);

// The 54 header bytes of a layout.
void Bmp_headers(const BmpLayout *layout, uint8_t out[BMP_HEADERS_SIZE]);

// The colour table of the program's fixed 256 colours as file bytes (blue,
// green, red, 0).
void Bmp_palette_256(uint8_t out[256 * 4]);

// Writing a file row by row in the pixel format of its layout.  The file is
// written under a temporary name next to `path` (`temporary`, unique: see
// picture/file_replace.h; output/part_file.h names it while it is written)
// and put in the place of `path` by Bmp_write_end
// in one step only when everything reached the disk, so a failure leaves
// whatever was at `path` before as it was.
enum { BMP_PATH_SIZE = 1024 };
struct BmpWriter {
    FILE *file;
    BmpLayout layout;
    bool failed; // a write or the close failed
    char path[BMP_PATH_SIZE];
    char temporary[BMP_PATH_SIZE + 16];
};

// Create the file and write the two headers and the colour table:
// `colour_table` holds layout->colours entries of 4 bytes (blue, green, red,
// 0) and is not read when the layout has none.  Returns 0, or -1 when the
// file cannot be created (nothing is left behind).
int Bmp_write_begin(BmpWriter *writer, const char *path, const BmpLayout *layout,
                    const uint8_t *colour_table);

// Append one pixel row, the bottom row first: `pixels` holds the layout's
// pixel_bytes in the file's format (4 bits: two pixels a byte, the left one
// in the high nibble; 8 bits: colour-table indices; 24 bits: blue, green,
// red).  The row is padded with zero bytes to the row size; with an odd
// width at 4 bits the unused low nibble of the last byte is written as 0.
void Bmp_write_row(BmpWriter *writer, const uint8_t *pixels);

// Close the file and put it in place of `path`.  Returns 0, or -1 with errno
// set when something failed (the temporary file is removed, `path` keeps
// what it had).
int Bmp_write_end(BmpWriter *writer);

// Write a 24-bit file of width x height pixels whose rows come from
// `pixel(x, y)` (0x00BBGGRR), in the way of the writer above.  Returns 0, or
// -1 (nothing is left behind).
typedef Colour (*BmpPixelFn)(const void *context, int32_t x, int32_t y);
int Bmp_write_24(const char *path, int32_t width, int32_t height, BmpPixelFn pixel,
                 const void *context);

#endif
