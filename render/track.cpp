#include "render/track.h"

#include <cmath>
#include <cstring>
#include <fstream>

#include "picture/display.h"
#include "picture/geometry.h"
#include "picture/message.h"
#include "picture/numparse.h"
#include "picture/picture.h"
#include "picture/settings.h"
#include "picture/step_copy.h"
#include "render/energy_colour.h"
#include "render/geometry_draw.h"
#include "render/layout.h"
#include "render/view.h"

uint32_t track_stride = 1;

namespace {

// The limiting square of Line_draw is +-2000 pixels for a window of up to
// 976 pixels a side.  A fixed square of that size would cut every picture
// wider or taller than 2000 pixels (a maximized window on a large screen, a
// large bitmap or figure) and show its tracks and outlines in the left 2000
// pixels only: for a larger window the square grows to the larger side of
// the window plus LIMIT_MARGIN, so the whole picture is drawn at any size.
// The square keeps its purpose: every coordinate handed to the surface stays
// within it (a side of at most 2^20 + LIMIT_MARGIN, far inside the range of
// the platform's 32-bit coordinates), so no line is endless.  The margin lies beyond the area by
// more than half the widest pen, so that no limited end shows.
const int32_t LIMIT_BASE = 2000;
const int32_t LIMIT_MARGIN = 1024;
const int32_t LIMIT_SIDE_MAX = 1 << 20;

int32_t Line_limit()
{
    int32_t side = layout.window_w > layout.window_h ? layout.window_w : layout.window_h;
    if (side > LIMIT_SIDE_MAX)
        side = LIMIT_SIDE_MAX;
    return side > LIMIT_BASE - LIMIT_MARGIN ? side + LIMIT_MARGIN : LIMIT_BASE;
}

// Records are read in blocks of this many.
enum { READ_BLOCK_RECORDS = 4096 };
uint8_t read_block[READ_BLOCK_RECORDS * STEP_RECORD_SIZE];
StepRecord record_block[READ_BLOCK_RECORDS];
PixelPoint point_block[READ_BLOCK_RECORDS];   // where their points land

// The pen of a record kind: 1 photon, 2 electron, 3 positron map to the
// settings index 2, 0, 1.  Unknown kinds have no pen.
struct KindPen {
    bool shown;
    int style;
    int width;
    Colour colour;
    float cutoff;
};

void Line_limited(Surface *surface, int32_t x1, int32_t x2, int32_t y1, int32_t y2, int32_t limit);

bool Fits_int32(double v)
{
    return v >= -2147483648.0 && v < 2147483648.0;
}

// The records of a rebuild, block by block into record_block, with their
// coordinates in pixels (divided by the scale): from the step copy when it
// stands for the work file, else from the work file.  Both give the same
// records.
struct RecordReader {
    std::ifstream *file;
    bool from_copy;
    double scale;
    uint64_t copy_next;   // the copy's next record

    // Start at record `index` (the end when there are fewer).
    void Seek(uint64_t index)
    {
        copy_next = index;
        if (from_copy)
            return;
        file->seekg(static_cast<std::streamoff>(index * STEP_RECORD_SIZE), std::ios::beg);
        if (file->fail())
            file->clear();   // beyond the end: the first read meets the end
    }

    // The next block; its size (0 at the end), or -1 on a read error.
    long Fill()
    {
        if (from_copy) {
            size_t n = Step_copy_read(copy_next, record_block, READ_BLOCK_RECORDS, scale);
            copy_next += n;
            return static_cast<long>(n);
        }
        file->read(reinterpret_cast<char *>(read_block), sizeof read_block);
        if (file->bad())
            return -1;
        size_t n = static_cast<size_t>(file->gcount()) / STEP_RECORD_SIZE;
        for (size_t i = 0; i < n; i++) {
            StepRecord &r = record_block[i];
            Step_decode(read_block + i * STEP_RECORD_SIZE, &r);
            const double cm[3] = {r.x, r.y, r.z};
            double px[3];
            Point_calc(cm, scale, px);
            r.x = px[0];
            r.y = px[1];
            r.z = px[2];
        }
        return static_cast<long>(n);
    }
};

// Draws the steps of a rebuild through Line_draw, leaving out what cannot
// change a pixel, before any pen work: a dot on the dot drawn just before
// with the same pen (drawing a dot again changes nothing), and a line that
// lies inside the limiting square but beyond one edge of the picture area by
// more than its pen's width, which also covers the pixel to the right that a
// dot draws to (whatever a rebuild draws outside the picture area is painted
// over).
struct StepPainter {
    Surface *surface;
    int64_t width;    // the picture area
    int64_t height;
    int32_t limit;    // the limiting square
    bool dot_last;    // the last thing drawn was the dot at `dot` with pen dot_kind
    PixelPoint dot;
    int dot_kind;
    Colour dot_colour;

    bool In_square(PixelPoint p) const
    {
        return p.x > -limit && p.x < limit && p.y > -limit && p.y < limit;
    }

