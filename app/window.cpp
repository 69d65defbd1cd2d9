// The main window procedure and its paint path.  The picture area is either
// copied back from the off-screen bitmap `view_bitmap` or rebuilt from the
// work file; which one the next paint does is decided by `restore_view` and
// `view_dirty`.  Commands never draw: they set these flags and invalidate.
#include <cstdio>
#include <cstring>

#include "app/app.h"

#include "picture/display.h"
#include "picture/message.h"
#include "picture/picture.h"
#include "picture/work_threads.h"
#include "render/annotations.h"
#include "render/energy_colour.h"
#include "render/gdi_surface.h"
#include "render/layout.h"
#include "render/picture_paint.h"
#include "render/record_index.h"
#include "render/skip_surface.h"
#include "render/track.h"
#include "render/view.h"

namespace {

// Posted by WM_SIZE when the window is below its minimum size.
const UINT WM_APP_SNAP = WM_APP + 1;
// Posted by the thread that writes the work file behind the first picture
// when it is done (see Work_written).
const UINT WM_APP_WORK_WRITTEN = WM_APP + 2;
// Posted by the rebuild of the whole picture: the read-out's index may be
// made now.
const UINT WM_APP_INDEX_DUE = WM_APP + 3;

RECT view_rect; // the picture area, from the layout

double Seconds_now()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LRESULT On_create(HWND window)
{
    Strip_create(window, STRIP_CREATE);
    app.cursor_arrow = LoadCursorA(nullptr, IDC_ARROW);
    app.cursor_wait = LoadCursorA(nullptr, IDC_WAIT);
    app.cursor_cross = LoadCursorA(nullptr, IDC_CROSS);
    app.cursor_select = LoadCursorA(dialog_host.app_instance, "CURSOR_1");
    return 1;
}

LRESULT On_size(HWND window)
{
    // A resize always rebuilds at full extents, also when zoomed; while
    // the size changes, as a preview (see Size_changed).
    display.view_dirty = 1;
    app.render_mode = RENDER_FULL;

    RECT outer;
    GetWindowRect(window, &outer);
    Layout_compute(LAYOUT_FROM_WINDOW, outer.right - outer.left, outer.bottom - outer.top);
    // Snap to the minimum size; the move sends a further WM_SIZE, which then
    // finds the size valid.  The move is posted rather than made here: under
    // Wine a move made inside the WM_SIZE that answers a resize from the X
    // side (a window manager's, or xdotool's) changes only the program's idea
    // of the size and never reaches the X window, which then stays too small
    // with the strip cut off.  Made a moment later it reaches both, on
    // Windows as under Wine.
    if (outer.right - outer.left != layout.window_w || outer.bottom - outer.top != layout.window_h)
        PostMessageA(window, WM_APP_SNAP, 0, 0);

    Strip_create(window, STRIP_MOVE);
    const PixelRect &v = layout.view_rect;
    SetRect(&view_rect, v.left, v.top, v.right, v.bottom);

    // Its contents stay undefined until the next rebuild.
    View_bitmap_replace(window);
    app.rebuild_stride = Size_changed(window);
    return 0;
}

// The window's rebuild on `surface`: the render mode that the commands
// chose, the newest batch alone when a followed calculation was redrawn,
// every stride-th track (a preview while the view is turned or the window
// resized; 1 all).
RebuildRequest Window_rebuild_request(Surface *surface, uint32_t stride)
{
    return RebuildRequest{surface, static_cast<int>(app.render_mode),
                          app.calc_mode == 1 && dialog_host.redraw_pressed == 1, stride};
}

// Rebuild the picture area from the work file, through GDI on the screen:
// when no off-screen picture can be had (memory).  Lines that leave the
// picture area are cut at its edge, and the lines reach GDI through a
// skipping surface: in a dense picture nearly every line only sets pixels
// that earlier lines set to its colour already, and GDI is spared those.
void Picture_rebuild_on_screen(HWND window, HDC dc, uint32_t stride)
{
    const int32_t x = layout.view_rect.left;
    const int32_t y = layout.view_rect.top;
    const int32_t w = layout.view_w;
    const int32_t h = layout.view_h;
    int saved = SaveDC(dc);
    IntersectClipRect(dc, x, y, x + w, y + h);
    Panel_main_paint(dc);
    {
        GdiSurface surface(dc, 0, 0);
        SkipSurface skipping(&surface, PixelRect{x, y, x + w, y + h});
        Picture_rebuild(window, Window_rebuild_request(&skipping, stride));
    }
    RestoreDC(dc, saved);
    HDC copy = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(copy, app.view_bitmap);
    BitBlt(copy, 0, 0, w, h, dc, x, y, SRCCOPY);
    SelectObject(copy, previous);
    DeleteDC(copy);
}

// Rebuild the picture area from the work file.  The picture is composed in
// the off-screen bitmap (the background and frame that the panel pass puts
// there, then the picture), drawn by the raster surface straight into its
// rows on every core, with GDI's pixels, and only the text through GDI
// (DibSurface); then one blit through the paint context, whose clipping to
// the update region applies as it would to drawing on the screen directly,
// shows it.  The screen then shows exactly what drawing on it would have
// left, without flicker and without one call to GDI per line.  (Drawing
// every line through GDI pens, as the window once did, gives the same
// pixels in many times the time on a large screen.)
// `stride`: every stride-th track (a preview), 1 all.  Returns the seconds
// of the part that no preview stride shortens: the panel pass (clearing
// the picture area) and the blit.
double Picture_rebuild_on(HWND window, HDC dc, uint32_t stride)
{
    SetCursor(app.cursor_wait);
    HDC memory = app.view_rows ? CreateCompatibleDC(dc) : nullptr;
    if (!memory) {
        Picture_rebuild_on_screen(window, dc, stride);
        return 0.0;
    }
    double start = Seconds_now();
    double fixed = 0.0;
    const int32_t x = layout.view_rect.left;
    const int32_t y = layout.view_rect.top;
    HGDIOBJ previous = SelectObject(memory, app.view_bitmap);
    SetTextColor(memory, COLOUR_WHITE);
    {
        DibSurface surface(memory, app.view_rows, layout.bitmap_w, layout.bitmap_h, x, y);
        // The panel pass's part of the picture area, in its drawing state:
        // a transparent background, also for the dashed tracks that follow.
        Panel_main_draw(&surface);
        fixed = Seconds_now() - start;
        Picture_rebuild(window, Window_rebuild_request(&surface, stride));
    }
    double blit = Seconds_now();
    BitBlt(dc, x, y, layout.view_w, layout.view_h, memory, 0, 0, SRCCOPY);
    GdiFlush();
    // The two parts in microseconds, for measuring tools (as the stride in
    // Rebuild_timed).
    double blit_end = Seconds_now();
    SetPropA(window, "VokaClearUs", reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(fixed * 1e6)));
    SetPropA(window, "VokaBlitUs",
             reinterpret_cast<HANDLE>(static_cast<UINT_PTR>((blit_end - blit) * 1e6)));
    fixed += blit_end - blit;
    SelectObject(memory, previous);
    DeleteDC(memory);
    // The read-out's index follows once the picture is on the screen (see
    // On_index_due).
    if (stride == 1)
        PostMessageA(window, WM_APP_INDEX_DUE, 0, 0);
    return fixed;
}

