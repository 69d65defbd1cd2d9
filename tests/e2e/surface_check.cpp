// voka_surface_check PICTURE [--out PREFIX]: checks, under Wine (or Windows)
// with a display, that the window program's GDI surface (one cached pen,
// lines gathered into polylines, drawn into a memory bitmap copied to the
// window) paints PICTURE exactly as a pen created afresh for every segment,
// drawn straight on a window, does: in the main window of a first run, six
// times (the kinds solid, in the dash styles, solid of width 3).  A pass
// fails when a byte differs (--out then writes both pictures to
// PREFIX-passN-reference.bmp and -cached.bmp), when it drew fewer than 2000
// pixels, or when the cached surface made fewer than 3 pens (every kind
// changes the pen at least once a batch) or not ten times fewer than the
// reference.  The work file goes to the current directory.  Exit status 0,
// 1 when a pass fails or the picture cannot be read, 2 on bad arguments.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "picture/message.h"
#include "picture/picture.h"
#include "picture/settings.h"
#include "render/gdi_surface.h"
#include "render/layout.h"
#include "render/picture_paint.h"
#include "tests/e2e/win_support.h"

namespace {

void Fill(HDC dc, const RECT *rect, Colour c)
{
    HBRUSH brush = CreateSolidBrush(c);
    FillRect(dc, rect, brush);
    DeleteObject(brush);
}

// The reference: a pen created afresh for every segment and rectangle, every
// call sent straight to the device context.
class Reference : public Surface {
public:
    explicit Reference(HDC dc_in) : dc(dc_in) {}
    void pen(int s, int w, Colour c) override { style = s, width = w, colour = c; }
    void move_to(int32_t x, int32_t y) override { MoveToEx(dc, x, y, nullptr); }
    void line_to(int32_t x, int32_t y) override
    {
        HGDIOBJ previous = SelectObject(dc, Pen_make());
        LineTo(dc, x, y);
        DeleteObject(SelectObject(dc, previous));
    }
    void rectangle(int32_t l, int32_t t, int32_t r, int32_t b, Colour fill) override
    {
        HGDIOBJ previous_pen = SelectObject(dc, Pen_make());
        HGDIOBJ previous_brush = SelectObject(dc, CreateSolidBrush(fill));
        Rectangle(dc, l, t, r, b);
        DeleteObject(SelectObject(dc, previous_brush));
        DeleteObject(SelectObject(dc, previous_pen));
    }
    void fill_rect(int32_t l, int32_t t, int32_t r, int32_t b, Colour c) override
    {
        RECT rect = {l, t, r, b};
        Fill(dc, &rect, c);
    }
    void text(int32_t x, int32_t y, const char *t, int n, Colour c) override
    {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, c);
        TextOutA(dc, x, y, t, n);
    }
    void set_origin(int32_t x, int32_t y) override { SetViewportOrgEx(dc, x, y, nullptr); }
    long pens = 0;

private:
    HPEN Pen_make()
    {
        pens++;
        return CreatePen(style, width, colour);
    }
    HDC dc;
    int style = PS_SOLID, width = 1;
    Colour colour = 0;
};

void Quiet_message(WindowRef, const char *text, const char *caption, int, int)
{
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

// Clears the window and rebuilds the picture on it: straight with the
// reference surface, or the window program's way (the cached pen into a
// memory bitmap of the picture area, copied to the window).  Returns the
// pens created.
long Draw(HDC screen, bool cached)
{
    RECT r = {0, 0, layout.window_w, layout.window_h};
    Fill(screen, &r, settings.background_color);
    long pens = 0;
    if (!cached) {
        // The window's paint has made the background mode transparent.
        SetBkMode(screen, TRANSPARENT);
        Reference surface(screen);
        Picture_rebuild(nullptr, &surface, 0, 0, 0);
        pens = surface.pens;
    } else {
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, layout.view_w, layout.view_h);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, layout.view_w, layout.view_h, screen, 5, 5, SRCCOPY);
        SetBkMode(memory, GetBkMode(screen));
        SetBkColor(memory, GetBkColor(screen));
        {
            GdiSurface surface(memory, 5, 5);
            Picture_rebuild(nullptr, &surface, 0, 0, 0);
            pens = surface.pens_created();
        }
        BitBlt(screen, 5, 5, layout.view_w, layout.view_h, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
        DeleteObject(bitmap);
        DeleteDC(memory);
    }
    GdiFlush();
    return pens;
}

