// Turning and zooming the view directly: dragging with the left button in
// the picture area (when no selection is armed) turns the view about the
// screen's axes, the wheel zooms about the cursor, and the arrow keys and
// Page Up / Page Down turn it by the angle change value.
//
// While the mouse drags, each frame draws every k-th track only (a
// preview), k chosen from the frames before so that a frame takes about
// 30 ms; the whole picture follows when the button is released or the
// mouse rests for 200 ms.  A frame's time has a part that no stride
// shortens (clearing the picture, the blit to the screen: it grows with
// the pixel count) and the tracks' part, which the stride divides; k
// follows from the tracks' part and the time left beside the fixed one.
// Resizing the window draws such previews too, and the whole picture when
// the size rests.
#include "app/app.h"

#include <windowsx.h>

#include <cmath>

#include "picture/display.h"
#include "render/layout.h"
#include "render/picture_paint.h"
#include "render/view.h"

namespace {

// Degrees the view turns per pixel the mouse moves.
const double DRAG_DEGREES_PER_PIXEL = 0.5;

// A preview frame aims at this many seconds (under the 40 ms a frame may
// take); the stride never exceeds STRIDE_MAX.
const double FRAME_SECONDS = 0.030;
const uint32_t STRIDE_MAX = 4096;

// The mouse resting this long during a drag brings the whole picture.
const UINT_PTR REST_TIMER = 1;
// The same for a window whose size changes (id 2 is the read-out's).
const UINT_PTR SIZE_TIMER = 3;
const UINT REST_MILLISECONDS = 200;

// One notch of the wheel zooms by this factor.
const double WHEEL_FACTOR = 1.25;

bool turning;                // a drag turns the view
POINT drag_last;             // where the mouse was at the last move
ViewMatrix drag_view;        // the view turned so far, exactly (the angles are rounded)
uint32_t preview_stride = 1; // the stride of the next preview frame
bool preview_shown;          // the picture on screen is a preview
double full_tracks;          // the tracks' part of the last whole rebuild
double full_pixels;          // the picture's pixels then
double fixed_seconds;        // the fixed part of the last frame
double fixed_pixels;         // the picture's pixels then
uint32_t last_stride;        // the last preview frame's stride and time
double last_seconds;
int wheel_rest; // wheel movement short of a notch

bool In_picture(POINT p)
{
    const PixelRect &v = layout.view_rect;
    return p.x >= v.left && p.x < v.right && p.y >= v.top && p.y < v.bottom;
}

double Picture_pixels()
{
    return static_cast<double>(layout.view_w) * static_cast<double>(layout.view_h);
}

// The stride that brings the tracks' part of a frame into the time the
// fixed part leaves, when the whole picture's tracks take `tracks` seconds.
uint32_t Stride_for(double tracks)
{
    // The fixed part grows with the pixels; at least a fifth of the frame
    // is left to the tracks.
    double fixed = fixed_pixels > 0.0 ? fixed_seconds * Picture_pixels() / fixed_pixels : 0.0;
    double left = FRAME_SECONDS - fixed;
    if (left < FRAME_SECONDS / 5)
        left = FRAME_SECONDS / 5;
    double stride = std::ceil(tracks / left);
    return stride < 1.0 ? 1 : stride > STRIDE_MAX ? STRIDE_MAX : static_cast<uint32_t>(stride);
}

// The whole picture's tracks at this size: a track's pixels grow with the
// picture's side.
double Full_tracks_now()
{
    if (full_pixels <= 0.0)
        return full_tracks;
    return full_tracks * std::sqrt(Picture_pixels() / full_pixels);
}

// The view is drawn, so it can be turned or zoomed.
bool View_ready()
{
    return app.picture_selected == 1 && app.view_bitmap_missing == 0 &&
           view_state.view_scale > 0.0 && app.selection_armed == 0 &&
           picture_marks.guide_placing == 0 && picture_marks.title_placing == 0;
}

// Rebuild at once, with every `stride`-th track; the angle values and the
// axis indicator follow.
void View_redraw(uint32_t stride)
{
    Rebuild_request();
    app.rebuild_stride = stride;
    Picture_invalidate();
    InvalidateRect(app.angle_panel, nullptr, TRUE);
    InvalidateRect(app.axes_panel, nullptr, TRUE);
    UpdateWindow(app.main_window);
}

void Whole_picture()
{
    if (preview_shown)
        View_redraw(1);
}

void Drag_end(HWND window)
{
    turning = false;
    KillTimer(window, REST_TIMER);
    if (GetCapture() == window)
        ReleaseCapture();
    Whole_picture();
}

} // namespace

void Rebuild_timed(uint32_t stride, double seconds, double fixed)
{
    // The stride drawn, for measuring tools (bench/open_wine.sh): a
    // property of the main window that another process can read.
    SetPropA(app.main_window, "VokaPreviewStride",
             reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(stride)));
    fixed_seconds = fixed;
    fixed_pixels = Picture_pixels();
    if (stride <= 1) {
        full_tracks = seconds > fixed ? seconds - fixed : 0.0;
        full_pixels = fixed_pixels;
        preview_shown = false;
        RemovePropA(app.main_window, "VokaWholeDue");
        last_stride = 1;
        last_seconds = seconds;
        return;
    }
    preview_shown = true;
    // While a preview is shown the whole picture is due (when the button
    // is released, or the mouse or the size rests): a property of the main
    // window that tools waiting for the viewer to be idle can read.
    SetPropA(app.main_window, "VokaWholeDue", reinterpret_cast<HANDLE>(1));
    // The tracks' part shrinks about as the stride grows, down to what a
    // frame costs without tracks: when a larger stride no longer shortened
    // the frame, the stride stays.
    double tracks = seconds > fixed ? seconds - fixed : 0.0;
    uint32_t next = Stride_for(static_cast<double>(stride) * tracks);
    if (next > stride && stride > last_stride && seconds > 0.9 * last_seconds)
        next = stride;
    last_stride = stride;
    last_seconds = seconds;
    preview_stride = next;
}