    bool Outside(PixelPoint a, PixelPoint b, int pen_width) const
    {
        if (!In_square(a) || !In_square(b))
            return false;
        int64_t reach = (pen_width < 0 ? -static_cast<int64_t>(pen_width) : pen_width) + 2;
        return (a.x < -reach && b.x < -reach) || (a.y < -reach && b.y < -reach) ||
               (a.x >= width + reach && b.x >= width + reach) ||
               (a.y >= height + reach && b.y >= height + reach);
    }

    void Draw(const KindPen &p, int kind, PixelPoint a, PixelPoint b)
    {
        bool is_dot = a.x == b.x && a.y == b.y;
        if (is_dot && dot_last && kind == dot_kind && p.colour == dot_colour && a.x == dot.x &&
            a.y == dot.y)
            return;
        if (Outside(a, b, p.width))
            return;
        surface->pen(p.style, p.width, p.colour);
        Line_limited(surface, a.x, b.x, a.y, b.y, limit);
        dot_last = is_dot;
        dot = a;
        dot_kind = kind;
        dot_colour = p.colour;
    }
};

} // namespace

namespace {

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

// Line_draw after the pen, with the square +-limit.
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
    if (!Limit_x(X, Y, 0, l) || !Limit_x(X, Y, 1, l) || !Limit_y(X, Y, 0, l) || !Limit_y(X, Y, 1, l))
        return;
    // End points computed far outside the square may leave the 32-bit range:
    // such a segment is not drawn.
    for (int e = 0; e < 2; e++)
        if (!Fits_int32(X[e]) || !Fits_int32(Y[e]))
            return;
    surface->move_to(static_cast<int32_t>(X[0]), static_cast<int32_t>(Y[0]));
    surface->line_to(static_cast<int32_t>(X[1]), static_cast<int32_t>(Y[1]));
}

} // namespace

void Line_draw(Surface *surface, int32_t x1, int32_t x2, int32_t y1, int32_t y2, int style,
               int width, Colour colour)
{
    surface->pen(style, width, colour);
    Line_limited(surface, x1, x2, y1, y2, Line_limit());
}

void Scale_draw(Surface *surface, double scale)
{
    double value = Real_text(settings.scale_unit_text);
    if (value == 0.0 || !(value == value))
        return;
    float bar = static_cast<float>(value / scale);
    float left = static_cast<float>(layout.scale_bar_x) - bar;
    if (!(left > 0.0f) || !(left < static_cast<float>(layout.scale_bar_x)))
        return;
    int32_t x0 = static_cast<int32_t>(left);
    if (x0 <= 0 || x0 >= layout.scale_bar_x)
        return;
    int32_t x1 = layout.scale_bar_x;
    int32_t y = layout.scale_bar_y;
    surface->pen(PEN_SOLID, 1, settings.character_color);
    surface->move_to(x0, y);
    surface->line_to(x1, y);
    surface->move_to(x0, y - 10);
    surface->line_to(x0, y);
    surface->move_to(x1, y - 10);
    surface->line_to(x1, y);

    char label[SCALE_UNIT_TEXT_SIZE + 2];
    size_t n = std::strlen(settings.scale_unit_text);
    std::memcpy(label, settings.scale_unit_text, n);
    label[n] = 'c';
    label[n + 1] = 'm';
    float half = (static_cast<float>(6 * n) - bar) / 2.0f;
    int32_t x = x0 - static_cast<int32_t>(half) - 23;
    surface->text(x, layout.scale_text_y, label, static_cast<int>(n + 2), settings.character_color);
}

