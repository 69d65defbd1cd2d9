// Shared by the Windows test programs (voka_driver, voka_surface_check,
// voka_gdi_ref): Linux paths handed to Wine, the pixels of a device context
// and their BMP file, and GDI drawing without any caching.
#ifndef VOKA_WIN_SUPPORT_H
#define VOKA_WIN_SUPPORT_H

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "output/bmp_file.h"
#include "render/surface.h"

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

// GDI without caching: a pen created afresh for every segment and rectangle,
// every call sent straight to the device context.
class GdiPlain : public Surface {
public:
    explicit GdiPlain(HDC dc_in) : dc(dc_in) {}
    void pen(int s, int w, Colour c) override { style = s, width = w, colour = c; }
    void move_to(int32_t x, int32_t y) override { MoveToEx(dc, x, y, nullptr); }
    void line_to(int32_t x, int32_t y) override
    {
        HPEN made = Pen_make();
        HGDIOBJ previous = SelectObject(dc, made);
        LineTo(dc, x, y);
        SelectObject(dc, previous);
        DeleteObject(made);
    }
    void rectangle(int32_t l, int32_t t, int32_t r, int32_t b, Colour fill) override
    {
        HPEN made = Pen_make();
        HBRUSH brush = CreateSolidBrush(fill);
        HGDIOBJ previous_pen = SelectObject(dc, made);
        HGDIOBJ previous_brush = SelectObject(dc, brush);
        Rectangle(dc, l, t, r, b);
        SelectObject(dc, previous_brush);
        SelectObject(dc, previous_pen);
        DeleteObject(brush);
        DeleteObject(made);
    }
    void fill_rect(int32_t l, int32_t t, int32_t r, int32_t b, Colour c) override
    {
        HBRUSH brush = CreateSolidBrush(c);
        RECT rect = {l, t, r, b};
        FillRect(dc, &rect, brush);
        DeleteObject(brush);
    }
    void text(int32_t x, int32_t y, const char *t, int n, Colour c) override
    {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, c);
        TextOutA(dc, x, y, t, n);
    }
    void set_origin(int32_t x, int32_t y) override { SetViewportOrgEx(dc, x, y, nullptr); }
    long pens_created() const { return pen_count; }

protected:
    HDC dc;

private:
    HPEN Pen_make()
    {
        pen_count++;
        return CreatePen(style, width, colour);
    }
    int style = PS_SOLID, width = 1;
    Colour colour = 0;
    long pen_count = 0;
};

#endif
