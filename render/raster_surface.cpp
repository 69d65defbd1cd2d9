// The raster surface: GDI's rasterisation rules for a 32-bit bitmap.
#include "render/raster_surface.h"

#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "render/font_data.h"

namespace {

// A pixel value with its red and blue bytes exchanged when `swap`: the
// order of the surface's colours (red low) and that of the platform's
// device-independent rows (blue low) one into the other.  The top byte
// stays, so the marks above 24 bits stay marks.
inline Colour Swapped(Colour value, bool swap)
{
    return swap ? (value & 0xFF00FF00u) | ((value & 0xFFu) << 16) | ((value >> 16) & 0xFFu) : value;
}

enum PenKind {
    PEN_KIND_NULL,   // draws no lines
    PEN_KIND_SOLID,  // one pixel
    PEN_KIND_DASHED, // one pixel, dash pattern
    PEN_KIND_WIDE    // wider than one pixel, solid, round caps and joins
};

// Sloped one-pixel lines with an end point this far out are scaled down by 8
// about the device origin first, as GDI does to keep its arithmetic in range;
// wide lines get the same treatment here (GDI would overflow instead).
const int64_t CROP_LIMIT = 0x10000000;

int64_t Floor_div(int64_t a, int64_t b)
{
    int64_t q = a / b;
    if (a % b != 0 && ((a < 0) != (b < 0)))
        q--;
    return q;
}

int64_t Ceil_div(int64_t a, int64_t b)
{
    return -Floor_div(-a, b);
}

int64_t Abs64(int64_t v)
{
    return v < 0 ? -v : v;
}

int64_t Min64(int64_t a, int64_t b)
{
    return a < b ? a : b;
}

int64_t Max64(int64_t a, int64_t b)
{
    return a > b ? a : b;
}

void Crop_point(int64_t *x, int64_t *y)
{
    while (Abs64(*x) >= CROP_LIMIT || Abs64(*y) >= CROP_LIMIT) {
        *x /= 8;
        *y /= 8;
    }
}

// GDI's rounding of a wide pen's half widths: halves away from zero, then
// truncation to an integer.
int64_t Round_half(double f)
{
    return static_cast<int64_t>(f > 0 ? f + 0.5 : f - 0.5);
}

// A one-pixel line as GDI steps it.  Octants are numbered 1 to 8 clockwise
// from the positive x axis (y grows downwards); a line exactly on a diagonal
// belongs to the octant of the steeper side.  Along the major axis the line
// has `major` pixels (the end pixel is left out); pixel i has the minor
// offset n(i) = ceil((2 i minor - major + bias) / (2 major)), where the bias
// of 1 in octants 3, 5, 6 and 8 rounds exact halves away from the start
// (without it, they round towards the start).
struct LineSetup {
    int x_major;
    int bias;
    int64_t major;  // pixels along the major axis
    int64_t minor;  // extent along the minor axis
    int major_sign; // +1 or -1
    int minor_sign;
};

void Line_setup(int64_t dx, int64_t dy, LineSetup *line)
{
    int octant;
    if (dy > 0) {
        if (dx > 0)
            octant = dx > dy ? 1 : 2;
        else
            octant = -dx > dy ? 4 : 3;
    } else {
        if (dx < 0)
            octant = -dx > -dy ? 5 : 6;
        else
            octant = dx > -dy ? 8 : 7;
    }
    line->x_major = octant == 1 || octant == 4 || octant == 5 || octant == 8;
    line->bias = (octant == 3 || octant == 5 || octant == 6 || octant == 8) ? 1 : 0;
    int x_sign = dx < 0 ? -1 : 1;
    int y_sign = dy < 0 ? -1 : 1;
    if (line->x_major) {
        line->major = Abs64(dx);
        line->minor = Abs64(dy);
        line->major_sign = x_sign;
        line->minor_sign = y_sign;
    } else {
        line->major = Abs64(dy);
        line->minor = Abs64(dx);
        line->major_sign = y_sign;
        line->minor_sign = x_sign;
    }
}

// Smallest step i with n(i) >= a.
int64_t Line_first_step(const LineSetup &line, int64_t a)
{
    if (a <= 0)
        return 0;
    return Floor_div(2 * line.major * (a - 1) + line.major - line.bias, 2 * line.minor) + 1;
}

// Range of steps [lo, hi) for which start + sign * offset(step) lies in
// [0, size), where offset(step) = step.
void Axis_range(int64_t start, int sign, int64_t size, int64_t *lo, int64_t *hi)
{
    if (sign > 0) {
        *lo = -start;
        *hi = size - start;
    } else {
        *lo = start - size + 1;
        *hi = start + 1;
    }
}

// The row spans of the round cap of a pen `w` pixels wide, relative to the
// point: rows *cap_top .. *cap_top + *cap_rows - 1, columns cap_left[i] ..
// cap_right[i] - 1.
void Round_cap_spans(int32_t w, int32_t *cap_top, int32_t *cap_rows, int32_t *cap_left,
                     int32_t *cap_right)
{
    // The round cap: GDI's elliptic region of the box (-(w/2), -(w/2)) to
    // ((w+1)/2 + 1, (w+1)/2 + 1), whose right and bottom edges lie outside;
    // the ellipse is stepped after Alois Zingl's algorithm, as GDI does.
    int32_t left = -(w / 2);
    int32_t top = -(w / 2);
    int32_t right = (w + 1) / 2 + 1 - 1;
    int32_t bottom = (w + 1) / 2 + 1 - 1;
    int32_t ew = right - left;
    int32_t eh = bottom - top;
    *cap_top = top;
    *cap_rows = eh;
    if (ew < 2 || eh < 2) {
        for (int32_t i = 0; i < eh; i++) {
            cap_left[i] = left;
            cap_right[i] = right;
        }
        return;
    }
    int64_t a = ew - 1;
    int64_t b = eh - 1;
    int64_t asq = 8 * a * a;
    int64_t bsq = 8 * b * b;
    int64_t step_x = 4 * b * b * (1 - a);
    int64_t step_y = 4 * a * a * (1 + (b % 2));
    int64_t err = step_x + step_y + a * a * (b % 2);
    int32_t x = 0;
    int32_t y = eh / 2;
    cap_left[y] = left;
    cap_right[y] = right;
    while (x <= ew / 2) {
        int64_t e2 = 2 * err;
        if (e2 >= step_x) {
            x++;
            step_x += bsq;
            err += step_x;
        }
        if (e2 <= step_y) {
            y++;
            step_y += asq;
            err += step_y;
            if (y < eh) {
                cap_left[y] = left + x;
                cap_right[y] = right - x;
            }
        }
    }
    for (int32_t i = 0; i < eh / 2; i++) {
        cap_left[i] = cap_left[b - i];
        cap_right[i] = cap_right[b - i];
    }
}

// The pixels of a one-pixel line as GDI steps it, from its first step in
// the image on: where that pixel lies, how to move along, and the decision
// term (a minor step follows a pixel when it is positive).
struct LineWalk {
    ptrdiff_t index; // of the first pixel drawn, in the image's rows
    ptrdiff_t major_step;
    ptrdiff_t minor_step;
    int64_t t;
    int64_t add_step;
    int64_t add_stay;
    int64_t count; // pixels drawn
    int64_t lo;    // the step of the first of them
};

// Set the pixels of a walk to `colour`; with `watch`, whether one of them
// was of another colour before (false without).
bool Solid_walk(Colour *p, LineWalk w, Colour colour, bool watch)
{
    if (!watch) {
        for (; w.count > 0; w.count--) {
            p[w.index] = colour;
            bool minor_move = w.t > 0;
            w.index += w.major_step + (minor_move ? w.minor_step : 0);
            w.t += minor_move ? w.add_step : w.add_stay;
        }
        return false;
    }
    // Without branches on t, which would be mispredicted about half the time.
    Colour differs = 0;
    for (; w.count > 0; w.count--) {
        differs |= p[w.index] ^ colour;
        p[w.index] = colour;
        bool minor_move = w.t > 0;
        w.index += w.major_step + (minor_move ? w.minor_step : 0);
        w.t += minor_move ? w.add_step : w.add_stay;
    }
    return differs != 0;
}

// A dashed pen's pattern, and the place in it of the line's first step.
struct DashState {
    const uint8_t *dash; // lengths, on and off alternately
    int count;
    int total;
    int64_t offset;
};

// Draw a walk with a dashed pen: the dashes in `colour`, the gaps in `gap`
// when `opaque`, else left as they are.
void Dashed_walk(Colour *p, LineWalk w, Colour colour, DashState d, Colour gap, bool opaque)
{
    // The place in the pattern of the first drawn pixel.
    int64_t phase = (d.offset + w.lo) % d.total;
    int k = 0;
    while (phase >= d.dash[k]) {
        phase -= d.dash[k];
        k++;
    }
    int64_t left_in_dash = d.dash[k] - phase;
    for (; w.count > 0; w.count--) {
        if ((k & 1) == 0)
            p[w.index] = colour;
        else if (opaque)
            p[w.index] = gap;
        if (--left_in_dash == 0) {
            k = k + 1 == d.count ? 0 : k + 1;
            left_in_dash = d.dash[k];
        }
        if (w.t > 0) {
            w.index += w.minor_step;
            w.t += w.add_step;
        } else {
            w.t += w.add_stay;
        }
        w.index += w.major_step;
    }
}

// The walk of `line` from (x0, y0) to (x1, y1) over the pixels that lie in
// a width x height image; false when none does.
bool Line_walk_make(const LineSetup &line, int64_t x0, int64_t y0, int64_t x1, int64_t y1,
                    int64_t width, int64_t height, LineWalk *walk)
{
    int64_t major_start = line.x_major ? x0 : y0;
    int64_t minor_start = line.x_major ? y0 : x0;
    int64_t major_size = line.x_major ? width : height;
    int64_t minor_size = line.x_major ? height : width;

    // Steps whose pixels lie in the image, lo .. hi - 1, and the minor
    // offset n of step lo: all of them, from the start, when both ends lie
    // in the image.
    int64_t lo = 0;
    int64_t hi = line.major;
    int64_t n = 0;
    int64_t two_major = 2 * line.major;
    int64_t two_minor = 2 * line.minor;
    if (x0 < 0 || y0 < 0 || x1 < 0 || y1 < 0 || x0 >= width || x1 >= width || y0 >= height ||
        y1 >= height) {
        // Steps whose major coordinate lies in the image.
        Axis_range(major_start, line.major_sign, major_size, &lo, &hi);
        lo = Max64(lo, 0);
        hi = Min64(hi, line.major);
        // Steps whose minor coordinate lies in the image: n(i) in [n_lo, n_hi].
        int64_t n_lo, n_hi;
        Axis_range(minor_start, line.minor_sign, minor_size, &n_lo, &n_hi);
        n_hi -= 1;
        if (line.minor == 0) {
            if (n_lo > 0 || n_hi < 0)
                return false;
        } else {
            lo = Max64(lo, Line_first_step(line, n_lo));
            hi = Min64(hi, Line_first_step(line, n_hi + 1));
        }
        if (lo >= hi)
            return false;
        n = Ceil_div(2 * lo * line.minor - line.major + line.bias, two_major);
    }
    walk->t = line.bias - line.major + 2 * lo * line.minor - n * two_major + two_minor;
    walk->add_step = two_minor - two_major;
    walk->add_stay = two_minor;
    int64_t major_pos = major_start + line.major_sign * lo;
    int64_t minor_pos = minor_start + line.minor_sign * n;
    int64_t px = line.x_major ? major_pos : minor_pos;
    int64_t py = line.x_major ? minor_pos : major_pos;
    ptrdiff_t row = static_cast<ptrdiff_t>(width);
    walk->index = static_cast<ptrdiff_t>(py) * row + static_cast<ptrdiff_t>(px);
    walk->major_step = line.x_major ? line.major_sign : line.major_sign * row;
    walk->minor_step = line.x_major ? line.minor_sign * row : line.minor_sign;
    walk->count = hi - lo;
    walk->lo = lo;
    return true;
}

} // namespace