int Track_draw(WindowRef window, Surface *surface, double *scale, int render_mode,
               int calc_mode_now, int redraw_pressed, PixelRect view_rect)
{
    // 1. Cut-offs and batch range.
    float photon_cutoff = static_cast<float>(Real_text(settings.photon_cutoff_text));
    float charged_cutoff = static_cast<float>(Real_text(settings.charged_cutoff_text));
    int64_t first = batch_from != 0 ? batch_from : 1;
    int64_t last = batch_to != 0 ? batch_to : static_cast<int64_t>(batch_count);
    bool newest_only = calc_mode_now == 1 && redraw_pressed == 1;
    if (newest_only)
        first = last = batch_count;

    // 2. Fit the view.
    View_setup(window, view_rect, render_mode, scale);

    // 3. Open the work file.
    char path[PATH_SIZE + 16];
    Work_path(path, sizeof path);
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
        Show_error(window, MSG_WORK_PATH);
        return -1;
    }

    // 4. Scale bar.
    double s = *scale;
    Scale_draw(surface, s);

    // 5. Nothing else when every kind is hidden.
    if (show_electron == 0 && show_positron == 0 && show_photon == 0)
        return 0;

    // 6. Seek to the first record of the first batch on display.  When the
    // batches are out of order the counts say nothing about where a batch
    // lies: then all records are read once and exactly those of the batches
    // in range are drawn.
    RecordReader reader{&file, Step_copy_matches(path), s, 0};
    bool whole_file = batches_unordered != 0;
    int64_t seek_batch = first;
    if (seek_batch > 1 && !whole_file) {
        uint64_t records = 0;
        for (int64_t b = 1; b < seek_batch && b <= BATCH_MAX; b++)
            records += batch_step_count[b - 1];
        reader.Seek(records);
    }

    const KindPen pens[4] = {
        {false, 0, 0, 0, 0.0f},
        {show_photon == 1, settings.particle_pen_style[PARTICLE_PHOTON],
         settings.particle_pen_width[PARTICLE_PHOTON], settings.particle_color[PARTICLE_PHOTON],
         photon_cutoff},
        {show_electron == 1, settings.particle_pen_style[PARTICLE_ELECTRON],
         settings.particle_pen_width[PARTICLE_ELECTRON], settings.particle_color[PARTICLE_ELECTRON],
         charged_cutoff},
        {show_positron == 1, settings.particle_pen_style[PARTICLE_POSITRON],
         settings.particle_pen_width[PARTICLE_POSITRON], settings.particle_color[PARTICLE_POSITRON],
         charged_cutoff},
    };

    // Coloured by energy: the scale, between the limits set or the lowest
    // and highest energy shown.
    const bool by_energy = energy_colouring.by_energy == 1;
    if (by_energy) {
        float low = energy_colouring.low, high = energy_colouring.high;
        if (energy_colouring.limits_set != 1 &&
            Energy_range_shown(path, first, last, whole_file, photon_cutoff, charged_cutoff, &low, &high) != 0)
            low = high = 1.0f;
        energy_scale_drawn = Energy_scale(low, high);
    }

    // 7. Read and draw, block by block.  Without a scale (never fitted)
    // positions are not defined and nothing is drawn.
    bool positions = s > 0.0 && std::isfinite(s);
    const ViewTurn turn = View_turn();
    StepPainter painter{surface, layout.view_w, layout.view_h, Line_limit(), false, PixelPoint{0, 0}, 0, 0};
    bool in_track = false;
    bool done = false;
    PixelPoint previous = {0, 0};
    long got = 0;
    // The index of each record, for a surface that keeps which record drew
    // a pixel.
    const bool tell_records = surface->record_wanted();
    uint64_t next_index = reader.copy_next;   // where Seek left the reader
    // A preview draws every stride-th track only, placing only the points
    // it draws; the others are passed over up to their end.
    const uint64_t stride = track_stride > 1 ? track_stride : 1;
    uint64_t tracks_begun = 0;
    bool skipping = false;
    uint64_t records_read = 0;
    uint64_t records_total = 0;   // for the progress shown: the records to be read
    if (progress_hook) {
        int64_t from = whole_file || seek_batch < 1 ? 1 : seek_batch;
        int64_t to = whole_file || last > BATCH_MAX ? int64_t{BATCH_MAX} : last;
        for (int64_t b = from; b <= to; b++)
            records_total += batch_step_count[b - 1];
    }
    while (!done && (got = reader.Fill()) > 0) {
        size_t count = static_cast<size_t>(got);
        const uint64_t block_first = next_index;
        next_index += count;
        if (positions && stride == 1)
            View_place_steps(turn, record_block, count, point_block);
        for (size_t i = 0; i < count && !done; i++) {
            const StepRecord &r = record_block[i];
            if (skipping) {
                skipping = r.kind >= KIND_PHOTON && r.kind <= KIND_POSITRON && r.batch <= last &&
                           (!whole_file || r.batch >= first);
                continue;
            }
            if (positions && stride > 1)
                View_place_steps(turn, &r, 1, &point_block[i]);
            if (tell_records)
                surface->record(block_first + i);
            if (progress_hook && ++records_read % PROGRESS_EVERY == 0)
                progress_hook("drawing", records_read, records_total);
            bool known = r.kind >= KIND_PHOTON && r.kind <= KIND_POSITRON;
            bool in_range = r.batch <= last && (!whole_file || r.batch >= first);
            if (!in_track) {
                if (!in_range) {
                    done = !whole_file;
                    continue;
                }
                // Separators, hidden kinds and (in a damaged file) unknown
                // kinds are passed over between tracks.
                if (!known || !pens[r.kind].shown)
                    continue;
                if (tracks_begun++ % stride != 0) {
                    skipping = true;
                    continue;
                }
                KindPen p = pens[r.kind];
                if (by_energy)
                    p.colour = Energy_colour(energy_scale_drawn, r.energy);
                previous = point_block[i];
                if (positions && r.energy >= p.cutoff)
                    painter.Draw(p, r.kind, previous, previous);
                in_track = true;
            } else {
                // An unknown kind ends the track like a separator.
                if (!known || !in_range) {
                    in_track = false;
                    continue;
                }
                KindPen p = pens[r.kind];
                if (by_energy)
                    p.colour = Energy_colour(energy_scale_drawn, r.energy);
                PixelPoint at = point_block[i];
                if (positions && r.energy >= p.cutoff)
                    painter.Draw(p, r.kind, previous, at);
                previous = at;
            }
        }
    }
    if (tell_records)
        surface->record(RECORD_NONE);
    if (got < 0) {
        Show_error(window, MSG_WORK_READ);
        return -1;
    }

    // 8. The picture file's own geometry.
    if (geometry_enabled == 1 && geometry_path[0] == '\0')
        Geom_draw(window, surface);
    return 0;
}
