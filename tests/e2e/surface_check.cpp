// voka_surface_check: checks that the window program's GDI surface (one
// cached pen, lines gathered into polylines, drawn into a memory bitmap that
// is copied to the window) paints a picture exactly as a pen created afresh
// for every segment, drawn straight on a window, does.  Run under Wine (or
// Windows) with a display:
//
//   voka_surface_check.exe PICTURE [--out PREFIX]
//
// PICTURE is converted to the work file work.$$$ in the current directory
// and drawn as the main window of a first run (640 x 410) would draw it, six
// times: the three kinds solid, in the dash styles, and solid of width 3.
// One line per pass gives the pens each way created, the pixels drawn and
// the bytes that differ.  With --out, the two pictures of every pass that
// differs are written to PREFIX-passN-reference.bmp and PREFIX-passN-cached.bmp.
// A path that begins with "/" is taken as a Linux path (Z:\...).
//
// Exit status 0 when every pass is the same, 1 when a pass differs, nothing
// was drawn or the picture could not be read, 2 on a bad command line.
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

enum { RESULT_SAME = 0, RESULT_FAILED = 1, RESULT_USAGE = 2 };
enum { PASSES = 6 };

long Drawn_pixels(const Pixels &p, Colour background)
{
    long drawn = 0;
    for (int32_t y = 0; y < p.height; y++)
        for (int32_t x = 0; x < p.width; x++)
            drawn += Pixels_at(&p, x, y) != background;
    return drawn;
}

long Differing_bytes(const Pixels &a, const Pixels &b)
{
    long differing = 0;
    for (size_t i = 0; i < a.rows.size(); i++)
        differing += a.rows[i] != b.rows[i];
    return differing;
}

void Window_clear(HDC dc)
{
    HBRUSH brush = CreateSolidBrush(settings.background_color);
    RECT r = {0, 0, layout.window_w, layout.window_h};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

PixelRect View_rect()
{
    return PixelRect{5, 5, layout.view_right, layout.view_bottom};
}

void Quiet_message(WindowRef, const char *text, const char *caption, int, int)
{
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

// Pass 0 draws every kind solid, passes 1-4 in the dash styles (each kind in
// another one), pass 5 solid of width 3; the kinds in distinct colours.
void Styles_set(int pass)
{
    for (int i = 0; i < PARTICLE_KINDS; i++) {
        settings.particle_pen_style[i] = pass == 0 || pass == 5 ? PEN_SOLID : (pass + i) % 5;
        settings.particle_pen_width[i] = pass == 5 ? 3 : 1;
    }
    settings.particle_color[PARTICLE_ELECTRON] = 0x000000FFu;
    settings.particle_color[PARTICLE_POSITRON] = 0x0000FFFFu;
    settings.particle_color[PARTICLE_PHOTON] = 0x00FFFF00u;
}

void Pass_write(const char *prefix, int pass, const char *which, const Pixels &p)
{
    char path[PATH_SIZE + 40];
    std::snprintf(path, sizeof path, "%s-pass%d-%s.bmp", prefix, pass, which);
    if (Pixels_write(path, p) != 0)
        std::fprintf(stderr, "voka_surface_check: cannot write %s\n", path);
}

int Picture_prepare(const char *picture)
{
    Message_set_hook(Quiet_message);
    Settings_init();
    settings.window_width = 640;
    settings.window_height = 410;
    Layout_compute(LAYOUT_FROM_SETTINGS, 0, 0);
    Windows_path(picture, picture_path, sizeof picture_path);
    Text_copy(settings.work_dir, sizeof settings.work_dir, ".\\");
    if (Picture_convert(nullptr, 0) != 0)
        return -1;
    picture_selected = 1;
    geometry_enabled = 1;
    geometry_pending = 1;
    return 0;
}

// The window program's way: the cached pen into a memory bitmap of the
// picture area that is copied to the window.  Returns the pens created.
long Cached_draw(HDC screen, int32_t w, int32_t h)
{
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, 5, 5, SRCCOPY);
    SetBkMode(memory, GetBkMode(screen));
    SetBkColor(memory, GetBkColor(screen));
    long pens = 0;
    {
        GdiSurface surface(memory, 5, 5);
        Picture_rebuild(nullptr, &surface, 0, 0, 0, View_rect());
        pens = surface.pens_created();
    }
    BitBlt(screen, 5, 5, w, h, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    GdiFlush();
    return pens;
}

int Surface_check(const char *picture, const char *out_prefix)
{
    if (Picture_prepare(picture) != 0) {
        std::fprintf(stderr, "voka_surface_check: cannot read %s\n", picture);
        return RESULT_FAILED;
    }
    // A visible window for the reference drawing on the screen.
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "voka_surface_check";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "voka_surface_check",
                                  WS_POPUP | WS_VISIBLE, 0, 0, layout.window_w, layout.window_h,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    if (!window) {
        std::fprintf(stderr, "voka_surface_check: no window\n");
        return RESULT_FAILED;
    }
    UpdateWindow(window);
    HDC screen = GetDC(window);
    const int32_t w = layout.view_w;
    const int32_t h = layout.view_h;
    int result = RESULT_SAME;

    for (int pass = 0; pass < PASSES; pass++) {
        Styles_set(pass);
        // Reference: per-segment pens, straight on the window, whose paint
        // has made the background mode transparent.
        Window_clear(screen);
        SetBkMode(screen, TRANSPARENT);
        GdiPlain reference_surface(screen);
        Picture_rebuild(nullptr, &reference_surface, 0, 0, 0, View_rect());
        GdiFlush();
        Pixels reference, cached;
        Dc_pixels(screen, 5, 5, w, h, &reference);

        Window_clear(screen);
        long cached_pens = Cached_draw(screen, w, h);
        Dc_pixels(screen, 5, 5, w, h, &cached);

        long drawn = Drawn_pixels(reference, settings.background_color);
        long differing = Differing_bytes(reference, cached);
        std::printf("pass %d styles %d%d%d width %d: per-segment pens %ld, cached pens %ld, "
                    "drawn pixels %ld, differing bytes %ld\n",
                    pass, settings.particle_pen_style[0], settings.particle_pen_style[1],
                    settings.particle_pen_style[2], settings.particle_pen_width[0],
                    reference_surface.pens_created(), cached_pens, drawn, differing);
        std::fflush(stdout);
        if (drawn == 0) {
            std::fprintf(stderr, "voka_surface_check: pass %d drew nothing\n", pass);
            result = RESULT_FAILED;
        }
        if (differing != 0) {
            result = RESULT_FAILED;
            if (out_prefix) {
                Pass_write(out_prefix, pass, "reference", reference);
                Pass_write(out_prefix, pass, "cached", cached);
            }
        }
    }
    ReleaseDC(window, screen);
    DestroyWindow(window);
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    bool out = argc == 4 && std::strcmp(argv[2], "--out") == 0;
    if (argc != 2 && !out) {
        std::fputs("usage: voka_surface_check PICTURE [--out PREFIX]\n", stderr);
        return RESULT_USAGE;
    }
    return Surface_check(argv[1], out ? argv[3] : nullptr);
}