uint32_t Size_changed(HWND window)
{
    if (app.picture_selected != 1 || app.view_bitmap_missing != 0 || view_state.view_scale <= 0.0)
        return 1;
    // The whole picture follows when the size has rested a moment.
    SetTimer(window, SIZE_TIMER, REST_MILLISECONDS, nullptr);
    return Stride_for(Full_tracks_now());
}

bool Turn_button_down(HWND window, LPARAM lparam)
{
    POINT p = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    if (!View_ready() || !In_picture(p))
        return false;
    turning = true;
    drag_last = p;
    drag_view = View_matrix(display.angle_x, display.angle_y, display.angle_z);
    preview_stride = Stride_for(Full_tracks_now());
    SetCapture(window);
    return true;
}

bool Turn_mouse_move(HWND window, LPARAM lparam)
{
    if (!turning)
        return false;
    POINT p = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    if (p.x == drag_last.x && p.y == drag_last.y)
        return true;
    View_screen_turn(&drag_view, (p.x - drag_last.x) * DRAG_DEGREES_PER_PIXEL,
                     (p.y - drag_last.y) * DRAG_DEGREES_PER_PIXEL);
    drag_last = p;
    const int16_t had[3] = {display.angle_x, display.angle_y, display.angle_z};
    int16_t turned[3];
    View_matrix_angles(drag_view, had, turned);
    if (turned[0] != display.angle_x || turned[1] != display.angle_y ||
        turned[2] != display.angle_z) {
        display.angle_x = turned[0];
        display.angle_y = turned[1];
        display.angle_z = turned[2];
        View_redraw(preview_stride);
    }
    // The rest is counted from the end of the frame.
    SetTimer(window, REST_TIMER, REST_MILLISECONDS, nullptr);
    return true;
}

bool Turn_button_up(HWND window)
{
    if (!turning)
        return false;
    Drag_end(window);
    return true;
}

void Turn_capture_lost(HWND window)
{
    if (turning)
        Drag_end(window);
}

void Turn_timer(HWND window, WPARAM id)
{
    if (id == SIZE_TIMER) {
        KillTimer(window, SIZE_TIMER);
        if (!preview_shown || turning)
            return;
        Rebuild_request();
        // A resize always shows the full extents.
        app.render_mode = RENDER_FULL;
        app.rebuild_stride = 1;
        Picture_invalidate();
        return;
    }
    if (id != REST_TIMER)
        return;
    KillTimer(window, REST_TIMER);
    if (turning)
        Whole_picture();
}

void On_wheel(HWND window, WPARAM wparam, LPARAM lparam)
{
    if (!View_ready() || turning)
        return;
    POINT p = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    ScreenToClient(window, &p);
    if (!In_picture(p))
        return;
    wheel_rest += GET_WHEEL_DELTA_WPARAM(wparam);
    int notches = wheel_rest / WHEEL_DELTA;
    wheel_rest -= notches * WHEEL_DELTA;
    bool zoomed_now = false;
    for (; notches != 0; notches += notches > 0 ? -1 : 1) {
        double factor = notches > 0 ? WHEEL_FACTOR : 1.0 / WHEEL_FACTOR;
        PixelRect r =
            View_wheel_rect(p.x - layout.view_rect.left, p.y - layout.view_rect.top, factor);
        if (!View_zoom_fits(r))
            break; // as far as the scale goes
        zoom_rect = r;
        View_setup(window, layout.view_rect, RENDER_ZOOM, &view_state.view_scale);
        zoomed_now = true;
    }
    if (!zoomed_now)
        return;
    // Normal returns to the full view.
    app.zoomed = 1;
    app.zoom_selected = 1;
    View_redraw(1);
}

bool Key_turn(const MSG *msg)
{
    if (msg->message != WM_KEYDOWN ||
        (msg->hwnd != app.main_window && !IsChild(app.main_window, msg->hwnd)))
        return false;
    int axis, sign;
    switch (msg->wParam) {
    case VK_UP: axis = 0, sign = 1; break;
    case VK_DOWN: axis = 0, sign = -1; break;
    case VK_RIGHT: axis = 1, sign = 1; break;
    case VK_LEFT: axis = 1, sign = -1; break;
    case VK_PRIOR: axis = 2, sign = 1; break;
    case VK_NEXT: axis = 2, sign = -1; break;
    default: return false;
    }
    if (!View_ready() || turning)
        return false;
    int16_t *angle[3] = {&display.angle_x, &display.angle_y, &display.angle_z};
    *angle[axis] = Angle_wrap(*angle[axis] + sign * settings.angle_step);
    View_redraw(1);
    return true;
}