RasterSurface::RasterSurface()
    : image(nullptr), image_width(0), image_height(0), pen_style(PEN_SOLID), pen_width_given(0),
      pen_colour(0), pen_kind(PEN_KIND_SOLID), pen_width(1), dash(nullptr), dash_count(0),
      dash_total(0), cap_top(0), cap_rows(0), cap_left(), cap_right(), pos_x(0), pos_y(0),
      origin_x(0), origin_y(0), background_opaque(1), background_colour(COLOUR_WHITE),
      line_changed(false), watching(false), owned(true), blue_low(false)
{
}

RasterSurface::~RasterSurface()
{
    if (owned)
        std::free(image);
}

int RasterSurface::create(int32_t width, int32_t height)
{
    return start(width, height, nullptr, false);
}

int RasterSurface::attach(Colour *rows, int32_t width, int32_t height)
{
    return start(width, height, rows, true);
}

Colour RasterSurface::stored(Colour colour) const
{
    return Swapped(colour & COLOUR_MASK, blue_low);
}

int RasterSurface::start(int32_t width, int32_t height, Colour *rows, bool rows_blue_low)
{
    // An image of the same size is drawn on again (its memory is had
    // already: no page of it faults in anew).
    Colour *kept = nullptr;
    if (owned && rows == nullptr && image && width == image_width && height == image_height)
        kept = image;
    else if (owned)
        std::free(image);
    owned = rows == nullptr;
    blue_low = rows_blue_low;
    image = nullptr;
    image_width = 0;
    image_height = 0;
    pen_style = -1; // forces the pen below to be set up
    pen(PEN_SOLID, 0, 0);
    pos_x = pos_y = 0;
    origin_x = origin_y = 0;
    background_opaque = 1;
    background_colour = COLOUR_WHITE;
    if (width < 1 || height < 1 || width > RASTER_MAX_SIDE || height > RASTER_MAX_SIDE)
        return -1;
    size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    image = rows ? rows : kept ? kept : static_cast<Colour *>(std::malloc(count * sizeof(Colour)));
    if (!image)
        return -1;
    image_width = width;
    image_height = height;
    clear(COLOUR_WHITE);
    return 0;
}

