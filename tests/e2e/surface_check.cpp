// voka_surface_check: checks that the window program's GDI surface (one
// cached pen, lines gathered into polylines, drawn into a memory bitmap that
// is copied to the window) paints a picture exactly as a pen created afresh
// for every segment, drawn straight on a window, does.  Run under Wine (or
// Windows) with a display:
//
//   voka_surface_check.exe PICTURE [--size W H] [--out PREFIX]
//
// PICTURE is converted to the work file work.$$$ in the current directory
// and drawn as the main window of outer size W x H (default 640 x 410) would
// draw it, six times: the three kinds solid, in the dash styles, and solid
// of width 3.  One line per pass gives the time of reading alone, of the
// per-segment pens and of the cached surface, the pens each created, the
// pixels drawn and the bytes that differ.  With --out, the two pictures of
// every pass that differs are written to PREFIX-passN-reference.bmp and
// PREFIX-passN-cached.bmp.  A path that begins with "/" is taken as a Linux
// path (Z:\...).
//
// Exit status 0 when every pass is the same, 1 when a pass differs, nothing
// was drawn or the picture could not be read, 2 on a bad command line.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "output/bmp_file.h"
#include "picture/message.h"
#include "picture/picture.h"
#include "picture/settings.h"
#include "render/gdi_surface.h"
#include "render/layout.h"
#include "render/picture_paint.h"

namespace {

enum { RESULT_SAME = 0, RESULT_FAILED = 1, RESULT_USAGE = 2 };
enum { PASSES = 6 };

double Seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A Linux path ("/tmp/x.pic") becomes the Wine path of drive Z ("Z:\tmp\x.pic");
// anything else is passed on unchanged.
void Windows_path(const char *in, char *out, size_t size)
{
    if (in[0] == '/') {
        std::snprintf(out, size, "Z:%s", in);
        for (char *p = out; *p != '\0'; p++)
            if (*p == '/')
                *p = '\\';
    } else {
        std::snprintf(out, size, "%s", in);
    }
}

// 24-bit pixels as GetDIBits gives them: bottom-up rows of blue, green, red,
// each row padded to a multiple of 4 bytes.
struct Pixels {
    int32_t width;
    int32_t height;
    std::vector<uint8_t> rows;
};

size_t Row_size(int32_t width)
{
    return static_cast<size_t>((width * 3 + 3) / 4 * 4);
}

// The pixels of (x, y, width, height) of a device context.
Pixels Dc_pixels(HDC source, int32_t x, int32_t y, int32_t width, int32_t height)
{
    Pixels out;
    out.width = width;
    out.height = height;
    out.rows.assign(Row_size(width) * static_cast<size_t>(height), 0);
    HDC memory = CreateCompatibleDC(source);
    HBITMAP bitmap = CreateCompatibleBitmap(source, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    SelectObject(memory, previous);
    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), out.rows.data(), &info,
              DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return out;
}

Colour Pixel_at(const void *context, int32_t x, int32_t y)
{
    const Pixels *p = static_cast<const Pixels *>(context);
    const uint8_t *at = p->rows.data() + Row_size(p->width) * static_cast<size_t>(p->height - 1 - y) +
                        static_cast<size_t>(x) * 3;
    return static_cast<Colour>(at[0]) << 16 | static_cast<Colour>(at[1]) << 8 | at[2];
}

// Pixels of another colour than `background`.
long Drawn_pixels(const Pixels &p, Colour background)
{
    long drawn = 0;
    for (int32_t y = 0; y < p.height; y++)
        for (int32_t x = 0; x < p.width; x++)
            if (Pixel_at(&p, x, y) != background)
                drawn++;
    return drawn;
}

long Differing_bytes(const Pixels &a, const Pixels &b)
{
    long differing = 0;
    for (size_t i = 0; i < a.rows.size(); i++)
        if (a.rows[i] != b.rows[i])
            differing++;
    return differing;
}

// The drawing of a pen made afresh for every segment and every call sent
// straight to the device context: the reference for the cached surface.
class Reference_surface : public Surface {
public:
    explicit Reference_surface(HDC dc_in) : dc(dc_in), style(0), width(1), colour(0), pen_count(0)
    {
    }
    void pen(int s, int w, Colour c) override
    {
        style = s;
        width = w;
        colour = c;
    }
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
        RECT rect;
        SetRect(&rect, l, t, r, b);
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

private:
    HPEN Pen_make()
    {
        pen_count++;
        return CreatePen(style, width, colour);
    }

