#include "output/bmp_file.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "output/part_file.h"
#include "picture/file_replace.h"
#include "picture/le_bytes.h"

// Entries 0-9 and 246-255 are the twenty standard colours of the display;
// the 236 between are the program's own fixed colours.  Values 0x00BBGGRR.
// clang-format off
static const Colour fixed_palette_256[256] = {
    /*   0 */ 0x00000000u, 0x00000080u, 0x00008000u, 0x00008080u, 0x00800000u, 0x00800080u, 0x00808000u, 0x00C0C0C0u,
              0x00C0DCC0u, 0x00F0C8A4u, 0x00FFDAFFu, 0x00FFDADBu, 0x00FFDAB6u, 0x00FFB5FFu, 0x00FFB5DBu, 0x00FFB5B6u,
    /*  16 */ 0x00FF91DBu, 0x00FF91B6u, 0x00FF916Du, 0x00DBFFE5u, 0x00A9FFFFu, 0x00A9FFDBu, 0x00A9DAFFu, 0x00A9DADBu,
              0x00A9DAB6u, 0x00A9B5FFu, 0x00A9B5DBu, 0x00A9B5B6u, 0x00A9B591u, 0x00A9B56Du, 0x00A991FFu, 0x00A991DBu,
    /*  32 */ 0x00A991B6u, 0x00A99191u, 0x00A9916Du, 0x00A99148u, 0x00A96CDBu, 0x00A96CB6u, 0x00A96C91u, 0x00A96C6Du,
              0x00A96C48u, 0x00A96C23u, 0x00A94891u, 0x00A9486Du, 0x00A94848u, 0x0054FFFFu, 0x0054DAFFu, 0x0054DADBu,
    /*  48 */ 0x0054DAB6u, 0x0054B5FFu, 0x0054B5DBu, 0x0054B5B6u, 0x0054B591u, 0x0054B56Du, 0x004F827Fu, 0x005491DBu,
              0x005491B6u, 0x00549191u, 0x0054916Du, 0x00549148u, 0x00546CFFu, 0x00546CDBu, 0x00546CB6u, 0x00546C91u,
    /*  64 */ 0x00546C6Du, 0x00546C48u, 0x00546C23u, 0x005448DBu, 0x005448B6u, 0x00544891u, 0x0054486Du, 0x00544848u,
              0x00544823u, 0x005423DBu, 0x005423B6u, 0x00542391u, 0x0054236Du, 0x00542348u, 0x00542323u, 0x00542300u,
    /*  80 */ 0x00540048u, 0x00540023u, 0x00540000u, 0x0000DAFFu, 0x0000DADBu, 0x0000DAB6u, 0x0000B5FFu, 0x0000B5DBu,
              0x0000B5B6u, 0x0000B56Du, 0x000091B6u, 0x00009191u, 0x00009148u, 0x00006CDBu, 0x00006CB6u, 0x00006C91u,
    /*  96 */ 0x00006C6Du, 0x00006C48u, 0x000048DBu, 0x000048B6u, 0x00004891u, 0x0000486Du, 0x00004848u, 0x00004823u,
              0x000023DBu, 0x000023B6u, 0x00002348u, 0x00002323u, 0x000000DBu, 0x000000B6u, 0x00000091u, 0x0000006Du,
    /* 112 */ 0x00000048u, 0x00000003u, 0x007F5F3Fu, 0x007F5F5Fu, 0x007F5F7Fu, 0x007F5F9Fu, 0x007F5FBFu, 0x007F5FDFu,
              0x007F5FFFu, 0x007F7F3Fu, 0x007F7F5Fu, 0x007F7F7Fu, 0x007F7F9Fu, 0x007F7FBFu, 0x007F7FDFu, 0x007F7FFFu,
    /* 128 */ 0x007F9F3Fu, 0x007F9F5Fu, 0x007F9F7Fu, 0x007F9F9Fu, 0x007F9FBFu, 0x007F9FDFu, 0x007F9FFFu, 0x007FBF3Fu,
              0x007FBF5Fu, 0x007FBF7Fu, 0x007FBF9Fu, 0x007FBFBFu, 0x007FBFDFu, 0x007FBFFFu, 0x007FDF3Fu, 0x007FDF5Fu,
    /* 144 */ 0x007FDF7Fu, 0x007FDF9Fu, 0x007FDFBFu, 0x007FDFDFu, 0x007FDFFFu, 0x007FFF3Fu, 0x007FFF5Fu, 0x007FFF7Fu,
              0x007FFF9Fu, 0x007FFFBFu, 0x007FFFDFu, 0x007FFFFFu, 0x000FF78Fu, 0x009F3F5Fu, 0x000FEC17u, 0x009F3F9Fu,
    /* 160 */ 0x009F3FBFu, 0x009F3FDFu, 0x009F3FFFu, 0x009F5F3Fu, 0x009F5E51u, 0x009F5F7Fu, 0x009F5F9Fu, 0x009F5FBFu,
              0x009F5FDFu, 0x009F5FFFu, 0x009F7F3Fu, 0x009F7F5Fu, 0x009F7F7Fu, 0x009F7F9Fu, 0x009F7FBFu, 0x009F7FDFu,
    /* 176 */ 0x009F7FFFu, 0x009F9F3Fu, 0x009F9F5Fu, 0x009F9F7Fu, 0x009F9F9Fu, 0x009F9FBFu, 0x009F9FDFu, 0x009F9FFFu,
              0x009FBF3Fu, 0x009FBF5Fu, 0x009FBF7Fu, 0x009FBF9Fu, 0x009FBFBFu, 0x009FBFDFu, 0x009FBFFFu, 0x009FDF3Fu,
    /* 192 */ 0x009FDF5Fu, 0x009FDF7Fu, 0x009FDF9Fu, 0x009FDFBFu, 0x009FDFDFu, 0x009FDFFFu, 0x009FFF3Fu, 0x009FFF5Fu,
              0x009FFF7Fu, 0x009FFF9Fu, 0x009FFFBFu, 0x009FFFDFu, 0x009FFFFFu, 0x00BF3F3Fu, 0x00BF3F5Fu, 0x00BF3F7Fu,
    /* 208 */ 0x00BF3F9Fu, 0x00BF3FBFu, 0x00BF3FDFu, 0x00BF3FFFu, 0x00BF5F3Fu, 0x00BF5F5Fu, 0x00BF5F7Fu, 0x00BF5F9Fu,
              0x00BF5FBFu, 0x00BF5FDFu, 0x00BF5FFFu, 0x00BF7F3Fu, 0x00BF7F5Fu, 0x00BF7F7Fu, 0x00BF7F9Fu, 0x00BF7FBFu,
    /* 224 */ 0x00BF7FDFu, 0x00BF7FFFu, 0x00BF9F3Fu, 0x00BF9F5Fu, 0x00BF9F7Fu, 0x00BF9F9Fu, 0x00BF9FBFu, 0x00BF9FDFu,
              0x00BF9FFFu, 0x00BFBF3Fu, 0x00BFBF5Fu, 0x00BFBF7Fu, 0x00BFBF9Fu, 0x00BFBFBFu, 0x00BFBFDFu, 0x00BFBFFFu,
    /* 240 */ 0x00BFDF3Fu, 0x00BFDF5Fu, 0x00BFDF7Fu, 0x00BFDF9Fu, 0x00BFDFBFu, 0x00BFDFDFu, 0x00F0FBFFu, 0x00A4A0A0u,
              0x00808080u, 0x000000FFu, 0x0000FF00u, 0x0000FFFFu, 0x00FF0000u, 0x00FF00FFu, 0x00FFFF00u, 0x00FFFFFFu,
};
// clang-format on

