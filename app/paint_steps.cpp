// The four named steps of the paint path (request a rebuild, invalidate
// the picture, restore it, ensure the view bitmap) and the off-screen
// picture they work on: what commands and input handlers ask of the paint,
// without reaching into the window procedure.
#include "app/app.h"

#include "picture/display.h"
#include "render/layout.h"
#include "render/view.h"

// The off-screen picture is a 32-bit device-independent bitmap (a DIB
// section, top row first) whose rows the rebuild draws on directly; when
// one cannot be had, a bitmap compatible with the window, drawn through GDI.
void View_bitmap_replace(HWND window)
{
    HDC dc = GetDC(window);
    if (app.view_bitmap)
        DeleteObject(app.view_bitmap);
    app.view_rows = nullptr;
    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = layout.bitmap_w;
    info.bmiHeader.biHeight = -layout.bitmap_h; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    app.view_bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (app.view_bitmap && bits)
        app.view_rows = static_cast<Colour *>(bits);
    else
        app.view_bitmap = CreateCompatibleBitmap(dc, layout.bitmap_w, layout.bitmap_h);
    ReleaseDC(window, dc);
}

void Picture_copy_back(HDC dc)
{
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(memory, app.view_bitmap);
    BitBlt(dc, layout.view_rect.left, layout.view_rect.top, layout.view_w, layout.view_h, memory, 0,
           0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
}

void Rebuild_request()
{
    display.view_dirty = 1;
    app.render_mode = app.zoomed == 1 ? RENDER_KEEP : RENDER_FULL;
    if (display.geometry_enabled == 1)
        display.geometry_pending = 1;
}

void Picture_invalidate()
{
    const PixelRect &v = layout.view_rect;
    RECT r;
    SetRect(&r, v.left, v.top, v.right, v.bottom);
    InvalidateRect(app.main_window, &r, FALSE);
}

void Picture_restore()
{
    if (app.view_bitmap_missing != 0)
        return;
    app.restore_view = 1;
    Picture_invalidate();
    UpdateWindow(app.main_window);
}

void View_bitmap_ensure()
{
    if (app.view_bitmap_missing != 1)
        return;
    View_bitmap_replace(app.main_window);
    app.view_bitmap_missing = 0;
}
