// appcheck: developer checks of the window program, run under Windows or
// Wine next to a running vokagraphic.exe.
//
//   appcheck cmd ID                 post WM_COMMAND ID to the main window
//   appcheck open PATH [geometry]   choose PATH in the Data File Open (or the
//                                   Geometry File Open) dialog and print the
//                                   time from OK to the painted picture
//   appcheck capture OUT.bmp        the main window's client area as a 24-bit
//                                   bitmap file
//   appcheck drag X1 Y1 X2 Y2 [hold]
//                                   press, move and release the left button
//                                   (with "hold": not released)
//   appcheck size W H               resize the main window and print the
//                                   outer size it then has
//   appcheck click ID               click the strip button or check box ID
//   appcheck answer CAPTION [ID]    press OK (or the button ID) in the
//                                   message box or dialog with that caption
//   appcheck wait                   wait until the window has handled every
//                                   message and painted
//   appcheck surface PICTURE OUT_PREFIX [W H]
//                                   draw PICTURE with the GDI surface (one
//                                   cached pen, memory bitmap) and with a
//                                   pen created per segment drawn straight
//                                   on a window; compare the pixels and time
//                                   both
//
// Exit status 0 on success, 1 on failure, 2 on a usage error.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "picture/message.h"
#include "picture/picture.h"
#include "picture/settings.h"
#include "render/gdi_surface.h"
#include "render/layout.h"
#include "render/picture_paint.h"

namespace {

const char MAIN_TITLE[] = "VOKA Graphic for Win32 V1.00";

double Seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

HWND Main_find()
{
    for (int i = 0; i < 100; i++) {
        HWND w = FindWindowA(MAIN_TITLE, MAIN_TITLE);
        if (w)
            return w;
        Sleep(100);
    }
    std::fprintf(stderr, "appcheck: main window not found\n");
    return nullptr;
}

// Wait until the main window's thread has handled what is queued and the
// window has no pending paint.
void Main_settle(HWND main)
{
    DWORD_PTR result = 0;
    for (int i = 0; i < 3; i++) {
        SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
        UpdateWindow(main);
    }
}

HWND Dialog_find(const char *caption, int tries)
{
    for (int i = 0; i < tries; i++) {
        HWND d = FindWindowA("#32770", caption);
        if (d)
            return d;
        Sleep(50);
    }
    return nullptr;
}

int Open_file(HWND main, const char *path, bool geometry)
{
    PostMessageA(main, WM_COMMAND, geometry ? 207 : 200, 0);
    HWND dialog = Dialog_find("Data file open", 200);
    if (!dialog) {
        std::fprintf(stderr, "appcheck: open dialog not found\n");
        return 1;
    }
    HWND name = GetDlgItem(dialog, 0x480);   // edt1
    if (!name)
        name = GetDlgItem(dialog, 0x47c);    // cmb13
    if (!name) {
        std::fprintf(stderr, "appcheck: file name field not found\n");
        return 1;
    }
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path));
    HWND ok = GetDlgItem(dialog, IDOK);
    auto start = std::chrono::steady_clock::now();
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
    while (IsWindow(dialog))
        Sleep(1);
    double closed = Seconds_since(start);
    Main_settle(main);
    double painted = Seconds_since(start);
    std::printf("dialog closed %.3f s, picture painted %.3f s after OK\n", closed, painted);
    return 0;
}

