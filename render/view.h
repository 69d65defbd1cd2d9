// The view transform: centimetres of the simulated world to pixels of the
// picture area.  View_setup fits the scale at the start of every rebuild
// (full view, zoom into a dragged rectangle, or keep the zoom); Point_calc
// and View_proj place each point.
//
// Picture coordinates: origin at the top-left of the picture area (client
// (5, 5)), x to the right, y downwards; conversions truncate toward zero and
// are clamped to the 32-bit range.
#ifndef VOKA_VIEW_H
#define VOKA_VIEW_H

#include <cstddef>
#include <cstdint>

#include "picture/defs.h"

struct ScaledStep;

struct ViewState {
    double view_scale;    // cm per pixel; 0 until the first fit
    double view_extent_h; // visible extents, cm
    double view_extent_v;
    double pan_cm_x; // pan accumulated by successive expands, cm
    double pan_cm_y;
    int32_t pan_px_x; // the pan in pixels at the last expand
    int32_t pan_px_y;
    int32_t centre_px_x; // where the bounding-box centre lands
    int32_t centre_px_y;
};

extern ViewState view_state;

// The zoom rectangle last dragged, main-window client coordinates, left <=
// right and top <= bottom.
extern PixelRect zoom_rect;

enum { RENDER_FULL = 0, RENDER_ZOOM = 1, RENDER_KEEP = 2 };
enum { PROJ_VIEW = 0, PROJ_CENTRE = 1, PROJ_INDICATOR = 99 };

// Degrees to radians: 3.1415926535 / 180, a shade less than pi / 180.  The
// pictures' pixels depend on it, so it stays as it is.
const double DEGREE_FACTOR = 0.017453292519444445;

// Scale (cm per pixel) that fits extent_h x extent_v into the picture area.
// Returns 0 and sets *scale, or -1 (scale not > 1e-6, or not a number) and
// leaves *scale untouched.
int Cmtodot(double extent_h, double extent_v, double *scale);

// Divide a point in cm by the scale.
void Point_calc(const double point_cm[3], double scale, double point_px[3]);

// Place the bounding-box centre for the given scale.
void Centre_calc(double scale);

// Rotate a point in pixels by the three view angles and place it: PROJ_VIEW
// in the picture (centre and pan), PROJ_CENTRE about the picture centre,
// PROJ_INDICATOR in the axis panel.
PixelPoint View_proj(int mode, const double point_px[3]);

// The sines and cosines of the three view angles, for placing many points
// with one set of angles: View_place(View_turn(), mode, p) is View_proj(mode, p).
struct ViewTurn {
    double cos_a, sin_a; // about x
    double cos_b, sin_b; // about y, a quarter turn added
    double cos_c, sin_c; // about z
};
ViewTurn View_turn();
PixelPoint View_place(const ViewTurn &turn, int mode, const double point_px[3]);

// Place the end points of `count` step records whose coordinates are in
// pixels already (divided by the scale, as Point_calc does) in the picture
// (View_place) into out[0 .. count - 1].
void View_place_steps(const ViewTurn &turn, const ScaledStep *records, size_t count,
                      PixelPoint *out);

// Fit the view for a rebuild.  `scale` is read (the scale before) and written.
// A failing fit shows "Cmtodot err!" / "Error Status" through the message
// hook on `window` and keeps the previous scale.
void View_setup(WindowRef window, PixelRect view_rect, int render_mode, double *scale);

// One press of a rotation button: direction 0 ("<<") raises the angle of
// axis 1, 2 or 3 (x, y, z) by settings.angle_step, direction 1 (">>") lowers
// it.  The limit is tested before the step: an angle at or beyond 180 (or
// -180) refuses a further step away from zero.  Returns 0 when the angle
// changed, -1 when the step was refused.
int Angle_step(int direction, int axis);

// The zoom rectangle (as View_setup takes it for RENDER_ZOOM) of one notch
// of the wheel at the picture point (x, y): the picture zoomed by `factor`
// (above 1 in, below 1 out) about that point, which stays where it is.
PixelRect View_wheel_rect(int32_t x, int32_t y, double factor);

// Whether View_setup can zoom into `rect` from the current view: the scale
// stays above its least.
bool View_zoom_fits(PixelRect rect);

// ------------------------------------------------------------ turning
// Turning the view directly (dragging, keys) rather than by the buttons'
// steps.  The view's rotation as a matrix: row 0 is the world direction
// shown to the right, row 1 the one shown upwards, row 2 the one toward the
// viewer; it is the turn View_place applies (about x by angle_x, then about
// z by angle_z, then about y by angle_y + 90 degrees).
struct ViewMatrix {
    double m[3][3];
};
ViewMatrix View_matrix(double angle_x_deg, double angle_y_deg, double angle_z_deg);

// Turn the view about the screen's own axes: first `vertical` degrees about
// the screen's vertical axis (positive: the near side of the picture moves
// to the right), then `horizontal` degrees about its horizontal axis
// (positive: the near side moves down).
void View_screen_turn(ViewMatrix *view, double vertical, double horizontal);

// Turn the view `degrees` about one of the screen's own axes: SCREEN_X (its
// horizontal axis; positive: the near side moves down), SCREEN_Y (its
// vertical axis; positive: the near side moves to the right), as
// View_screen_turn does, or SCREEN_Z (the axis toward the viewer; positive:
// counter-clockwise as the viewer sees it).
enum { SCREEN_X = 0, SCREEN_Y = 1, SCREEN_Z = 2 };
void View_screen_axis_turn(ViewMatrix *view, int axis, double degrees);

// The whole-degree angles (x, y, z), each in -179 .. 180, whose view comes
// closest to `view`.  A view has two sets of angles (and, with angle_z at
// +-90, a whole family); the one nearest to `close_to` is taken, so that a view
// turned a little keeps angles close to those it had.
void View_matrix_angles(const ViewMatrix &view, const int16_t close_to[3], int16_t out[3]);

// An angle brought into -179 .. 180 by whole turns.
int16_t Angle_wrap(int32_t degrees);

// Truncate toward zero into the 32-bit range (NaN gives 0).
int32_t Pixel_clamp(double value);

#endif
