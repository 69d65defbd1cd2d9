// Shared by the Windows test programs (voka_driver, voka_surface_check):
// Linux paths handed to Wine, and the pixels of a device context and their
// BMP file.
#ifndef VOKA_WIN_SUPPORT_H
#define VOKA_WIN_SUPPORT_H

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "output/bmp_file.h"

// A Linux path ("/tmp/x.pic") becomes the Wine path of drive Z ("Z:\tmp\x.pic");
// any other path is passed on unchanged.
inline void Windows_path(const char *in, char *out, size_t size)
{
    bool linux_path = in[0] == '/';
    std::snprintf(out, size, "%s%s", linux_path ? "Z:" : "", in);
    for (char *p = out; linux_path && *p != '\0'; p++)
        if (*p == '/')
            *p = '\\';
}

// 24-bit pixels as a BMP file holds them: bottom-up rows of blue, green, red,
// each row padded to a multiple of 4 bytes.
struct Pixels {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rows;
};

inline size_t Pixels_row_size(int32_t width)
{
    return (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
}

// The pixels of the rectangle (x, y, width, height) of a device context.
inline bool Dc_pixels(HDC dc, int32_t x, int32_t y, int32_t width, int32_t height, Pixels *out)
{
    BITMAPINFO info;
    std::memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;   // bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    HDC memory = CreateCompatibleDC(dc);
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = bitmap != nullptr && bits != nullptr;
    if (ok) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, dc, x, y, SRCCOPY) != 0;
        GdiFlush();
        SelectObject(memory, previous);
        out->width = width;
        out->height = height;
        const uint8_t *start = static_cast<const uint8_t *>(bits);
        out->rows.assign(start, start + Pixels_row_size(width) * static_cast<size_t>(height));
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    return ok;
}

// Pixel (x, y), row 0 at the top, as 0x00BBGGRR: a BmpPixelFn.
inline Colour Pixels_at(const void *context, int32_t x, int32_t y)
{
    const Pixels *p = static_cast<const Pixels *>(context);
    const uint8_t *at = p->rows.data() + Pixels_row_size(p->width) * static_cast<size_t>(p->height - 1 - y) +
                        static_cast<size_t>(x) * 3;
    return static_cast<Colour>(at[0]) << 16 | static_cast<Colour>(at[1]) << 8 | at[2];
}

// Writes the pixels to PATH (a Linux path is taken as one); returns 0 or -1.
inline int Pixels_write(const char *path, const Pixels &pixels)
{
    char file[MAX_PATH];
    Windows_path(path, file, sizeof file);
    return Bmp_write_24(file, pixels.width, pixels.height, Pixels_at, &pixels);
}

#endif