int Bmp_layout(int display_colours, int32_t width, int32_t height, BmpLayout *layout)
{
    if (width <= 0 || height <= 0)
        return -1;
    BmpLayout l;
    if (display_colours == 16) {
        l.bits = 4;
        l.colours = 16;
    } else if (display_colours == 256) {
        l.bits = 8;
        l.colours = 256;
    } else {
        l.bits = 24;
        l.colours = 0;
    }
    uint64_t row = (static_cast<uint64_t>(l.bits) * static_cast<uint64_t>(width) + 31) / 32 * 4;
    uint64_t offset = BMP_HEADERS_SIZE + 4u * static_cast<uint64_t>(l.colours);
    uint64_t size = offset + row * static_cast<uint64_t>(height);
    if (size > 0xFFFFFFFFu)
        return -1;
    l.width = width;
    l.height = height;
    l.row_size = static_cast<uint32_t>(row);
    l.pixel_bytes = static_cast<uint32_t>(
        (static_cast<uint64_t>(l.bits) * static_cast<uint64_t>(width) + 7) / 8);
    l.data_offset = static_cast<uint32_t>(offset);
    l.file_size = static_cast<uint32_t>(size);
    *layout = l;
    return 0;
}

void Bmp_headers(const BmpLayout *l, uint8_t out[BMP_HEADERS_SIZE])
{
    std::memset(out, 0, BMP_HEADERS_SIZE);
    out[0] = 'B';
    out[1] = 'M';
    Put4(out + 2, l->file_size);
    Put4(out + 10, l->data_offset);
    Put4(out + 14, BMP_INFO_HEADER_SIZE);
    Put4(out + 18, static_cast<uint32_t>(l->width));
    Put4(out + 22, static_cast<uint32_t>(l->height));
    Put2(out + 26, 1);
    Put2(out + 28, static_cast<uint32_t>(l->bits));
    Put4(out + 30, 0);
    Put4(out + 34, l->row_size * static_cast<uint32_t>(l->height));
}