void RasterSurface::clear(Colour colour)
{
    size_t count = static_cast<size_t>(image_width) * static_cast<size_t>(image_height);
    const Colour value = Swapped(colour, blue_low);
    for (size_t i = 0; i < count; i++)
        image[i] = value;
}

Colour RasterSurface::pixel(int32_t x, int32_t y) const
{
    if (x < 0 || y < 0 || x >= image_width || y >= image_height)
        return 0xFFFFFFFFu;
    return Swapped(
        image[static_cast<size_t>(y) * static_cast<size_t>(image_width) + static_cast<size_t>(x)],
        blue_low);
}

void RasterSurface::pen(int style, int width, Colour colour)
{
    if (style == pen_style && width == pen_width_given && colour == pen_colour)
        return;
    // A style the platform does not know makes pen creation fail; the
    // device context then keeps the pen it had.
    if (style < PEN_SOLID || style > PEN_INSIDEFRAME)
        return;
    pen_style = style;
    pen_width_given = width;
    pen_colour = colour;

    int32_t w = width < 0 ? -width : width;
    if (w < 1)
        w = 1;
    if (w > RASTER_MAX_PEN_WIDTH)
        w = RASTER_MAX_PEN_WIDTH;
    dash = nullptr;
    dash_count = 0;
    dash_total = 0;
    if (style == PEN_NULL) {
        pen_kind = PEN_KIND_NULL;
        pen_width = 0;
        return;
    }
    pen_width = w;
    if (w > 1) {
        pen_kind = PEN_KIND_WIDE;
    } else if (style >= PEN_DASH && style <= PEN_DASHDOTDOT) {
        pen_kind = PEN_KIND_DASHED;
        dash = PEN_DASHES[style - PEN_DASH];
        dash_count = PEN_DASH_COUNTS[style - PEN_DASH];
        for (int i = 0; i < dash_count; i++)
            dash_total += dash[i];
    } else {
        pen_kind = PEN_KIND_SOLID;
    }
    if (pen_kind == PEN_KIND_WIDE)
        Round_cap_spans(w, &cap_top, &cap_rows, cap_left, cap_right);
}

