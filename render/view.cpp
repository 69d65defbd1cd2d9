#include "render/view.h"

#include <cmath>
#include <cstdint>

#include "picture/display.h"
#include "picture/message.h"
#include "picture/picture.h"
#include "picture/settings.h"
#include "render/layout.h"

ViewState view_state;
PixelRect zoom_rect;

namespace {

const double SCALE_MIN = 1e-6;

// Pixel_clamp of a whole number: into the 32-bit range.
int32_t Clamp32(int64_t value)
{
    if (value >= INT32_MAX)
        return INT32_MAX;
    if (value <= INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

void Cmtodot_failed(WindowRef window, int system_modal)
{
    Message_show(window, "Cmtodot err!", "Error Status", MESSAGE_ICON_EXCLAMATION,
                 system_modal ? MESSAGE_SYSTEM_MODAL : 0);
}

} // namespace

int32_t Pixel_clamp(double value)
{
    if (!(value == value))
        return 0;
    if (value >= 2147483647.0)
        return INT32_MAX;
    if (value <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

int Cmtodot(double extent_h, double extent_v, double *scale)
{
    double h = extent_h / static_cast<double>(layout.view_w);
    double v = extent_v / static_cast<double>(layout.view_h);
    double s = v > h ? v : h;
    if (!(s > SCALE_MIN))
        return -1;
    *scale = s;
    return 0;
}

void Point_calc(const double point_cm[3], double scale, double point_px[3])
{
    point_px[0] = point_cm[0] / scale;
    point_px[1] = point_cm[1] / scale;
    point_px[2] = point_cm[2] / scale;
}

ViewTurn View_turn()
{
    double a = angle_x * DEGREE_FACTOR;
    double c = angle_z * DEGREE_FACTOR;
    double b = (angle_y + 90.0) * DEGREE_FACTOR;
    return ViewTurn{std::cos(a), std::sin(a), std::cos(b), std::sin(b), std::cos(c), std::sin(c)};
}

PixelPoint View_proj(int mode, const double p[3])
{
    return View_place(View_turn(), mode, p);
}

PixelPoint View_place(const ViewTurn &t, int mode, const double p[3])
{
    double y1 = t.cos_a * p[1] - t.sin_a * p[2];
    double z1 = t.sin_a * p[1] + t.cos_a * p[2];
    double x2 = t.cos_c * p[0] - t.sin_c * y1;
    double y2 = t.sin_c * p[0] + t.cos_c * y1;
    double u = t.sin_b * z1 + t.cos_b * x2;
    double v = y2;

    // Wide arithmetic, so that placing a clamped value cannot overflow.
    int64_t U = Pixel_clamp(u);
    int64_t V = Pixel_clamp(v);
    int64_t x;
    int64_t y;
    switch (mode) {
    case PROJ_CENTRE:
        x = layout.view_cx - U;
        y = layout.view_cy + V;
        break;
    case PROJ_INDICATOR:
        x = U + 61;
        y = 49 - V;
        break;
    default:
        x = static_cast<int64_t>(view_state.centre_px_x) - view_state.pan_px_x + U;
        y = static_cast<int64_t>(view_state.centre_px_y) - view_state.pan_px_y - V;
        break;
    }
    return PixelPoint{Clamp32(x), Clamp32(y)};
}

void View_place_steps(const ViewTurn &turn, const StepRecord *records, size_t count,
                      PixelPoint *out)
{
    for (size_t i = 0; i < count; i++) {
        const double px[3] = {records[i].x, records[i].y, records[i].z};
        out[i] = View_place(turn, PROJ_VIEW, px);
    }
}

void Centre_calc(double scale)
{
    double centre[3] = {(x_min + x_max) * 0.5, (y_min + y_max) * 0.5, (z_min + z_max) * 0.5};
    double px[3];
    Point_calc(centre, scale, px);
    PixelPoint at = View_proj(PROJ_CENTRE, px);
    view_state.centre_px_x = at.x;
    view_state.centre_px_y = at.y;
}

void View_setup(WindowRef window, PixelRect, int render_mode, double *scale)
{
    double s_old = *scale;
    double e_h;
    double e_v;
    const PixelRect &z = zoom_rect;
    if (render_mode == RENDER_FULL) {
        e_h = x_max - x_min;
        if (z_max - z_min > e_h)
            e_h = z_max - z_min;
        e_v = y_max - y_min;
        view_state.view_extent_h = e_h;
        view_state.view_extent_v = e_v;
        view_state.pan_cm_x = view_state.pan_cm_y = 0.0;
        view_state.pan_px_x = view_state.pan_px_y = 0;
    } else if (render_mode == RENDER_ZOOM) {
        e_h = static_cast<double>(static_cast<int64_t>(z.right) - z.left) /
              static_cast<double>(layout.view_w) * view_state.view_extent_h;
        e_v = static_cast<double>(static_cast<int64_t>(z.bottom) - z.top) /
              static_cast<double>(layout.view_h) * view_state.view_extent_v;
        double probe;
        if (Cmtodot(e_h, e_v, &probe) == 0) {
            view_state.view_extent_h = e_h;
            view_state.view_extent_v = e_v;
        } else {
            Cmtodot_failed(window, 1);
            e_h = view_state.view_extent_h;
            e_v = view_state.view_extent_v;
        }
    } else {
        e_h = view_state.view_extent_h;
        e_v = view_state.view_extent_v;
    }

    double s = s_old;
    if (Cmtodot(e_h, e_v, &s) != 0) {
        Cmtodot_failed(window, 0);
        s = s_old;
    }

    if (render_mode == RENDER_ZOOM) {
        int32_t half_w = static_cast<int32_t>((static_cast<int64_t>(z.right) - z.left) / 2);
        int32_t half_h = static_cast<int32_t>((static_cast<int64_t>(z.bottom) - z.top) / 2);
        view_state.pan_cm_x +=
            static_cast<double>(static_cast<int64_t>(z.left) + half_w - layout.view_cx) * s_old;
        view_state.pan_cm_y +=
            static_cast<double>(static_cast<int64_t>(z.top) + half_h - layout.view_cy) * s_old;
        view_state.pan_px_x = Pixel_clamp(view_state.pan_cm_x / s);
        view_state.pan_px_y = Pixel_clamp(view_state.pan_cm_y / s);
    }

    view_state.view_scale = s;
    *scale = s;
    Centre_calc(s);
}

int Angle_step(int direction, int axis)
{
    int16_t *angle = axis == 1 ? &angle_x : axis == 2 ? &angle_y : &angle_z;
    int32_t a = *angle;
    if (direction == 0) {
        if (a >= 180)
            return -1;
        a += settings.angle_step;
    } else {
        if (a <= -180)
            return -1;
        a -= settings.angle_step;
    }
    *angle = static_cast<int16_t>(a);
    return 0;
}
