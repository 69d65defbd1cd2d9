// What is this line?  Resting the mouse over the picture for a moment (no
// button down, no selection armed) shows, in a small window beside the
// cursor, the particle, batch, kinetic energy and position of the step
// drawn at that pixel (or the nearest one within a few pixels).  Which
// record drew each pixel comes from the record index (render/record_index.h),
// made at the first rest after each rebuild by drawing the picture once
// more on the index; the record itself is read from the step copy or the
// work file.
#include "app/app.h"

#include <windowsx.h>

#include <cstdlib>

#include "picture/display.h"
#include "render/layout.h"
#include "render/picture_paint.h"
#include "render/record_index.h"
#include "render/view.h"

namespace {

const UINT_PTR HOVER_TIMER = 2;
const UINT HOVER_MILLISECONDS = 300;
// How far from the cursor a line may be, in pixels along either axis.
const int32_t HOVER_REACH = 3;

const char READOUT_CLASS[] = "VokaReadout";
HWND readout;               // the small window of the read-out, made at first use
RecordIndexSurface record_index;
bool index_valid;           // the index holds the picture on the screen
POINT hover_at;

LRESULT CALLBACK Readout_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message != WM_PAINT)
        return DefWindowProcA(window, message, wparam, lparam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT r;
    GetClientRect(window, &r);
    FillRect(dc, &r, GetSysColorBrush(COLOR_INFOBK));
    char text[256];
    GetWindowTextA(window, text, sizeof text);
    HGDIOBJ font = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
    InflateRect(&r, -3, -2);
    DrawTextA(dc, text, -1, &r, DT_NOPREFIX);
    SelectObject(dc, font);
    EndPaint(window, &ps);
    return 0;
}

void Readout_hide()
{
    if (readout && IsWindowVisible(readout))
        ShowWindow(readout, SW_HIDE);
}

void Readout_show(HWND window, const char *text, POINT at)
{
    if (!readout) {
        WNDCLASSA wc;
        ZeroMemory(&wc, sizeof wc);
        wc.lpfnWndProc = Readout_proc;
        wc.hInstance = app_instance;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = READOUT_CLASS;
        RegisterClassA(&wc);
        readout = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, READOUT_CLASS, "",
                                  WS_POPUP | WS_BORDER, 0, 0, 10, 10, window, nullptr, app_instance, nullptr);
        if (!readout)
            return;
    }
    SetWindowTextA(readout, text);
    HDC dc = GetDC(readout);
    HGDIOBJ font = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    RECT size = {0, 0, 0, 0};
    DrawTextA(dc, text, -1, &size, DT_CALCRECT | DT_NOPREFIX);
    SelectObject(dc, font);
    ReleaseDC(readout, dc);
    ClientToScreen(window, &at);
    SetWindowPos(readout, HWND_TOPMOST, at.x + 12, at.y + 18, size.right + 8, size.bottom + 6,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InvalidateRect(readout, nullptr, TRUE);
}

// The picture drawn once more on the record index, as the last rebuild
// drew it.
bool Index_make(HWND window)
{
    if (record_index.create(layout.view_right, layout.view_bottom) != 0)
        return false;
    Picture_rebuild(window, &record_index, zoomed == 1 ? RENDER_KEEP : RENDER_FULL, calc_mode,
                    static_cast<int>(redraw_pressed));
    index_valid = true;
    return true;
}

// Of the records a code stands for, the one whose point lies nearest to
// the cursor (in pictures of more records than codes, several do).
bool Record_near(uint32_t code, POINT at, StepRecord *found)
{
    bool any = false;
    double best = 0.0;
    const ViewTurn turn = View_turn();
    for (uint64_t index = Record_code_first(code); index < convert_stats.records; index += RECORD_CODE_SPAN) {
        StepRecord r;
        if (Record_read(index, &r) != 0)
            break;
        const double cm[3] = {r.x, r.y, r.z};
        double px[3];
        Point_calc(cm, view_state.view_scale, px);
        PixelPoint p = View_place(turn, PROJ_VIEW, px);
        double dx = p.x + layout.view_rect.left - at.x, dy = p.y + layout.view_rect.top - at.y;
        double d = dx * dx + dy * dy;
        if (!any || d < best) {
            best = d;
            *found = r;
            any = true;
        }
    }
    return any;
}

} // namespace

void Readout_forget()
{
    index_valid = false;
    Readout_hide();
}

void Readout_mouse_move(HWND window, WPARAM wparam, LPARAM lparam)
{
    POINT p = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    if (p.x == hover_at.x && p.y == hover_at.y)
        return;   // a move the read-out's own window caused
    hover_at = p;
    Readout_hide();
    if ((wparam & (MK_LBUTTON | MK_RBUTTON)) != 0 || selection_armed != 0)
        return;
    SetTimer(window, HOVER_TIMER, HOVER_MILLISECONDS, nullptr);
    TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, window, 0};
    TrackMouseEvent(&track);
}

void Readout_leave(HWND window)
{
    KillTimer(window, HOVER_TIMER);
    Readout_hide();
}

void Readout_timer(HWND window, WPARAM id)
{
    if (id != HOVER_TIMER)
        return;
    KillTimer(window, HOVER_TIMER);
    const PixelRect &v = layout.view_rect;
    if (picture_selected != 1 || view_bitmap_missing != 0 || selection_armed != 0 ||
        hover_at.x < v.left || hover_at.x >= v.right || hover_at.y < v.top || hover_at.y >= v.bottom)
        return;
    if (!index_valid && !Index_make(window))
        return;
    uint32_t code = record_index.code_near(hover_at.x, hover_at.y, HOVER_REACH);
    StepRecord r;
    if (code == 0 || !Record_near(code, hover_at, &r))
        return;
    char text[256];
    Record_describe(r, text, sizeof text);
    Readout_show(window, text, hover_at);
}