// The work file written behind the first picture is complete, or its write
// failed: the failure is shown here, as the conversion's own would have
// been, and the picture drawn from the step copy goes (nothing is left to
// draw).  During a rebuild the message waits for the next rebuild or
// conversion, which waits for the file and reports it so.
LRESULT On_work_written(HWND window)
{
    if (app.rebuilding)
        return 0;
    if (Work_write_wait(window) != 0)
        Picture_invalidate();
    return 0;
}

// Right after the whole picture is shown, its record index for the
// read-out is drawn (on every core), so that the first rest answers at
// once; not while input waits (the user turns on, and the picture is
// drawn again anyway: the index then comes at the next chance or the first
// rest), and not in a picture area larger than core_tuning.index_pixels_max
// (a maximized window on a large screen), where the index waits for the
// first rest rather than hold up the input that may come.  Drawing it with
// the picture in one pass would delay every picture by half again.
LRESULT On_index_due(HWND window)
{
    const uint64_t area =
        static_cast<uint64_t>(layout.view_w) * static_cast<uint64_t>(layout.view_h);
    if (app.rebuilding || display.view_dirty == 1 || area > core_tuning.index_pixels_max ||
        GetQueueStatus(QS_INPUT) != 0)
        return 0;
    Readout_index_prepare(window);
    return 0;
}

// The posted snap to the minimum size (see On_size).
LRESULT On_snap(HWND window)
{
    RECT outer;
    GetWindowRect(window, &outer);
    if (outer.right - outer.left < layout.window_w || outer.bottom - outer.top < layout.window_h)
        MoveWindow(window, outer.left, outer.top, layout.window_w, layout.window_h, TRUE);
    return 0;
}