// Pass 0 draws every kind solid, passes 1-4 in the dash styles (each kind in
// another one), pass 5 solid of width 3; the kinds in distinct colours.
bool Pass(HDC screen, int pass, const char *out_prefix)
{
    for (int i = 0; i < PARTICLE_KINDS; i++) {
        settings.particle_pen_style[i] = pass == 0 || pass == 5 ? PEN_SOLID : (pass + i) % 5;
        settings.particle_pen_width[i] = pass == 5 ? 3 : 1;
    }
    settings.particle_color[PARTICLE_ELECTRON] = 0x000000FFu;
    settings.particle_color[PARTICLE_POSITRON] = 0x0000FFFFu;
    settings.particle_color[PARTICLE_PHOTON] = 0x00FFFF00u;
    Pixels reference, cached;
    long reference_pens = Draw(screen, false);
    Dc_pixels(screen, 5, 5, layout.view_w, layout.view_h, &reference);
    long cached_pens = Draw(screen, true);
    Dc_pixels(screen, 5, 5, layout.view_w, layout.view_h, &cached);
    long drawn = 0, differing = 0;
    for (int32_t y = 0; y < reference.height; y++)
        for (int32_t x = 0; x < reference.width; x++)
            drawn += Pixels_at(&reference, x, y) != settings.background_color;
    for (size_t i = 0; i < reference.rows.size(); i++)
        differing += reference.rows[i] != cached.rows[i];
    std::printf("pass %d styles %d%d%d width %d: per-segment pens %ld, cached pens %ld, drawn pixels %ld, "
                "differing bytes %ld\n",
                pass, settings.particle_pen_style[0], settings.particle_pen_style[1],
                settings.particle_pen_style[2], settings.particle_pen_width[0], reference_pens, cached_pens,
                drawn, differing);
    for (int i = 0; i < 2 && differing != 0 && out_prefix != nullptr; i++) {
        char path[PATH_SIZE + 40];
        std::snprintf(path, sizeof path, "%s-pass%d-%s.bmp", out_prefix, pass, i ? "cached" : "reference");
        if (Pixels_write(path, i ? cached : reference) != 0)
            std::fprintf(stderr, "voka_surface_check: cannot write %s\n", path);
    }
    return differing == 0 && drawn >= 2000 && cached_pens >= 3 && cached_pens < reference_pens / 10;
}

} // namespace

int main(int argc, char **argv)
{
    bool out = argc == 4 && std::strcmp(argv[2], "--out") == 0;
    if (argc != 2 && !out) {
        std::fputs("usage: voka_surface_check PICTURE [--out PREFIX]\n", stderr);
        return 2;
    }
    Message_set_hook(Quiet_message);
    Settings_init();
    settings.window_width = 640;
    settings.window_height = 410;
    Layout_compute(LAYOUT_FROM_SETTINGS, 0, 0);
    Windows_path(argv[1], picture_path, sizeof picture_path);
    Text_copy(settings.work_dir, sizeof settings.work_dir, ".\\");
    if (Picture_convert(nullptr, 0) != 0) {
        std::fprintf(stderr, "voka_surface_check: cannot read %s\n", argv[1]);
        return 1;
    }
    geometry_enabled = geometry_pending = 1;

    // A visible window for the reference drawing on the screen.
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "voka_surface_check";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, wc.lpszClassName, WS_POPUP | WS_VISIBLE, 0,
                                  0, layout.window_w, layout.window_h, nullptr, nullptr, wc.hInstance, nullptr);
    if (!window) {
        std::fprintf(stderr, "voka_surface_check: no window\n");
        return 1;
    }
    UpdateWindow(window);
    HDC screen = GetDC(window);
    bool all = true;
    for (int pass = 0; pass < 6; pass++)
        all = Pass(screen, pass, out ? argv[3] : nullptr) && all;
    ReleaseDC(window, screen);
    DestroyWindow(window);
    return all ? 0 : 1;
}