void RasterSurface::move_to(int32_t x, int32_t y)
{
    pos_x = x;
    pos_y = y;
}

void RasterSurface::line_to(int32_t x, int32_t y)
{
    int64_t x0 = static_cast<int64_t>(pos_x) + origin_x;
    int64_t y0 = static_cast<int64_t>(pos_y) + origin_y;
    int64_t x1 = static_cast<int64_t>(x) + origin_x;
    int64_t y1 = static_cast<int64_t>(y) + origin_y;
    pos_x = x;
    pos_y = y;
    // Only the one-pixel solid pen tells; any other may have changed pixels.
    line_changed = pen_kind != PEN_KIND_SOLID || !watching;
    if (pen_kind == PEN_KIND_WIDE)
        wide_line(x0, y0, x1, y1);
    else if (pen_kind != PEN_KIND_NULL)
        thin_line(x0, y0, x1, y1, 0);
}

void RasterSurface::thin_line(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t dash_offset)
{
    if (x0 != x1 && y0 != y1) {
        Crop_point(&x0, &y0);
        Crop_point(&x1, &y1);
    }
    int64_t dx = x1 - x0;
    int64_t dy = y1 - y0;
    if (dx == 0 && dy == 0)
        return;
    Colour colour = stored(pen_colour);
    // A line of one step sets its first pixel alone, in the colour that
    // starts every dash pattern.
    if (dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1 && dash_offset == 0) {
        if (x0 < 0 || y0 < 0 || x0 >= image_width || y0 >= image_height)
            return;
        Colour &p = image[static_cast<ptrdiff_t>(y0) * image_width + static_cast<ptrdiff_t>(x0)];
        if (watching && pen_kind == PEN_KIND_SOLID)
            line_changed = p != colour;
        p = colour;
        return;
    }
    LineSetup line;
    Line_setup(dx, dy, &line);
    assert(line.major > 0); // the longer of |dx| and |dy|, which are not both 0
    LineWalk walk;
    if (!Line_walk_make(line, x0, y0, x1, y1, image_width, image_height, &walk))
        return;
    if (pen_kind != PEN_KIND_SOLID) {
        Dashed_walk(image, walk, colour, DashState{dash, dash_count, dash_total, dash_offset},
                    stored(background_colour), background_opaque != 0);
    } else if (Solid_walk(image, walk, colour, watching)) {
        line_changed = true;
    }
}

