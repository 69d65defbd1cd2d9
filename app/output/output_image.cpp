#include "app/output/output_image.h"

#include <cstring>

#include "app/app.h"

namespace {

// The 16 colours of a display without a palette of its own, where the
// system palette cannot be read: the standard colours of the default
// palette (its entries 0-7 and 12-19), in the order a 16-colour bitmap
// uses them.
void Default_16(PALETTEENTRY entries[16])
{
    PALETTEENTRY all[20];
    std::memset(all, 0, sizeof all);
    GetPaletteEntries(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), 0, 20, all);
    for (int i = 0; i < 8; i++) {
        entries[i] = all[i];
        entries[8 + i] = all[12 + i];
    }
}

void Table_from_entries(const PALETTEENTRY entries[16], uint8_t table[])
{
    for (int i = 0; i < 16; i++) {
        table[4 * i + 0] = entries[i].peBlue;
        table[4 * i + 1] = entries[i].peGreen;
        table[4 * i + 2] = entries[i].peRed;
        table[4 * i + 3] = 0;
    }
}

} // namespace

int Output_image_begin(OutputImage *image, HWND window, int32_t width, int32_t rows)
{
    std::memset(image, 0, sizeof *image);
    image->window = window;
    image->screen = GetDC(window);
    if (!image->screen)
        return -1;
    int colours = GetDeviceCaps(image->screen, SIZEPALETTE);
    if (colours == 0)
        colours = GetDeviceCaps(image->screen, NUMCOLORS);
    image->display_colours = colours;
    BmpLayout &l = image->strip_layout;
    if (Bmp_layout(colours, width, rows, &l) != 0) {
        ReleaseDC(window, image->screen);
        image->screen = nullptr;
        return -1;
    }

    if (l.colours == 16) {
        PALETTEENTRY entries[16];
        if (GetSystemPaletteEntries(image->screen, 0, 16, entries) < 16)
            Default_16(entries);
        Table_from_entries(entries, image->colour_table);
    } else if (l.colours == 256) {
        Bmp_palette_256(image->colour_table);
    }

    BITMAPINFOHEADER &h = image->info.header;
    h.biSize = sizeof h;
    h.biWidth = l.width;
    h.biHeight = l.height; // positive: rows bottom-up
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(l.bits);
    h.biCompression = BI_RGB;
    h.biSizeImage = l.row_size * static_cast<DWORD>(l.height);
    for (int i = 0; i < l.colours; i++) {
        RGBQUAD &q = image->info.colours[i];
        q.rgbBlue = image->colour_table[4 * i + 0];
        q.rgbGreen = image->colour_table[4 * i + 1];
        q.rgbRed = image->colour_table[4 * i + 2];
        q.rgbReserved = 0;
    }
    return 0;
}

int Output_image_compose(OutputImage *image, int32_t height)
{
    const int32_t width = image->strip_layout.width;
    image->image_dc = CreateCompatibleDC(image->screen);
    image->image = CreateCompatibleBitmap(image->screen, width, height);
    image->strip_dc = CreateCompatibleDC(image->screen);
    image->strip = CreateDIBSection(image->screen, reinterpret_cast<BITMAPINFO *>(&image->info),
                                    DIB_RGB_COLORS, &image->strip_bits, nullptr, 0);
    if (!image->image_dc || !image->image || !image->strip_dc || !image->strip ||
        !image->strip_bits)
        return -1;
    image->image_previous = SelectObject(image->image_dc, image->image);
    image->strip_previous = SelectObject(image->strip_dc, image->strip);

    // As a paint that restores the picture leaves the client area: the
    // window background, the panel pass, the off-screen picture.
    RECT all;
    SetRect(&all, 0, 0, width, height);
    HBRUSH background =
        reinterpret_cast<HBRUSH>(GetClassLongPtrA(image->window, GCLP_HBRBACKGROUND));
    FillRect(image->image_dc, &all, background);
    Panel_main_paint(image->image_dc);
    if (app.view_bitmap_missing == 0)
        Picture_copy_back(image->image_dc);
    return 0;
}

const uint8_t *Output_image_strip(OutputImage *image, int32_t top)
{
    const BmpLayout &l = image->strip_layout;
    // The copy into the section converts to its format; colours of the
    // image go to the nearest entry of a colour table.
    BitBlt(image->strip_dc, 0, 0, l.width, l.height, image->image_dc, 0, top, SRCCOPY);
    GdiFlush();
    return static_cast<const uint8_t *>(image->strip_bits);
}

void Output_image_end(OutputImage *image)
{
    if (image->strip_previous)
        SelectObject(image->strip_dc, image->strip_previous);
    if (image->strip)
        DeleteObject(image->strip);
    if (image->strip_dc)
        DeleteDC(image->strip_dc);
    if (image->image_previous)
        SelectObject(image->image_dc, image->image_previous);
    if (image->image)
        DeleteObject(image->image);
    if (image->image_dc)
        DeleteDC(image->image_dc);
    if (image->screen)
        ReleaseDC(image->window, image->screen);
    std::memset(image, 0, sizeof *image);
}
