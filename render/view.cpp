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
    double a = display.angle_x * DEGREE_FACTOR;
    double c = display.angle_z * DEGREE_FACTOR;
    double b = (display.angle_y + 90.0) * DEGREE_FACTOR;
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

void View_place_steps(const ViewTurn &turn, const ScaledStep *records, size_t count,
                      PixelPoint *out)
{
    for (size_t i = 0; i < count; i++) {
        const double px[3] = {records[i].x, records[i].y, records[i].z};
        out[i] = View_place(turn, PROJ_VIEW, px);
    }
}

void Centre_calc(double scale)
{
    double centre[3] = {(work_file.x_min + work_file.x_max) * 0.5,
                        (work_file.y_min + work_file.y_max) * 0.5,
                        (work_file.z_min + work_file.z_max) * 0.5};
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
        e_h = work_file.x_max - work_file.x_min;
        if (work_file.z_max - work_file.z_min > e_h)
            e_h = work_file.z_max - work_file.z_min;
        e_v = work_file.y_max - work_file.y_min;
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

PixelRect View_wheel_rect(int32_t x, int32_t y, double factor)
{
    // The rectangle's centre goes to the picture centre and its size to the
    // picture's: the point (x, y) stays where it is when the centre lies
    // (x - cx) / factor from it.
    const int32_t w = static_cast<int32_t>(std::lround(layout.view_w / factor));
    const int32_t h = static_cast<int32_t>(std::lround(layout.view_h / factor));
    const int32_t cx = static_cast<int32_t>(std::lround(x - (x - layout.view_cx) / factor));
    const int32_t cy = static_cast<int32_t>(std::lround(y - (y - layout.view_cy) / factor));
    const int32_t left = cx - w / 2;
    const int32_t top = cy - h / 2;
    return PixelRect{left, top, left + w, top + h};
}

bool View_zoom_fits(PixelRect r)
{
    double e_h = static_cast<double>(static_cast<int64_t>(r.right) - r.left) /
                 static_cast<double>(layout.view_w) * view_state.view_extent_h;
    double e_v = static_cast<double>(static_cast<int64_t>(r.bottom) - r.top) /
                 static_cast<double>(layout.view_h) * view_state.view_extent_v;
    double s;
    return Cmtodot(e_h, e_v, &s) == 0;
}

int Angle_step(int direction, int axis)
{
    int16_t *angle = axis == 1 ? &display.angle_x : axis == 2 ? &display.angle_y : &display.angle_z;
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

namespace {

// Rotations about the x, y and z axes by an angle of the given cosine and
// sine, counter-clockwise in a right-handed frame, on the left of `m`.
void Turn_x(double c, double s, double m[3][3])
{
    for (int j = 0; j < 3; j++) {
        double y = m[1][j], z = m[2][j];
        m[1][j] = c * y - s * z;
        m[2][j] = s * y + c * z;
    }
}

void Turn_y(double c, double s, double m[3][3])
{
    for (int j = 0; j < 3; j++) {
        double x = m[0][j], z = m[2][j];
        m[0][j] = c * x + s * z;
        m[2][j] = -s * x + c * z;
    }
}

void Turn_z(double c, double s, double m[3][3])
{
    for (int j = 0; j < 3; j++) {
        double x = m[0][j], y = m[1][j];
        m[0][j] = c * x - s * y;
        m[1][j] = s * x + c * y;
    }
}

double Degrees(double radians)
{
    return radians / DEGREE_FACTOR;
}

// Distance between two angles in degrees, along the shorter way round.
double Angle_distance(double a, double b)
{
    double d = std::fmod(std::fabs(a - b), 360.0);
    return d > 180.0 ? 360.0 - d : d;
}

int16_t Angle_round(double degrees)
{
    double r = std::floor(degrees + 0.5);
    r = std::fmod(r, 360.0); // within (-360, 360): fits 32 bits
    return Angle_wrap(static_cast<int32_t>(r));
}

} // namespace

int16_t Angle_wrap(int32_t degrees)
{
    int32_t a = degrees % 360;
    if (a > 180)
        a -= 360;
    else if (a <= -180)
        a += 360;
    return static_cast<int16_t>(a);
}

ViewMatrix View_matrix(double angle_x_deg, double angle_y_deg, double angle_z_deg)
{
    ViewMatrix v = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    const double a = angle_x_deg * DEGREE_FACTOR;
    const double b = (angle_y_deg + 90.0) * DEGREE_FACTOR;
    const double c = angle_z_deg * DEGREE_FACTOR;
    Turn_x(std::cos(a), std::sin(a), v.m);
    Turn_z(std::cos(c), std::sin(c), v.m);
    Turn_y(std::cos(b), std::sin(b), v.m);
    return v;
}

void View_screen_turn(ViewMatrix *view, double vertical, double horizontal)
{
    const double v = vertical * DEGREE_FACTOR;
    const double h = horizontal * DEGREE_FACTOR;
    Turn_y(std::cos(v), std::sin(v), view->m);
    Turn_x(std::cos(h), std::sin(h), view->m);
}

void View_screen_axis_turn(ViewMatrix *view, int axis, double degrees)
{
    if (axis == SCREEN_X)
        View_screen_turn(view, 0.0, degrees);
    else if (axis == SCREEN_Y)
        View_screen_turn(view, degrees, 0.0);
    else
        Turn_z(std::cos(degrees * DEGREE_FACTOR), std::sin(degrees * DEGREE_FACTOR), view->m);
}

void View_matrix_angles(const ViewMatrix &view, const int16_t close_to[3], int16_t out[3])
{
    // With M = Ry(b) Rz(c) Rx(a): M10 = sin c, M00 = cos b cos c, M20 =
    // -sin b cos c, M11 = cos c cos a, M12 = -cos c sin a.  The two sets are
    // (a, b, c) with cos c >= 0 and (a + 180, b + 180, 180 - c).
    const double(*m)[3] = view.m;
    double cos_c = std::sqrt(m[0][0] * m[0][0] + m[2][0] * m[2][0]);
    double c = Degrees(std::atan2(m[1][0], cos_c));
    double a, b;
    if (cos_c > 1e-9) {
        a = Degrees(std::atan2(-m[1][2], m[1][1]));
        b = Degrees(std::atan2(-m[2][0], m[0][0]));
    } else {
        // angle_z at +-90: only a + b (at +90) or b - a (at -90) is fixed;
        // angle_x keeps its value.
        a = close_to[0];
        double sum = Degrees(c > 0 ? std::atan2(m[0][2], -m[0][1]) : std::atan2(m[0][2], m[0][1]));
        b = c > 0 ? sum - a : sum + a;
    }
    double y = b - 90.0;
    double sets[2][3] = {{a, y, c}, {a + 180.0, y + 180.0, 180.0 - c}};
    int chosen = 0;
    double best = 0.0;
    for (int k = 0; k < 2; k++) {
        double d = 0.0;
        for (int i = 0; i < 3; i++)
            d += Angle_distance(sets[k][i], close_to[i]);
        if (k == 0 || d < best) {
            best = d;
            chosen = k;
        }
    }
    for (int i = 0; i < 3; i++)
        out[i] = Angle_round(sets[chosen][i]);
}
