// What is this line?  Resting the mouse over the picture for a moment (no
// button down, no selection armed) shows, in a small box beside the
// cursor, the particle, batch, kinetic energy and position of the step
// drawn at that pixel (or the nearest one within a few pixels): the point
// of the step nearest to the cursor, between the step's two ends.  Which
// record drew each pixel comes from the record index (render/record_index.h),
// drawn (by drawing the picture once more on the index) right after the
// whole picture is shown (Readout_index_prepare), so that the first rest
// answers at once; after a preview, when input came first, or in a picture
// area larger than core_tuning.index_pixels_max, it is made at the first
// rest.  The record
// itself is read from the step copy or the work file.
#include "app/app.h"

#include <windowsx.h>

#include <cstdlib>

#include "picture/display.h"
#include "picture/message.h"
#include "render/layout.h"
#include "render/picture_paint.h"
#include "render/record_index.h"
#include "render/view.h"
#include "resources/resource_ids.h"

namespace {

const UINT_PTR HOVER_TIMER = 2;
const UINT HOVER_MILLISECONDS = 300;
// How far from the cursor a line may be, in pixels along either axis.
const int32_t HOVER_REACH = 3;

RecordIndexSurface record_index;
bool index_valid; // the index holds the picture on the screen
POINT hover_at;

// The read-out is drawn on the picture, where the mouse rests, and taken
// away by copying the picture back from the off-screen copy: a window of
// its own over the picture would uncover the picture area when it goes,
// and a picture area uncovered is painted blank.  Its text is also the
// text of a hidden child window (id IDC_READOUT), so that screen readers
// and test tools can read it.
HWND readout_text; // the hidden child with the text
bool readout_shown;

void Readout_hide()
{
    if (!readout_shown)
        return;
    readout_shown = false;
    if (readout_text)
        SetWindowTextA(readout_text, "");
    if (app.view_bitmap_missing != 0)
        return;
    HDC dc = GetDC(app.main_window);
    Picture_copy_back(dc);
    ReleaseDC(app.main_window, dc);
}

void Readout_show(HWND window, const char *text, POINT at)
{
    if (!readout_text)
        readout_text = CreateWindowExA(0, "static", "", WS_CHILD, 0, 0, 0, 0, window,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_READOUT)),
                                       dialog_host.app_instance, nullptr);
    HDC dc = GetDC(window);
    HGDIOBJ font = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    RECT text_box = {0, 0, 0, 0};
    DrawTextA(dc, text, -1, &text_box, DT_CALCRECT | DT_NOPREFIX);
    // Below and right of the cursor, pulled into the picture area.
    const PixelRect &v = layout.view_rect;
    // A margin beyond the measured text: the measure leaves out the last
    // glyph's overhang, which the box would otherwise cut ("cm" as "cr").
    LONG w = text_box.right + 14, h = text_box.bottom + 8;
    LONG x = at.x + 12, y = at.y + 18;
    if (x + w > v.right - 2)
        x = v.right - 2 - w;
    if (y + h > v.bottom - 2)
        y = at.y - 8 - h;
    if (x < v.left + 2)
        x = v.left + 2;
    if (y < v.top + 2)
        y = v.top + 2;
    RECT box = {x, y, x + w, y + h};
    FillRect(dc, &box, GetSysColorBrush(COLOR_INFOBK));
    FrameRect(dc, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
    RECT inside = {x + 5, y + 4, x + w - 5, y + h - 4};
    DrawTextA(dc, text, -1, &inside, DT_NOPREFIX | DT_NOCLIP);
    SelectObject(dc, font);
    ReleaseDC(window, dc);
    if (readout_text)
        SetWindowTextA(readout_text, text);
    readout_shown = true;
}

// Messages of the renderers while the index is made: not shown (the
// rebuild on the screen has told them already), but noted.
bool index_message;
void Index_message(WindowRef, const char *, const char *, int, int)
{
    index_message = true;
}