// Write 24-bit pixels (bottom-up rows from GetDIBits) as a bitmap file.
int Bitmap_write(const char *path, int32_t width, int32_t height, const std::vector<uint8_t> &rows)
{
    uint32_t row_size = static_cast<uint32_t>((width * 3 + 3) / 4 * 4);
    uint32_t image_size = row_size * static_cast<uint32_t>(height);
    uint8_t header[54];
    std::memset(header, 0, sizeof header);
    auto put16 = [&](int at, uint32_t v) {
        header[at] = static_cast<uint8_t>(v);
        header[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    auto put32 = [&](int at, uint32_t v) {
        put16(at, v & 0xFFFFu);
        put16(at + 2, v >> 16);
    };
    header[0] = 'B';
    header[1] = 'M';
    put32(2, 54 + image_size);
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    put16(26, 1);
    put16(28, 24);
    put32(34, image_size);
    FILE *f = std::fopen(path, "wb");
    if (!f)
        return 1;
    bool ok = std::fwrite(header, 1, sizeof header, f) == sizeof header &&
              std::fwrite(rows.data(), 1, image_size, f) == image_size;
    return std::fclose(f) == 0 && ok ? 0 : 1;
}

// The pixels of a bitmap as 24-bit bottom-up rows.
std::vector<uint8_t> Bitmap_rows(HDC dc, HBITMAP bitmap, int32_t width, int32_t height)
{
    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    size_t row_size = static_cast<size_t>((width * 3 + 3) / 4 * 4);
    std::vector<uint8_t> rows(row_size * static_cast<size_t>(height));
    GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), rows.data(), &info, DIB_RGB_COLORS);
    return rows;
}

