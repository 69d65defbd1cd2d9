// Mouse selection in the picture area, armed by Expand, Title position or
// Guide position: press, optional drag, release.  During an Expand drag a
// rubber band follows the mouse, drawn straight on the screen in the
// NOT-XOR mix so that drawing it twice takes it away again.  While a
// selection is armed the cursor is the selection cursor and is held inside
// the picture area.  A drag captures the mouse, so that a release outside
// the window ends it too.
#include "app/app.h"

#include <windowsx.h>

#include "picture/display.h"
#include "render/layout.h"
#include "render/picture_paint.h"
#include "render/view.h"

namespace {

// The rubber band of an Expand drag: anchor (left, top), the corner drawn
// last, and its pen.
uint32_t band_dragging;
RECT band_rect;
POINT band_corner = {-1, -1};
int32_t band_pen_width = 1;
COLORREF band_pen_color;

// Mouse position from lParam, client coordinates.  Signed: with the mouse
// captured, a point left of or above the window is negative (read as
// unsigned 16-bit values it would be some 65000).
POINT Mouse_point(LPARAM lparam)
{
    POINT p;
    p.x = GET_X_LPARAM(lparam);
    p.y = GET_Y_LPARAM(lparam);
    return p;
}

// The band's outline from the anchor to (x, y); the inside is left alone.
void Band_outline(HDC dc, LONG x, LONG y)
{
    HPEN pen = CreatePen(PS_SOLID, band_pen_width, band_pen_color);
    HGDIOBJ previous_pen = SelectObject(dc, pen);
    HGDIOBJ previous_brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, band_rect.left, band_rect.top, x, y);
    SelectObject(dc, previous_brush);
    SelectObject(dc, previous_pen);
    DeleteObject(pen);
}

// Hold the cursor roughly inside the picture area.
void Cursor_confine(HWND window)
{
    RECT outer;
    GetWindowRect(window, &outer);
    RECT clip;
    SetRect(&clip, outer.left + 10, outer.top + 50, outer.right - 150, outer.bottom - 15);
    ClipCursor(&clip);
}

} // namespace

void Selection_cursor_set()
{
    SetCursor(settings.background_color == COLOUR_WHITE ? app.cursor_cross : app.cursor_select);
}

void Selection_cancel()
{
    // The band already drawn stays until the picture is next restored or
    // rebuilt.
    ClipCursor(nullptr);
    SetCursor(app.cursor_arrow);
    app.selection_armed = 0;
    display.view_dirty = 0;
    picture_marks.guide_placing = 0;
    picture_marks.title_placing = 0;
    app.expand_cancelled = app.zoom_selected != 1 ? 1 : 0;
}

void Selection_button_down(HWND window, LPARAM lparam)
{
    if (app.selection_armed == 1)
        Selection_cursor_set();
    if (app.picture_selected == 0 || app.selection_armed == 0)
        return;
    POINT p = Mouse_point(lparam);
    band_dragging = 1;
    band_rect.left = p.x;
    band_rect.top = p.y;
    band_corner = p;
    band_pen_color = COLOUR_BLACK;
    band_pen_width = 1;
    SetCapture(window);
}

void Selection_mouse_move(HWND window, LPARAM lparam)
{
    if (app.selection_armed == 1 || picture_marks.guide_placing == 1 ||
        picture_marks.title_placing == 1) {
        Selection_cursor_set();
        Cursor_confine(window);
    }
    if (app.selection_armed != 0 && picture_marks.title_placing != 1 &&
        picture_marks.guide_placing != 1 && app.picture_selected != 0 && band_dragging != 0) {
        HDC dc = GetDC(window);
        int previous_mix = SetROP2(dc, R2_NOTXORPEN);
        // Take away the band of the previous move (the first time the corner
        // is the anchor and nothing shows).
        Band_outline(dc, band_corner.x, band_corner.y);
        POINT p = Mouse_point(lparam);
        if (p.x > layout.view_w)
            p.x = layout.view_w;
        else if (p.x < 10)
            p.x = 10;
        if (p.y > layout.view_h)
            p.y = layout.view_h;
        else if (p.y < 10)
            p.y = 10;
        band_corner = p;
        Band_outline(dc, band_corner.x, band_corner.y);
        SetROP2(dc, previous_mix);
        ReleaseDC(window, dc);
    }
    // The confinement pulls the cursor back once per move only.
    ClipCursor(nullptr);
}

void Selection_button_up(HWND window, LPARAM lparam)
{
    SetCursor(app.cursor_arrow);
    if (band_dragging == 0 || app.selection_armed == 0 || app.picture_selected == 0) {
        // A drag that a paint disarmed ends here all the same.
        band_dragging = 0;
        if (GetCapture() == window)
            ReleaseCapture();
        return;
    }
    // The release point is not clamped.
    POINT p = Mouse_point(lparam);
    LONG left = p.x < band_rect.left ? p.x : band_rect.left;
    LONG right = p.x < band_rect.left ? band_rect.left : p.x;
    LONG top = p.y < band_rect.top ? p.y : band_rect.top;
    LONG bottom = p.y < band_rect.top ? band_rect.top : p.y;
    SetRect(&band_rect, left, top, right, bottom);

    if (app.selection_armed == 1) {
        zoom_rect = PixelRect{left, top, right, bottom};
        app.zoom_selected = 1;
    }
    if (picture_marks.title_placing == 1) {
        picture_marks.title_pos = PixelPoint{left, top};
        app.selection_armed = 0;
        picture_marks.title_placing = 0;
        picture_marks.title_shown = 1;
    }
    if (picture_marks.guide_placing == 1) {
        picture_marks.guide_pos = PixelPoint{left, top};
        app.selection_armed = 0;
        picture_marks.guide_placing = 0;
        picture_marks.guide_shown = 1;
    }
    band_corner.x = -1;
    band_corner.y = -1;
    band_dragging = 0;
    if (GetCapture() == window)
        ReleaseCapture();
    Picture_invalidate();
}

void Selection_capture_lost(HWND window, HWND new_owner)
{
    // Another window took the mouse (a message box, another program): the
    // drag is given up; the band drawn so far stays until the picture is
    // next restored or rebuilt, as after Esc.
    if (band_dragging != 0 && new_owner != window) {
        band_dragging = 0;
        band_corner.x = -1;
        band_corner.y = -1;
    }
}
