#include "render/line_draw.h"

#include <initializer_list>

#include "render/layout.h"

namespace {

// The limiting square of Line_draw is +-2000 pixels for a window of up to
// 976 pixels a side.  A fixed square of that size would cut every picture
// wider or taller than 2000 pixels (a maximized window on a large screen, a
// large bitmap or figure) and show its tracks and outlines in the left 2000
// pixels only: for a larger window the square grows to the larger side of
// the window plus LIMIT_MARGIN, so the whole picture is drawn at any size.
// The square keeps its purpose: every coordinate handed to the surface stays
// within it (a side of at most 2^20 + LIMIT_MARGIN, far inside the range of
// the platform's 32-bit coordinates), so no line is endless.  The margin
// lies beyond the area by more than half the widest pen, so that no
// limited end shows.
const int32_t LIMIT_BASE = 2000;
const int32_t LIMIT_MARGIN = 1024;
const int32_t LIMIT_SIDE_MAX = 1 << 20;

bool Fits_int32(double v)
{
    return v >= -2147483648.0 && v < 2147483648.0;
}

// Limit the x of end e (0 first, 1 second) of the segment (X[0], Y[0]) -
// (X[1], Y[1]) to the square; false when nothing is to be drawn.  The line
// through the two ends is y = m x + b with b taken at the first end.
bool Limit_x(double X[2], double Y[2], int e, double limit)
{
    for (double edge : {limit, -limit}) {
        if (edge > 0 ? X[e] > edge : X[e] < edge) {
            if (X[0] == X[1])
                return false;
            if (Y[0] != Y[1]) {
                double m = (Y[1] - Y[0]) / (X[1] - X[0]);
                Y[e] = (Y[0] - m * X[0]) + m * edge;
            }
            X[e] = edge;
            break;
        }
    }
    return true;
}

// The same for the y of end e.
bool Limit_y(double X[2], double Y[2], int e, double limit)
{
    for (double edge : {limit, -limit}) {
        if (edge > 0 ? Y[e] > edge : Y[e] < edge) {
            if (X[0] != X[1]) {
                if (Y[0] == Y[1])
                    return false;
                double m = (Y[1] - Y[0]) / (X[1] - X[0]);
                double b = Y[0] - m * X[0];
                X[e] = (edge - b) / m;
            }
            Y[e] = edge;
            break;
        }
    }
    return true;
}

} // namespace

int32_t Line_limit()
{
    int32_t side = layout.window_w > layout.window_h ? layout.window_w : layout.window_h;
    if (side > LIMIT_SIDE_MAX)
        side = LIMIT_SIDE_MAX;
    return side > LIMIT_BASE - LIMIT_MARGIN ? side + LIMIT_MARGIN : LIMIT_BASE;
}

void Line_limited(Surface *surface, int32_t x1, int32_t x2, int32_t y1, int32_t y2, int32_t limit)
{
    if (x1 == x2 && y1 == y2) {
        if (x1 > -limit && x1 < limit && y1 > -limit && y1 < limit) {
            surface->move_to(x1, y1);
            surface->line_to(x2 + 1, y2);
        }
        return;
    }
    // Within the square (its edges included) the limits change nothing.
    auto within = [limit](int32_t v) { return v >= -limit && v <= limit; };
    if (within(x1) && within(x2) && within(y1) && within(y2)) {
        surface->move_to(x1, y1);
        surface->line_to(x2, y2);
        return;
    }
    // Limited in this order, each step seeing the results of the previous
    // ones: x of the first end, x of the second, y of the first, y of the
    // second.
    double X[2] = {static_cast<double>(x1), static_cast<double>(x2)};
    double Y[2] = {static_cast<double>(y1), static_cast<double>(y2)};
    const double l = limit;
    if (!Limit_x(X, Y, 0, l) || !Limit_x(X, Y, 1, l) || !Limit_y(X, Y, 0, l) ||
        !Limit_y(X, Y, 1, l))
        return;
    // End points computed far outside the square may leave the 32-bit range:
    // such a segment is not drawn.
    for (int e = 0; e < 2; e++)
        if (!Fits_int32(X[e]) || !Fits_int32(Y[e]))
            return;
    surface->move_to(static_cast<int32_t>(X[0]), static_cast<int32_t>(Y[0]));
    surface->line_to(static_cast<int32_t>(X[1]), static_cast<int32_t>(Y[1]));
}

void Line_draw(Surface *surface, int32_t x1, int32_t x2, int32_t y1, int32_t y2, int style,
               int width, Colour colour)
{
    surface->pen(style, width, colour);
    Line_limited(surface, x1, x2, y1, y2, Line_limit());
}