// Copy (x, y, width, height) of a device context into 24-bit rows.
std::vector<uint8_t> Dc_rows(HDC source, int32_t x, int32_t y, int32_t width, int32_t height)
{
    HDC memory = CreateCompatibleDC(source);
    HBITMAP bitmap = CreateCompatibleBitmap(source, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    SelectObject(memory, previous);
    std::vector<uint8_t> rows = Bitmap_rows(memory, bitmap, width, height);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return rows;
}

int Capture(HWND main, const char *path)
{
    Main_settle(main);
    RECT client;
    GetClientRect(main, &client);
    HDC dc = GetDC(main);
    std::vector<uint8_t> rows = Dc_rows(dc, 0, 0, client.right, client.bottom);
    ReleaseDC(main, dc);
    return Bitmap_write(path, client.right, client.bottom, rows);
}

int Drag(HWND main, int x1, int y1, int x2, int y2, bool release)
{
    auto at = [](int x, int y) { return static_cast<LPARAM>(MAKELONG(x, y)); };
    PostMessageA(main, WM_MOUSEMOVE, 0, at(x1, y1));
    PostMessageA(main, WM_LBUTTONDOWN, MK_LBUTTON, at(x1, y1));
    const int steps = 8;
    for (int i = 1; i <= steps; i++) {
        int x = x1 + (x2 - x1) * i / steps;
        int y = y1 + (y2 - y1) * i / steps;
        PostMessageA(main, WM_MOUSEMOVE, MK_LBUTTON, at(x, y));
    }
    if (release)
        PostMessageA(main, WM_LBUTTONUP, 0, at(x2, y2));
    Main_settle(main);
    return 0;
}

// ------------------------------------------------------ surface comparison

// The drawing of a pen made afresh for every segment and every call sent
// straight to the device context: the reference for the cached surface.
class Reference_surface : public Surface {
public:
    explicit Reference_surface(HDC dc_in) : dc(dc_in), style(0), width(1), colour(0) {}
    void pen(int s, int w, Colour c) override
    {
        style = s;
        width = w;
        colour = c;
    }
    void move_to(int32_t x, int32_t y) override { MoveToEx(dc, x, y, nullptr); }
    void line_to(int32_t x, int32_t y) override
    {
        HPEN made = CreatePen(style, width, colour);
        HGDIOBJ previous = SelectObject(dc, made);
        LineTo(dc, x, y);
        SelectObject(dc, previous);
        DeleteObject(made);
    }
    void rectangle(int32_t l, int32_t t, int32_t r, int32_t b, Colour fill) override
    {
        HPEN made = CreatePen(style, width, colour);
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

private:
    HDC dc;
    int style;
    int width;
    Colour colour;
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

void Picture_clear(HDC dc, int32_t width, int32_t height)
{
    HBRUSH brush = CreateSolidBrush(settings.background_color);
    RECT r;
    SetRect(&r, 0, 0, width, height);
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

// One pass of each pen style, so dashes are compared too.
void Styles_cycle(int pass)
{
    for (int i = 0; i < PARTICLE_KINDS; i++) {
        settings.particle_pen_style[i] = pass == 0 || pass == 5 ? PEN_SOLID : (pass + i) % 5;
        settings.particle_pen_width[i] = pass == 5 ? 3 : 1;
    }
    settings.particle_color[0] = 0x000000FFu;
    settings.particle_color[1] = 0x0000FFFFu;
    settings.particle_color[2] = 0x00FFFF00u;
}

int Surface_check(const char *picture, const char *prefix, int32_t width, int32_t height)
{
    Message_set_hook(Quiet_message);
    Settings_init();
    settings.window_width = width;
    settings.window_height = height;
    Layout_compute(LAYOUT_FROM_SETTINGS, 0, 0);
    Text_copy(picture_path, sizeof picture_path, picture);
    Text_copy(settings.work_dir, sizeof settings.work_dir, ".\\");
    if (Picture_convert(nullptr, 0) != 0)
        return 1;
    picture_selected = 1;
    geometry_enabled = 1;
    geometry_pending = 1;

    // A visible window for the reference drawing on the screen.
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "appcheck";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "appcheck", "appcheck", WS_POPUP | WS_VISIBLE, 0, 0, width,
                                  height, nullptr, nullptr, wc.hInstance, nullptr);
    UpdateWindow(window);
    HDC screen = GetDC(window);
    const int32_t w = layout.view_w;
    const int32_t h = layout.view_h;
    long mismatched_total = 0;

    for (int pass = 0; pass < 6; pass++) {
        Styles_cycle(pass);

        auto start_null = std::chrono::steady_clock::now();
        {
            Null_surface surface;
            Picture_rebuild(nullptr, &surface, 0, 0, 0, View_rect());
        }
        double null_time = Seconds_since(start_null);

        // Reference: per-segment pens, straight on the window, whose paint
        // has made the background mode transparent.
        Picture_clear(screen, width, height);
        SetBkMode(screen, TRANSPARENT);
        auto start = std::chrono::steady_clock::now();
        {
            Reference_surface surface(screen);
            Picture_rebuild(nullptr, &surface, 0, 0, 0, View_rect());
        }
        GdiFlush();
        double reference_time = Seconds_since(start);
        std::vector<uint8_t> reference = Dc_rows(screen, 5, 5, w, h);

        // The window program's way: cached pen into a memory bitmap that is
        // copied to the window.
        Picture_clear(screen, width, height);
        start = std::chrono::steady_clock::now();
        long pens = 0;
        {
            HDC memory = CreateCompatibleDC(screen);
            HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
            HGDIOBJ previous = SelectObject(memory, bitmap);
            BitBlt(memory, 0, 0, w, h, screen, 5, 5, SRCCOPY);
            SetBkMode(memory, GetBkMode(screen));
            SetBkColor(memory, GetBkColor(screen));
            {
                GdiSurface surface(memory, 5, 5);
                Picture_rebuild(nullptr, &surface, 0, 0, 0, View_rect());
                pens = surface.pens_created();
            }
            BitBlt(screen, 5, 5, w, h, memory, 0, 0, SRCCOPY);
            SelectObject(memory, previous);
            DeleteObject(bitmap);
            DeleteDC(memory);
        }
        GdiFlush();
        double cached_time = Seconds_since(start);
        std::vector<uint8_t> cached = Dc_rows(screen, 5, 5, w, h);

        long mismatched = 0;
        for (size_t i = 0; i < reference.size(); i += 1)
            if (reference[i] != cached[i])
                mismatched++;
        mismatched_total += mismatched;
        std::printf("styles %d%d%d width %d: reading only %.3f s, per-segment pens on the "
                    "window %.3f s, cached pen in memory %.3f s (%ld pens), differing bytes %ld\n",
                    settings.particle_pen_style[0], settings.particle_pen_style[1],
                    settings.particle_pen_style[2], settings.particle_pen_width[0], null_time,
                    reference_time, cached_time, pens, mismatched);
        if (pass == 0) {
            char path[300];
            std::snprintf(path, sizeof path, "%s_reference.bmp", prefix);
            Bitmap_write(path, w, h, reference);
            std::snprintf(path, sizeof path, "%s_cached.bmp", prefix);
            Bitmap_write(path, w, h, cached);
        }
    }
    ReleaseDC(window, screen);
    DestroyWindow(window);
    return mismatched_total == 0 ? 0 : 1;
}

int Usage()
{
    std::fputs("usage: appcheck cmd ID | open PATH [geometry] | capture OUT.bmp | "
               "drag X1 Y1 X2 Y2 [hold] | size W H | click ID | answer CAPTION [ID] | wait | surface PICTURE OUT_PREFIX [W H]\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return Usage();
    const char *what = argv[1];
    if (std::strcmp(what, "surface") == 0) {
        if (argc != 4 && argc != 6)
            return Usage();
        int32_t w = argc == 6 ? std::atoi(argv[4]) : 640;
        int32_t h = argc == 6 ? std::atoi(argv[5]) : 410;
        return Surface_check(argv[2], argv[3], w, h);
    }
    HWND main_window = Main_find();
    if (!main_window)
        return 1;
    if (std::strcmp(what, "cmd") == 0 && argc == 3) {
        PostMessageA(main_window, WM_COMMAND, static_cast<WPARAM>(std::atoi(argv[2])), 0);
        return 0;
    }
    if (std::strcmp(what, "open") == 0 && (argc == 3 || argc == 4))
        return Open_file(main_window, argv[2], argc == 4);
    if (std::strcmp(what, "capture") == 0 && argc == 3)
        return Capture(main_window, argv[2]);
    if (std::strcmp(what, "drag") == 0 && (argc == 6 || argc == 7))
        return Drag(main_window, std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                    std::atoi(argv[5]), argc == 6);
    if (std::strcmp(what, "size") == 0 && argc == 4) {
        SetWindowPos(main_window, nullptr, 0, 0, std::atoi(argv[2]), std::atoi(argv[3]),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        Main_settle(main_window);
        RECT r;
        GetWindowRect(main_window, &r);
        std::printf("outer size %ld x %ld\n", static_cast<long>(r.right - r.left),
                    static_cast<long>(r.bottom - r.top));
        return 0;
    }
    if (std::strcmp(what, "click") == 0 && argc == 3) {
        HWND button = GetDlgItem(main_window, std::atoi(argv[2]));
        if (!button)
            return 1;
        PostMessageA(button, BM_CLICK, 0, 0);
        Main_settle(main_window);
        std::printf("check state %ld\n", static_cast<long>(SendMessageA(button, BM_GETCHECK, 0, 0)));
        return 0;
    }
    if (std::strcmp(what, "answer") == 0 && (argc == 3 || argc == 4)) {
        HWND box = Dialog_find(argv[2], 100);
        if (!box) {
            std::fprintf(stderr, "appcheck: no box \"%s\"\n", argv[2]);
            return 1;
        }
        char text[512] = "";
        HWND child = nullptr;
        while ((child = FindWindowExA(box, child, "Static", nullptr)) != nullptr) {
            char part[256];
            GetWindowTextA(child, part, sizeof part);
            if (part[0]) {
                std::strncat(text, part, sizeof text - std::strlen(text) - 2);
                std::strncat(text, "|", sizeof text - std::strlen(text) - 1);
            }
        }
        std::printf("%s\n", text);
        int id = argc == 4 ? std::atoi(argv[3]) : IDOK;
        PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(id), 0);
        Main_settle(main_window);
        return 0;
    }
    if (std::strcmp(what, "wait") == 0) {
        Main_settle(main_window);
        return 0;
    }
    return Usage();
}