// The picture drawn once more on the record index, as the last rebuild
// drew it.
bool Index_make(HWND window)
{
    if (record_index.create(layout.view_right, layout.view_bottom) != 0)
        return false;
    index_message = false;
    Message_set_hook(Index_message);
    Picture_rebuild(window,
                    RebuildRequest{&record_index, app.zoomed == 1 ? RENDER_KEEP : RENDER_FULL,
                                   app.calc_mode == 1 && dialog_host.redraw_pressed == 1, 1});
    Message_set_hook(App_message);
    index_valid = !index_message;
    return index_valid;
}

// Where a point in cm lands on the screen (client coordinates).
void Screen_point(const ViewTurn &turn, const double cm[3], double *x, double *y)
{
    double px[3];
    Point_calc(cm, view_state.view_scale, px);
    PixelPoint p = View_place(turn, PROJ_VIEW, px);
    *x = p.x + layout.view_rect.left;
    *y = p.y + layout.view_rect.top;
}

// The point of record `index`'s step nearest to the cursor: the step runs
// from the point of the record before it (when that one is of the same
// track: a known kind) to the record's own point, and the point under the
// cursor is interpolated between the two.  *distance: squared, in pixels.
bool Step_point(uint64_t index, POINT at, StepRecord *found, double *distance)
{
    StepRecord r, before;
    if (Record_read(index, &r) != 0)
        return false;
    const ViewTurn turn = View_turn();
    const double end[3] = {r.x, r.y, r.z};
    double start[3] = {r.x, r.y, r.z};
    if (index > 0 && Record_read(index - 1, &before) == 0 && before.kind >= KIND_PHOTON &&
        before.kind <= KIND_POSITRON) {
        start[0] = before.x, start[1] = before.y, start[2] = before.z;
    }
    double x0, y0, x1, y1;
    Screen_point(turn, start, &x0, &y0);
    Screen_point(turn, end, &x1, &y1);
    const double dx = x1 - x0, dy = y1 - y0, length = dx * dx + dy * dy;
    double t = length > 0.0 ? ((at.x - x0) * dx + (at.y - y0) * dy) / length : 1.0;
    t = t < 0.0 ? 0.0 : t > 1.0 ? 1.0 : t;
    const double ex = x0 + t * dx - at.x, ey = y0 + t * dy - at.y;
    *distance = ex * ex + ey * ey;
    *found = r;
    found->x = start[0] + t * (end[0] - start[0]);
    found->y = start[1] + t * (end[1] - start[1]);
    found->z = start[2] + t * (end[2] - start[2]);
    return true;
}

// Of the records a code stands for, the one whose step passes nearest to
// the cursor (in pictures of more records than codes, several do), with
// the point of its step under the cursor.
bool Record_near(uint32_t code, POINT at, StepRecord *found)
{
    bool any = false;
    double best = 0.0;
    for (uint64_t index = Record_code_first(code); index < work_file.stats.records;
         index += RECORD_CODE_SPAN) {
        StepRecord r;
        double d;
        if (!Step_point(index, at, &r, &d))
            break;
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
    // A rebuild has drawn over the read-out.
    index_valid = false;
    readout_shown = false;
    if (readout_text)
        SetWindowTextA(readout_text, "");
}

void Readout_index_prepare(HWND window)
{
    if (!index_valid && app.picture_selected == 1 && app.view_bitmap_missing == 0)
        Index_make(window);
}

void Readout_mouse_move(HWND window, WPARAM wparam, LPARAM lparam)
{
    POINT p = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    if (p.x == hover_at.x && p.y == hover_at.y)
        return;
    hover_at = p;
    Readout_hide();
    if ((wparam & (MK_LBUTTON | MK_RBUTTON)) != 0 || app.selection_armed != 0)
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
    // Only over the window itself, while it takes input (no dialog open).
    POINT cursor;
    GetCursorPos(&cursor);
    if (!IsWindowEnabled(window) || WindowFromPoint(cursor) != window)
        return;
    const PixelRect &v = layout.view_rect;
    if (app.picture_selected != 1 || app.view_bitmap_missing != 0 || app.selection_armed != 0 ||
        hover_at.x < v.left || hover_at.x >= v.right || hover_at.y < v.top ||
        hover_at.y >= v.bottom)
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