void RasterSurface::fill_span(int64_t y, int64_t left, int64_t right, Colour colour)
{
    if (y < 0 || y >= image_height)
        return;
    left = Max64(left, 0);
    right = Min64(right, image_width);
    if (left >= right)
        return;
    Colour *p = image + static_cast<ptrdiff_t>(y) * image_width;
    for (int64_t x = left; x < right; x++)
        p[x] = colour;
}

void RasterSurface::fill_device_rect(int64_t left, int64_t top, int64_t right, int64_t bottom,
                                     Colour colour)
{
    top = Max64(top, 0);
    bottom = Min64(bottom, image_height);
    for (int64_t y = top; y < bottom; y++)
        fill_span(y, left, right, colour);
}

void RasterSurface::round_cap(int64_t x, int64_t y)
{
    Colour colour = stored(pen_colour);
    for (int32_t i = 0; i < cap_rows; i++)
        fill_span(y + cap_top + i, x + cap_left[i], x + cap_right[i], colour);
}

// Fill a polygon by the even-odd rule as GDI converts a polygon to a region:
// an edge from (x1, y1) to (x2, y2) with y1 < y2 covers the rows y1 .. y2 - 1
// and lies at x1 + ceil((y - y1) (x2 - x1) / (y2 - y1)) in row y; horizontal
// edges are ignored; in each row the sorted edge positions pair up into
// spans that include their left and exclude their right position.
void RasterSurface::fill_polygon(const int64_t *xs, const int64_t *ys, int count, Colour colour)
{
    const int MAX_POINTS = 8;
    if (count < 3 || count > MAX_POINTS)
        return;
    int64_t y_min = ys[0];
    int64_t y_max = ys[0];
    for (int i = 1; i < count; i++) {
        y_min = Min64(y_min, ys[i]);
        y_max = Max64(y_max, ys[i]);
    }
    y_min = Max64(y_min, 0);
    y_max = Min64(y_max, image_height);
    for (int64_t y = y_min; y < y_max; y++) {
        int64_t cross[MAX_POINTS];
        int n = 0;
        for (int i = 0; i < count; i++) {
            int j = i == 0 ? count - 1 : i - 1;
            int64_t top_x = xs[j], top_y = ys[j], bottom_x = xs[i], bottom_y = ys[i];
            if (top_y > bottom_y) {
                top_x = xs[i];
                top_y = ys[i];
                bottom_x = xs[j];
                bottom_y = ys[j];
            }
            if (y < top_y || y >= bottom_y)
                continue;
            int64_t x = top_x + Ceil_div((y - top_y) * (bottom_x - top_x), bottom_y - top_y);
            int k = n++;
            while (k > 0 && cross[k - 1] > x) {
                cross[k] = cross[k - 1];
                k--;
            }
            cross[k] = x;
        }
        for (int k = 0; k + 1 < n; k += 2)
            fill_span(y, cross[k], cross[k + 1], colour);
    }
}