LRESULT On_paint(HWND window)
{
    SetCursor(app.cursor_arrow);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);

    // A restore pending from an earlier deactivation is dropped when this
    // paint rebuilds: the rebuild draws the whole picture area anew.
    bool rebuild_due = app.picture_selected == 1 && display.view_dirty == 1 && !app.rebuilding;
    bool restore = app.restore_view == 1 && app.view_bitmap_missing == 0 && !rebuild_due;
    if (app.restore_view == 1 && app.view_bitmap_missing == 0)
        app.restore_view = 0;

    // A rebuild comes first, so that the legend panel can show the colour
    // bar it drew with.
    if (rebuild_due) {
        app.rebuilding = true;
        Readout_forget();
        double start = Seconds_now();
        double fixed = Picture_rebuild_on(window, dc, app.rebuild_stride);
        Rebuild_timed(app.rebuild_stride, Seconds_now() - start, fixed);
        app.rebuilding = false;
        if (energy_colouring.by_energy == 1)
            InvalidateRect(app.legend_panel, nullptr, FALSE);
    }
    app.rebuild_stride = 1;

    // The panel pass paints what the update region holds of the window, the
    // strip and its panels; a picture area that receives a picture is left
    // to it, so that every pixel there is written once.
    if (rebuild_due || restore) {
        int saved = SaveDC(dc);
        ExcludeClipRect(dc, view_rect.left, view_rect.top, view_rect.right, view_rect.bottom);
        Panel_draw(window, dc);
        RestoreDC(dc, saved);
    } else {
        Panel_draw(window, dc);
    }
    if (restore)
        Picture_copy_back(dc);

    app.expand_cancelled = 0;
    display.view_dirty = 0;
    app.selection_armed = 0;
    app.render_mode = RENDER_FULL;
    EndPaint(window, &ps);
    SetCursor(app.cursor_arrow);
    return 1;
}

// Shown, or the application deactivated: the first paint that follows
// copies the picture back.
LRESULT On_show(HWND window)
{
    if (app.view_bitmap_missing == 0 && display.view_dirty == 0)
        app.restore_view = 1;
    UpdateWindow(window);
    return 0;
}

LRESULT On_close(HWND window)
{
    DeleteObject(app.view_bitmap);
    app.view_bitmap = nullptr;
    app.view_rows = nullptr;
    RemovePropA(window, "VokaPreviewStride");
    RemovePropA(window, "VokaWholeDue");
    RemovePropA(window, "VokaClearUs");
    RemovePropA(window, "VokaBlitUs");
    DestroyWindow(window);
    return 0;
}

// The settings are written as the window goes; when that fails the user is
// told which file and why, since the changes of this run are lost (the old
// info file stays as it was).  The box has no owner: the window is going.
LRESULT On_destroy()
{
    // The work file goes with the window: it is as large as the picture
    // (hundreds of megabytes for a large one), and the next start converts
    // the picture again.  The work file is no longer mapped after a paint.
    // (A departure from keeping it: it used to stay behind for good, also
    // after the program was uninstalled.)
    Work_files_remove();
    char path[FULL_PATH_SIZE + 16];
    char reason[128];
    if (Settings_save(path, sizeof path, reason, sizeof reason) != 0) {
        char text[FULL_PATH_SIZE + 256];
        std::snprintf(text, sizeof text, "The settings could not be saved to\n%s:\n%s", path,
                      reason);
        Message_show(nullptr, text, "Warning", MESSAGE_ICON_EXCLAMATION, 0);
    }
    PostQuitMessage(0);
    return 0;
}

} // namespace

// On the thread that wrote the work file.
void Work_written()
{
    if (app.main_window)
        PostMessageA(app.main_window, WM_APP_WORK_WRITTEN, 0, 0);
}

LRESULT CALLBACK Main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_CREATE: return On_create(window);
    case WM_SIZE: return On_size(window);
    case WM_APP_SNAP: return On_snap(window);
    case WM_APP_WORK_WRITTEN: return On_work_written(window);
    case WM_APP_INDEX_DUE: return On_index_due(window);
    case WM_PAINT: return On_paint(window);
    case WM_SHOWWINDOW: return wparam == 0 ? 0 : On_show(window);
    case WM_ACTIVATEAPP: return wparam != 0 ? 0 : On_show(window);
    case WM_COMMAND: return On_command(window, wparam);
    case WM_LBUTTONDOWN:
        if (!Turn_button_down(window, lparam))
            Selection_button_down(window, lparam);
        return 0;
    case WM_MOUSEMOVE:
        if (!Turn_mouse_move(window, lparam)) {
            Selection_mouse_move(window, lparam);
            Readout_mouse_move(window, wparam, lparam);
        }
        return 0;
    case WM_MOUSELEAVE: Readout_leave(window); return 0;
    case WM_LBUTTONUP:
        if (!Turn_button_up(window))
            Selection_button_up(window, lparam);
        return 0;
    case WM_CAPTURECHANGED:
        Turn_capture_lost(window);
        Selection_capture_lost(window, reinterpret_cast<HWND>(lparam));
        return 0;
    case WM_TIMER:
        Turn_timer(window, wparam);
        Readout_timer(window, wparam);
        return 0;
    case WM_MOUSEWHEEL: On_wheel(window, wparam, lparam); return 0;
    case WM_CLOSE: return On_close(window);
    case WM_DESTROY: return On_destroy();
    default: return DefWindowProcA(window, message, wparam, lparam);
    }
}