void Bmp_palette_256(uint8_t out[256 * 4])
{
    for (int i = 0; i < 256; i++) {
        Colour c = fixed_palette_256[i];
        out[4 * i + 0] = static_cast<uint8_t>(c >> 16); // blue
        out[4 * i + 1] = static_cast<uint8_t>(c >> 8);  // green
        out[4 * i + 2] = static_cast<uint8_t>(c);       // red
        out[4 * i + 3] = 0;
    }
}

int Bmp_write_begin(BmpWriter *w, const char *path, const BmpLayout *layout,
                    const uint8_t *colour_table)
{
    int n = std::snprintf(w->path, sizeof w->path, "%s", path);
    if (n < 0 || static_cast<size_t>(n) >= sizeof w->path)
        return -1;
    w->layout = *layout;
    w->failed = false;
    w->file = Part_file_create(path, w->temporary, sizeof w->temporary);
    if (!w->file)
        return -1;
    uint8_t headers[BMP_HEADERS_SIZE];
    Bmp_headers(layout, headers);
    size_t table = 4u * static_cast<size_t>(layout->colours);
    if (std::fwrite(headers, 1, sizeof headers, w->file) != sizeof headers ||
        (table > 0 && std::fwrite(colour_table, 1, table, w->file) != table))
        w->failed = true;
    return 0;
}

void Bmp_write_row(BmpWriter *w, const uint8_t *pixels)
{
    const BmpLayout &l = w->layout;
    static const uint8_t zeros[4] = {0, 0, 0, 0};
    size_t whole = l.pixel_bytes;
    bool half_byte = l.bits == 4 && l.width % 2 == 1;
    if (half_byte)
        whole--;
    if (std::fwrite(pixels, 1, whole, w->file) != whole)
        w->failed = true;
    if (half_byte && std::fputc(pixels[whole] & 0xF0, w->file) == EOF)
        w->failed = true;
    size_t padding = l.row_size - l.pixel_bytes;
    if (padding > 0 && std::fwrite(zeros, 1, padding, w->file) != padding)
        w->failed = true;
}

int Bmp_write_end(BmpWriter *w)
{
    // Replace the old file only with a complete new one, in one step: a
    // failure leaves the old file whole.
    int result = Part_file_finish(w->file, !w->failed, w->temporary, w->path);
    w->file = nullptr;
    return result;
}

int Bmp_write_24(const char *path, int32_t width, int32_t height, BmpPixelFn pixel,
                 const void *context)
{
    BmpLayout l;
    if (Bmp_layout(0, width, height, &l) != 0)
        return -1;
    BmpWriter w;
    if (Bmp_write_begin(&w, path, &l, nullptr) != 0)
        return -1;
    std::string row(l.pixel_bytes, '\0');
    for (int32_t y = height - 1; y >= 0; y--) {
        for (int32_t x = 0; x < width; x++) {
            Colour c = pixel(context, x, y);
            size_t at = static_cast<size_t>(x) * 3;
            row[at + 0] = static_cast<char>(Colour_blue(c));
            row[at + 1] = static_cast<char>(Colour_green(c));
            row[at + 2] = static_cast<char>(Colour_red(c));
        }
        Bmp_write_row(&w, reinterpret_cast<const uint8_t *>(row.data()));
    }
    return Bmp_write_end(&w);
}