void RasterSurface::wide_line(int64_t x0, int64_t y0, int64_t x1, int64_t y1)
{
    Crop_point(&x0, &y0);
    Crop_point(&x1, &y1);
    round_cap(x0, y0);
    round_cap(x1, y1);
    wide_body(x0, y0, x1, y1);
}

void RasterSurface::wide_body(int64_t x0, int64_t y0, int64_t x1, int64_t y1)
{
    int64_t dx = x1 - x0;
    int64_t dy = y1 - y0;
    int64_t w = pen_width;
    Colour colour = stored(pen_colour);
    if (dx == 0 && dy == 0)
        return;
    if (dy == 0) {
        int64_t top = y0 - w / 2;
        fill_device_rect(Min64(x0, x1), top, Max64(x0, x1), top + w, colour);
        return;
    }
    if (dx == 0) {
        int64_t left = x0 - w / 2;
        fill_device_rect(left, Min64(y0, y1), left + w, Max64(y0, y1), colour);
        return;
    }
    // The body: a quadrilateral whose sides parallel to the line lie half
    // the pen width away, the rounding split unevenly between the sides.
    double length = std::hypot(static_cast<double>(dx), static_cast<double>(dy));
    double width_x = static_cast<double>(w) * static_cast<double>(Abs64(dy)) / length;
    double width_y = static_cast<double>(w) * static_cast<double>(Abs64(dx)) / length;
    int64_t narrow_x = Round_half(width_x / 2);
    int64_t narrow_y = Round_half(width_y / 2);
    int64_t wide_x = Round_half((width_x + 1) / 2);
    int64_t wide_y = Round_half((width_y + 1) / 2);
    if (dx < 0) {
        wide_y = -wide_y;
        narrow_y = -narrow_y;
    }
    if (dy < 0) {
        int64_t tx = narrow_x, ty = narrow_y;
        narrow_x = wide_x;
        narrow_y = wide_y;
        wide_x = -tx;
        wide_y = ty;
        narrow_x = -narrow_x;
    }
    int64_t xs[4] = {x0 - narrow_x, x0 + wide_x, x1 + wide_x, x1 - narrow_x};
    int64_t ys[4] = {y0 + narrow_y, y0 - wide_y, y1 - wide_y, y1 + narrow_y};
    fill_polygon(xs, ys, 4, colour);
}

void RasterSurface::device_box(int32_t left, int32_t top, int32_t right, int32_t bottom, int64_t *l,
                               int64_t *t, int64_t *r, int64_t *b) const
{
    *l = static_cast<int64_t>(left) + origin_x;
    *t = static_cast<int64_t>(top) + origin_y;
    *r = static_cast<int64_t>(right) + origin_x;
    *b = static_cast<int64_t>(bottom) + origin_y;
}