    HDC dc;
    int style;
    int width;
    Colour colour;
    long pen_count;
};

// Draws nothing: the cost of reading the work file and placing the points.
class Null_surface : public Surface {
public:
    void pen(int, int, Colour) override {}
    void move_to(int32_t, int32_t) override {}
    void line_to(int32_t, int32_t) override {}
    void rectangle(int32_t, int32_t, int32_t, int32_t, Colour) override {}
    void fill_rect(int32_t, int32_t, int32_t, int32_t, Colour) override {}
    void text(int32_t, int32_t, const char *, int, Colour) override {}
    void set_origin(int32_t, int32_t) override {}
};

void Window_clear(HDC dc, int32_t width, int32_t height)
{
    HBRUSH brush = CreateSolidBrush(settings.background_color);
    RECT r;
    SetRect(&r, 0, 0, width, height);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
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

int Picture_prepare(const char *picture, int32_t width, int32_t height)
{
    Message_set_hook(Quiet_message);
    Settings_init();
    settings.window_width = width;
    settings.window_height = height;
    Layout_compute(LAYOUT_FROM_SETTINGS, 0, 0);
    Windows_path(picture, picture_path, sizeof picture_path);
    Text_copy(settings.work_dir, sizeof settings.work_dir, ".\\");
    if (Picture_convert(nullptr, 0) != 0)
        return -1;
    geometry_enabled = 1;
    geometry_pending = 1;
    return 0;
}

void Pixels_write(const char *prefix, int pass, const char *which, const Pixels &p)
{
    char path[PATH_SIZE + 40];
    std::snprintf(path, sizeof path, "%s-pass%d-%s.bmp", prefix, pass, which);
    if (Bmp_write_24(path, p.width, p.height, Pixel_at, &p) != 0)
        std::fprintf(stderr, "voka_surface_check: cannot write %s\n", path);
}

int Surface_check(const char *picture, const char *out_prefix, int32_t width, int32_t height)
{
    if (Picture_prepare(picture, width, height) != 0) {
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
    // The layout may have raised the size to its minimum.
    width = layout.window_w;
    height = layout.window_h;
    HWND window = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "voka_surface_check",
                                  WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr,
                                  wc.hInstance, nullptr);
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

        auto start = std::chrono::steady_clock::now();
        {
            Null_surface surface;
            Picture_rebuild(nullptr, &surface, 0, 0, 0);
        }
        double reading_time = Seconds_since(start);

        // Reference: per-segment pens, straight on the window, whose paint
        // has made the background mode transparent.
        Window_clear(screen, width, height);
        SetBkMode(screen, TRANSPARENT);
        start = std::chrono::steady_clock::now();
        long reference_pens = 0;
        {
            Reference_surface surface(screen);
            Picture_rebuild(nullptr, &surface, 0, 0, 0);
            reference_pens = surface.pens_created();
        }
        GdiFlush();
        double reference_time = Seconds_since(start);
        Pixels reference = Dc_pixels(screen, 5, 5, w, h);

        // The window program's way: cached pen into a memory bitmap that is
        // copied to the window.
        Window_clear(screen, width, height);
        start = std::chrono::steady_clock::now();
        long cached_pens = 0;
        {
            HDC memory = CreateCompatibleDC(screen);
            HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
            HGDIOBJ previous = SelectObject(memory, bitmap);
            BitBlt(memory, 0, 0, w, h, screen, 5, 5, SRCCOPY);
            SetBkMode(memory, GetBkMode(screen));
            SetBkColor(memory, GetBkColor(screen));
            {
                GdiSurface surface(memory, 5, 5);
                Picture_rebuild(nullptr, &surface, 0, 0, 0);
                cached_pens = surface.pens_created();
            }
            BitBlt(screen, 5, 5, w, h, memory, 0, 0, SRCCOPY);
            SelectObject(memory, previous);
            DeleteObject(bitmap);
            DeleteDC(memory);
        }
        GdiFlush();
        double cached_time = Seconds_since(start);
        Pixels cached = Dc_pixels(screen, 5, 5, w, h);

        long drawn = Drawn_pixels(reference, settings.background_color);
        long differing = Differing_bytes(reference, cached);
        std::printf("pass %d styles %d%d%d width %d: reading %.4f s, per-segment pens %.4f s "
                    "(%ld pens), cached pen %.4f s (%ld pens), drawn pixels %ld, differing "
                    "bytes %ld\n",
                    pass, settings.particle_pen_style[0], settings.particle_pen_style[1],
                    settings.particle_pen_style[2], settings.particle_pen_width[0], reading_time,
                    reference_time, reference_pens, cached_time, cached_pens, drawn, differing);
        std::fflush(stdout);
        if (drawn == 0) {
            std::fprintf(stderr, "voka_surface_check: pass %d drew nothing\n", pass);
            result = RESULT_FAILED;
        }
        if (differing != 0) {
            result = RESULT_FAILED;
            if (out_prefix) {
                Pixels_write(out_prefix, pass, "reference", reference);
                Pixels_write(out_prefix, pass, "cached", cached);
            }
        }
    }
    ReleaseDC(window, screen);
    DestroyWindow(window);
    return result;
}

int Usage()
{
    std::fputs("usage: voka_surface_check PICTURE [--size W H] [--out PREFIX]\n", stderr);
    return RESULT_USAGE;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return Usage();
    const char *picture = argv[1];
    int32_t width = 640;
    int32_t height = 410;
    char out_prefix[PATH_SIZE];
    bool have_out = false;
    for (int i = 2; i < argc; i++) {
        if (std::strcmp(argv[i], "--size") == 0 && i + 2 < argc) {
            width = std::atoi(argv[i + 1]);
            height = std::atoi(argv[i + 2]);
            i += 2;
        } else if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
            Windows_path(argv[i + 1], out_prefix, sizeof out_prefix);
            have_out = true;
            i += 1;
        } else {
            return Usage();
        }
    }
    if (width <= 0 || height <= 0)
        return Usage();
    return Surface_check(picture, have_out ? out_prefix : nullptr, width, height);
}