void RasterSurface::rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom,
                              Colour fill_colour)
{
    int64_t l, t, r, b;
    device_box(left, top, right, bottom, &l, &t, &r, &b);
    if (l > r) {
        int64_t tmp = l;
        l = r;
        r = tmp;
    }
    if (t > b) {
        int64_t tmp = t;
        t = b;
        b = tmp;
    }
    if (l == r || t == b)
        return;
    int64_t w = pen_width;
    if (pen_style == PEN_INSIDEFRAME) {
        l += w / 2;
        t += w / 2;
        r -= (w - 1) / 2;
        b -= (w - 1) / 2;
    }
    // The outline runs through the corners (r-1, t), (l, t), (l, b-1),
    // (r-1, b-1) and back, counter-clockwise on the screen.
    r--;
    b--;
    int64_t xs[5] = {r, l, l, r, r};
    int64_t ys[5] = {t, t, b, b, t};
    Colour fill = stored(fill_colour);

    if (pen_kind == PEN_KIND_WIDE) {
        fill_device_rect(l, t, r, b, fill);
        // The closed outline without caps, a round join at the corners; the
        // platform drops repeated corners at the ends of the point list.
        int first = 0;
        int num = 4;
        while (num > 2 && xs[first] == xs[first + 1] && ys[first] == ys[first + 1]) {
            first++;
            num--;
        }
        while (num > 2 && xs[first + num - 1] == xs[first + num - 2] &&
               ys[first + num - 1] == ys[first + num - 2])
            num--;
        for (int i = 0; i < num; i++) {
            int a = first + i;
            int c = first + (i + 1) % num;
            wide_body(xs[a], ys[a], xs[c], ys[c]);
        }
        // Joins: at both ends of the point list always, in between only
        // where a segment of some length starts.
        for (int i = 0; i < num; i++) {
            int a = first + i;
            int c = first + (i + 1) % num;
            if (i == 0 || i == num - 1 || xs[a] != xs[c] || ys[a] != ys[c])
                round_cap(xs[a], ys[a]);
        }
        return;
    }
    if (pen_kind != PEN_KIND_NULL) {
        int64_t offset = 0;
        for (int i = 0; i < 4; i++) {
            thin_line(xs[i], ys[i], xs[i + 1], ys[i + 1], offset);
            offset += Max64(Abs64(xs[i + 1] - xs[i]), Abs64(ys[i + 1] - ys[i]));
        }
    }
    fill_device_rect(l + (w + 1) / 2, t + (w + 1) / 2, r - w / 2, b - w / 2, fill);
}

void RasterSurface::mark(int64_t left, int64_t top, int64_t right, int64_t bottom, Colour value)
{
    fill_device_rect(left, top, right, bottom, Swapped(value, blue_low));
}

void RasterSurface::fill_rect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                              Colour colour)
{
    int64_t l, t, r, b;
    device_box(left, top, right, bottom, &l, &t, &r, &b);
    // A reversed rectangle covers the same pixels as a pattern blit of
    // negative size: from the right edge + 1 to the left edge + 1.
    if (l > r) {
        int64_t tmp = l;
        l = r + 1;
        r = tmp + 1;
    }
    if (t > b) {
        int64_t tmp = t;
        t = b + 1;
        b = tmp + 1;
    }
    fill_device_rect(l, t, r, b, stored(colour));
}

void RasterSurface::text(int32_t x, int32_t y, const char *text, int length, Colour colour)
{
    background_opaque = 0;
    if (!text || length <= 0)
        return;
    Colour c = stored(colour);
    int64_t pen_x = static_cast<int64_t>(x) + origin_x;
    int64_t cell_top = static_cast<int64_t>(y) + origin_y;
    for (int i = 0; i < length; i++) {
        int ch = static_cast<unsigned char>(text[i]);
        if (ch < FONT_FIRST_CHAR || ch > FONT_LAST_CHAR)
            ch = '?';
        const FontGlyph &glyph = font_glyphs[ch - FONT_FIRST_CHAR];
        for (int r = 0; r < glyph.rows; r++) {
            int64_t py = cell_top + glyph.top + r;
            if (py < 0 || py >= image_height)
                continue;
            unsigned bits = font_rows[glyph.first_row + r];
            for (int col = 0; bits != 0; col++, bits = (bits << 1) & 0xFFFFu) {
                if (!(bits & 0x8000u))
                    continue;
                int64_t px = pen_x + glyph.left + col;
                if (px < 0 || px >= image_width)
                    continue;
                image[static_cast<ptrdiff_t>(py) * image_width + px] = c;
            }
        }
        pen_x += glyph.advance;
    }
}

void RasterSurface::set_origin(int32_t x, int32_t y)
{
    origin_x = x;
    origin_y = y;
}

void RasterSurface::set_background(int opaque, Colour colour)
{
    background_opaque = opaque ? 1 : 0;
    background_colour = colour;
}

// Lane images kept from one rebuild to the next, at most LANE_POOL_MAX:
// at a large size, making a lane's image anew (its pages faulting in)
// costs more than the lines of a preview.  Lanes are made and ended on the
// thread that asks for them; the lock keeps the pool whole all the same.
namespace {

const size_t LANE_POOL_MAX = 3;
std::mutex lane_pool_lock;
std::vector<std::unique_ptr<RasterSurface>> lane_pool;

std::unique_ptr<RasterSurface> Lane_image_take()
{
    std::lock_guard<std::mutex> hold(lane_pool_lock);
    if (lane_pool.empty())
        return std::unique_ptr<RasterSurface>(new (std::nothrow) RasterSurface());
    std::unique_ptr<RasterSurface> image = std::move(lane_pool.back());
    lane_pool.pop_back();
    return image;
}

void Lane_image_give_back(std::unique_ptr<RasterSurface> image)
{
    std::lock_guard<std::mutex> hold(lane_pool_lock);
    if (image && lane_pool.size() < LANE_POOL_MAX)
        lane_pool.push_back(std::move(image));
}

} // namespace

// The lanes of a raster surface: the surface itself, and images of the area
// whose pixels start as NOT_DRAWN (a value no drawing writes).
class RasterLanes : public SurfaceLanes {
public:
    static const Colour NOT_DRAWN = 0xFF000000u;

    explicit RasterLanes(RasterSurface *base_in) : base(base_in), left(0), top(0), empty(false) {}
    ~RasterLanes() override
    {
        for (std::unique_ptr<RasterSurface> &image : others)
            Lane_image_give_back(std::move(image));
    }

    Surface *lane(int index) override
    {
        return index == 0 ? static_cast<Surface *>(base)
                          : others[static_cast<size_t>(index - 1)].get();
    }

    void merge(int index) override
    {
        if (empty)
            return;
        const size_t width = static_cast<size_t>(others[0]->image_width);
        const size_t height = static_cast<size_t>(others[0]->image_height);
        {
            const Colour *from = others[static_cast<size_t>(index - 1)]->image;
            for (size_t y = 0; y < height; y++) {
                Colour *to =
                    base->image +
                    (static_cast<size_t>(top) + y) * static_cast<size_t>(base->image_width) +
                    static_cast<size_t>(left);
                const Colour *row = from + y * width;
                for (size_t x = 0; x < width; x++)
                    to[x] = row[x] != NOT_DRAWN ? row[x] : to[x];
            }
        }
    }

    RasterSurface *base;
    std::vector<std::unique_ptr<RasterSurface>> others;
    int64_t left; // where the other lanes lie on the base image
    int64_t top;
    bool empty; // the area lies off the image: nothing to merge
};

SurfaceLanes *RasterSurface::lanes(int count, PixelRect area)
{
    if (count < 2 || !image)
        return nullptr;
    int64_t l, t, r, b;
    device_box(area.left, area.top, area.right, area.bottom, &l, &t, &r, &b);
    l = Max64(l, 0);
    t = Max64(t, 0);
    r = Min64(r, image_width);
    b = Min64(b, image_height);
    bool empty = l >= r || t >= b;
    if (empty) {
        l = t = 0;
        r = b = 1;
    }
    if ((r - l) * (b - t) > RASTER_LANE_PIXELS)
        return nullptr;
    std::unique_ptr<RasterLanes> lanes(new (std::nothrow) RasterLanes(this));
    if (!lanes)
        return nullptr;
    lanes->left = l;
    lanes->top = t;
    lanes->empty = empty;
    for (int k = 0; k < count - 1; k++) {
        std::unique_ptr<RasterSurface> taken = Lane_image_take();
        if (!taken ||
            taken->create(static_cast<int32_t>(r - l), static_cast<int32_t>(b - t)) != 0) {
            Lane_image_give_back(std::move(taken));
            return nullptr;
        }
        lanes->others.push_back(std::move(taken));
        RasterSurface &lane = *lanes->others.back();
        lane.blue_low = blue_low;
        lane.clear(RasterLanes::NOT_DRAWN);
        lane.set_origin(static_cast<int32_t>(origin_x - l), static_cast<int32_t>(origin_y - t));
        lane.set_background(background_opaque, background_colour);
        lane.pen(pen_style, pen_width_given, pen_colour);
        lane.move_to(pos_x, pos_y);
    }
    return lanes.release();
}

void Raster_text_extent(const char *text, int length, int32_t *width, int32_t *height)
{
    int32_t w = 0;
    for (int i = 0; text && i < length; i++) {
        int ch = static_cast<unsigned char>(text[i]);
        if (ch < FONT_FIRST_CHAR || ch > FONT_LAST_CHAR)
            ch = '?';
        w += font_glyphs[ch - FONT_FIRST_CHAR].advance;
    }
    if (width)
        *width = w;
    if (height)
        *height = font_height;
}
