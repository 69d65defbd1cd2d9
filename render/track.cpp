#include "render/track.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "picture/display.h"
#include "picture/geometry.h"
#include "picture/message.h"
#include "picture/numparse.h"
#include "picture/picture.h"
#include "picture/platform.h"
#include "picture/settings.h"
#include "picture/step_copy.h"
#include "picture/work_file.h"
#include "picture/work_threads.h"
#include "render/annotations.h"
#include "render/energy_colour.h"
#include "render/layout.h"
#include "render/line_draw.h"
#include "render/view.h"

namespace {

// Records are read in blocks of this many.
const size_t READ_BLOCK_RECORDS = 512;
const size_t PREVIEW_BLOCK_RECORDS = 64;

// The pen of a record kind: 1 photon, 2 electron, 3 positron map to the
// settings index 2, 0, 1.  Unknown kinds have no pen.
struct KindPen {
    bool shown;
    int style;
    int width;
    Colour colour;
    float cutoff;
};

// Draws the steps of a rebuild through Line_limited, leaving out what cannot
// change a pixel, before any pen work: a dot on the dot drawn just before
// with the same pen (drawing a dot again changes nothing), and a line that
// lies inside the limiting square but beyond one edge of the picture area by
// more than its pen's width, which also covers the pixel to the right that a
// dot draws to (whatever a rebuild draws outside the picture area is painted
// over).
struct StepPainter {
    Surface *surface;
    int64_t width; // the picture area
    int64_t height;
    int32_t limit; // the limiting square
    bool dot_last; // the last thing drawn was the dot at `dot` with pen dot_kind
    PixelPoint dot;
    int dot_kind;
    Colour dot_colour;
    bool records_told; // the surface wants the records

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
        // A surface that is told the records (the record index) sees every
        // dot: there the record drawing it last matters, and on lanes the
        // dot before may lie in another lane.
        if (is_dot && dot_last && kind == dot_kind && p.colour == dot_colour && a.x == dot.x &&
            a.y == dot.y && !records_told)
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

// What every lane of a rebuild reads and nothing writes while they draw.
struct TrackJob {
    KindPen pens[4];
    ViewTurn turn;
    int64_t first; // the batch range
    int64_t last;
    bool whole_file; // batches out of order: every record is read
    bool positions;  // a scale was fitted: points have positions
    bool by_energy;  // each segment coloured by its energy on `energy`
    EnergyScale energy;
    int32_t limit;
    const WorkSource *source; // the records, from the step copy or the work file
    double scale;
    uint64_t progress_total; // records to read, for the progress shown
    int lanes;
    uint64_t stride; // every stride-th track is drawn (1: all)

    bool Known(const ScaledStep &r) const
    {
        return r.kind >= KIND_PHOTON && r.kind <= KIND_POSITRON;
    }
    bool In_range(const ScaledStep &r) const
    {
        return r.batch <= last && (!whole_file || r.batch >= first);
    }
};

// One lane: the records begin .. end - 1 drawn on `surface`, starting in
// the state that drawing the records before them leaves.
struct TrackLane {
    Surface *surface;
    uint64_t begin;
    uint64_t end;
    bool in_track;       // the state at begin: in a track, whose last
    PixelPoint previous; // point is `previous`
    bool started;        // drawn, or being drawn, on a thread of its own
    bool failed;         // the work file could not be read
};

// Where drawing stands within a lane: in a track whose last point is
// `previous`, or between tracks; the tracks begun so far (a preview draws
// every stride-th), and whether the rest of a track is being passed over.
struct LaneState {
    bool in_track;
    PixelPoint previous;
    uint64_t tracks_begun;
    bool skipping;
};

// Draw records index .. index + count - 1 of a lane, read into `records`
// with their points in `points`.  Returns the index of the next record to
// read: past these, or further on when a preview passes over tracks in the
// step copy.
uint64_t Block_draw(const TrackJob *job, TrackLane *lane, LaneState *st, StepPainter *painter,
                    const ScaledStep *records, PixelPoint *points, size_t count, uint64_t index)
{
    const bool tell_records = lane->surface->record_wanted();
    const bool skip_in_copy = job->stride > 1 && job->source->from_copy && !job->whole_file;
    for (size_t i = 0; i < count; i++) {
        const ScaledStep &r = records[i];
        if (st->skipping) {
            st->skipping = job->Known(r) && job->In_range(r);
            continue;
        }
        if (job->positions && job->stride > 1)
            View_place_steps(job->turn, &r, 1, &points[i]);
        if (tell_records)
            lane->surface->record(index + i);
        bool known = job->Known(r);
        // The segment of record index + i ends at its point; the first record
        // of a track is a dot there.
        PixelPoint from = points[i];
        if (st->in_track) {
            if (!known || !job->In_range(r)) {
                st->in_track = false;
                continue;
            }
            from = st->previous;
        } else {
            if (!known || !job->In_range(r) || !job->pens[r.kind].shown)
                continue;
            uint64_t shown_before = st->tracks_begun++;
            if (shown_before % job->stride != 0) {
                if (!skip_in_copy) {
                    st->skipping = true;
                    continue;
                }
                // In the step copy, with the batches in order, a track ends
                // at its separator (or the end of the lane): this track and
                // those up to the next one drawn are passed over from the
                // kinds alone, counting every track.
                uint64_t tracks = job->stride - shown_before % job->stride;
                uint64_t end = Step_copy_separator(index + i + 1, lane->end, tracks);
                st->tracks_begun += tracks - 1;
                if (end >= index + count)
                    return end;
                i = static_cast<size_t>(end - index) - 1;
                continue;
            }
            st->in_track = true;
        }
        KindPen p = job->pens[r.kind];
        if (job->by_energy)
            p.colour = Energy_colour(job->energy, r.energy);
        if (job->positions && r.energy >= p.cutoff)
            painter->Draw(p, r.kind, from, points[i]);
        st->previous = points[i];
    }
    return index + count;
}

// Draw the records of a lane.  Between tracks, separators, hidden kinds and
// (in a damaged file) unknown kinds are passed over, and in the whole-file
// pass the records of batches out of range too; the first record of a shown
// kind starts a track.  In a track, an unknown kind or a batch out of range
// ends it like a separator; every other record is drawn with the pen of its
// own kind, unless its energy lies below its cut-off, and its point becomes
// the start of the next segment.
// The first lane (`report_progress`) shows the progress of the whole.
void Lane_draw(const TrackJob *job, TrackLane *lane, bool report_progress)
{
    // No memory is asked for while drawing: a lane on a thread of its own
    // never meets the end of it here.
    ScaledStep records[READ_BLOCK_RECORDS];
    PixelPoint points[READ_BLOCK_RECORDS]; // where their points land
    WorkReader source(job->source);
    StepPainter painter{lane->surface,
                        layout.view_w,
                        layout.view_h,
                        job->limit,
                        false,
                        PixelPoint{0, 0},
                        0,
                        0,
                        lane->surface->record_wanted()};
    LaneState st{lane->in_track, lane->previous, 0, false};
    uint64_t reported = 0;
    // A preview draws every stride-th track of the lane only, placing only
    // the points it draws; the others are passed over up to their end.
    // Skipping in the copy reads little at a time, so that the tracks passed
    // over are not decoded.
    const bool skip_in_copy = job->stride > 1 && job->source->from_copy && !job->whole_file;
    const size_t block = skip_in_copy ? PREVIEW_BLOCK_RECORDS : READ_BLOCK_RECORDS;
    for (uint64_t index = lane->begin; index < lane->end;) {
        size_t want = lane->end - index < block ? static_cast<size_t>(lane->end - index) : block;
        const int64_t got = source.read(index, records, want, job->scale);
        if (got < 0) {
            lane->failed = true;
            break;
        }
        if (got == 0)
            break;
        size_t count = static_cast<size_t>(got);
        if (job->positions && job->stride == 1)
            View_place_steps(job->turn, records, count, points);
        index = Block_draw(job, lane, &st, &painter, records, points, count, index);
        if (report_progress && progress_hook &&
            (index - lane->begin) / PROGRESS_EVERY != reported) {
            reported = (index - lane->begin) / PROGRESS_EVERY;
            progress_hook("drawing", (index - lane->begin) * static_cast<uint64_t>(job->lanes),
                          job->progress_total);
        }
    }
    if (lane->surface->record_wanted())
        lane->surface->record(RECORD_NONE);
}

// The state in which drawing reaches record `at` when it starts between
// tracks at record `begin`: the last record before `at` that ends a track
// (or `begin`) leaves it between tracks; the first record of a shown kind
// after it starts a track, which goes on up to `at` with the point of the
// record before `at` as its last.  -1 when the work file cannot be read.
int Lane_start(const TrackJob *job, uint64_t begin, uint64_t at, TrackLane *lane)
{
    WorkReader source(job->source);
    lane->in_track = false;
    const size_t BACK = 256;
    ScaledStep block[BACK];
    bool last_read = false; // block[n - 1] is the record before `at`
    for (uint64_t i = at; i > begin && !lane->in_track;) {
        size_t n = i - begin < BACK ? static_cast<size_t>(i - begin) : BACK;
        i -= n;
        if (source.read(i, block, n, job->scale) != static_cast<int64_t>(n))
            return -1;
        if (!last_read && job->positions)
            View_place_steps(job->turn, &block[n - 1], 1, &lane->previous);
        last_read = true;
        for (size_t k = n; k-- > 0;) {
            const ScaledStep &r = block[k];
            if (!job->Known(r) || !job->In_range(r))
                return 0;
            if (job->pens[r.kind].shown) {
                lane->in_track = true;
                break;
            }
        }
    }
    return 0;
}

// The records of the batch range in a work file whose batches are in order
// and whose counts hold every record: from the first record of batch
// job->first to the last of batch job->last, found by the counts.
void Batch_range(const TrackJob *job, uint64_t total, uint64_t *begin, uint64_t *end)
{
    uint64_t before = 0;
    uint64_t through = 0;
    for (int64_t b = 1; b <= BATCH_MAX; b++) {
        if (b < job->first)
            before += work_file.batch_step_count[b - 1];
        if (b <= job->last)
            through += work_file.batch_step_count[b - 1];
    }
    *begin = before < total ? before : total;
    *end = through > *begin ? (through < total ? through : total) : *begin;
}

// Whether the batch counts hold the `total` records of the work file.  A
// conversion clears them only together with the file it replaces; they do
// not hold a file changed since, or after a conversion that only counted:
// they then say nothing about where a batch lies.
bool Batch_counts_hold(uint64_t total)
{
    uint64_t all = 0;
    for (int b = 0; b < BATCH_MAX; b++)
        all += work_file.batch_step_count[b];
    return all == total;
}

// The pens of the kinds shown, with their cut-offs (index: record kind).
void Job_pens(TrackJob *job, float photon_cutoff, float charged_cutoff)
{
    job->pens[0] = KindPen{false, 0, 0, 0, 0.0f};
    job->pens[KIND_PHOTON] =
        KindPen{display.show_photon == 1, settings.particle_pen_style[PARTICLE_PHOTON],
                settings.particle_pen_width[PARTICLE_PHOTON],
                settings.particle_color[PARTICLE_PHOTON], photon_cutoff};
    job->pens[KIND_ELECTRON] =
        KindPen{display.show_electron == 1, settings.particle_pen_style[PARTICLE_ELECTRON],
                settings.particle_pen_width[PARTICLE_ELECTRON],
                settings.particle_color[PARTICLE_ELECTRON], charged_cutoff};
    job->pens[KIND_POSITRON] =
        KindPen{display.show_positron == 1, settings.particle_pen_style[PARTICLE_POSITRON],
                settings.particle_pen_width[PARTICLE_POSITRON],
                settings.particle_color[PARTICLE_POSITRON], charged_cutoff};
}

// Coloured by energy: the scale, between the limits set or the lowest and
// highest energy shown.
void Job_energy_scale(TrackJob *job, const char *path, float photon_cutoff, float charged_cutoff)
{
    job->by_energy = energy_colouring.by_energy == 1;
    if (!job->by_energy)
        return;
    float low = energy_colouring.low, high = energy_colouring.high;
    if (energy_colouring.limits_set != 1 &&
        Energy_range_shown(job->source, path, job->first, job->last, job->whole_file, photon_cutoff,
                           charged_cutoff, &low, &high) != 0)
        low = high = 1.0f;
    energy_scale_drawn = Energy_scale(low, high);
    job->energy = energy_scale_drawn;
}

// Read and draw records begin .. end - 1: split into lanes of about equal
// length, drawn at the same time on lanes of the surface, each starting in
// the state that the records before it leave, and laid over one another in
// order; or all on the surface, one after another.  Returns 0, or -1 when a
// read failed.
int Records_draw(TrackJob *job, Surface *surface, uint64_t begin, uint64_t end)
{
    // A preview draws a stride-th of the records: lanes pay for themselves
    // only when that is many (their images cost the picture's pixels).
    int lanes_wanted =
        (end - begin) / job->stride >= core_tuning.lane_min_records ? Work_threads() : 1;
    std::unique_ptr<SurfaceLanes> lanes(
        lanes_wanted > 1
            ? surface->lanes(lanes_wanted, PixelRect{0, 0, layout.view_w, layout.view_h})
            : nullptr);
    job->lanes = lanes ? lanes_wanted : 1;
    std::vector<TrackLane> lane(static_cast<size_t>(job->lanes));
    bool failed = false;
    const uint64_t n = static_cast<uint64_t>(job->lanes);
    for (int k = 0; k < job->lanes; k++) {
        TrackLane &l = lane[static_cast<size_t>(k)];
        const uint64_t i = static_cast<uint64_t>(k);
        l = TrackLane{lanes ? lanes->lane(k) : surface,
                      begin + (end - begin) * i / n,
                      begin + (end - begin) * (i + 1) / n,
                      false,
                      PixelPoint{0, 0},
                      false,
                      false};
        if (k > 0 && Lane_start(job, begin, l.begin, &l) != 0)
            failed = true;
    }
    std::vector<std::thread> threads;
    for (int k = 1; k < job->lanes && !failed; k++) {
        TrackLane *l = &lane[static_cast<size_t>(k)];
        try {
            threads.emplace_back(Lane_draw, job, l, false);
            l->started = true;
        } catch (...) {
            // No thread to be had: the lane is drawn on this one below.
        }
    }
    if (!failed)
        Lane_draw(job, &lane[0], true);
    for (std::thread &t : threads)
        t.join();
    failed = failed || lane[0].failed;
    // In order: each lane laid over the surface, or drawn on it on this
    // thread in its turn when it had no thread or lost lines.
    for (int k = 1; k < job->lanes && !failed; k++) {
        TrackLane &l = lane[static_cast<size_t>(k)];
        failed = l.failed;
        if (l.started && !lanes->lost(k)) {
            lanes->merge(k);
            continue;
        }
        TrackLane again = l;
        again.surface = lanes->lane(0);
        again.failed = false;
        Lane_draw(job, &again, false);
        failed = again.failed;
    }
    return failed ? -1 : 0;
}

// The work file of the request (the window's when it names none; its path
// in `path`), as a source to draw from.  A work file still being written
// from the step copy is read from the copy; a write that ended is waited
// for, and its failure reported.  0, or -1 after saying why.
int Source_open(WindowRef window, const RebuildRequest &request, WorkSource *source, char *path,
                size_t size)
{
    if (request.work_path)
        Text_copy(path, size, request.work_path);
    else
        Work_path(path, size);
    if (!Work_writing() && Work_write_wait(window) != 0)
        return -1;
    if (Work_source_open(source, path) != 0) {
        Show_error(window, MSG_WORK_PATH);
        return -1;
    }
    return 0;
}

} // namespace

int Track_draw(WindowRef window, const RebuildRequest &request, double *scale, PixelRect view_rect)
{
    Surface *surface = request.surface;
    // 1. Cut-offs and batch range.
    float photon_cutoff = static_cast<float>(Real_text(settings.photon_cutoff_text));
    float charged_cutoff = static_cast<float>(Real_text(settings.charged_cutoff_text));
    int64_t first = display.batch_from != 0 ? display.batch_from : 1;
    int64_t last =
        display.batch_to != 0 ? display.batch_to : static_cast<int64_t>(work_file.batch_count);
    if (request.newest_batch_only)
        first = last = work_file.batch_count;

    // 2. Fit the view.
    View_setup(window, view_rect, request.render_mode, scale);

    // 3. Open the work file.
    char path[WORK_PATH_SIZE];
    WorkSource source;
    if (Source_open(window, request, &source, path, sizeof path) != 0)
        return -1;
    struct Closer {
        WorkSource *source;
        ~Closer() { Work_source_close(source); }
    } closer{&source};

    // 4. The scale bar is drawn over the tracks, by the rebuild
    // (Picture_rebuild), so that no track hides it.
    double s = *scale;

    // 5. Nothing else when every kind is hidden.
    if (display.show_electron == 0 && display.show_positron == 0 && display.show_photon == 0)
        return TRACKS_NONE_SHOWN;

    // 6. The records to read: from the first record of the first batch on
    // display to the last record of the last one.  When the batches are out
    // of order, or the counts do not hold the file's records, the counts
    // say nothing about where a batch lies: then all records are read once
    // and exactly those of the batches in range are drawn.
    const uint64_t total = source.total;
    TrackJob job;
    Job_pens(&job, photon_cutoff, charged_cutoff);
    job.turn = View_turn();
    job.first = first;
    job.last = last;
    job.whole_file = work_file.batches_unordered != 0 || !Batch_counts_hold(total);
    // Without a scale (never fitted) positions are not defined and nothing
    // is drawn.
    job.positions = s > 0.0 && std::isfinite(s);
    job.limit = Line_limit();
    job.source = &source;
    job.scale = s;
    uint64_t begin = 0;
    uint64_t end = total;
    if (!job.whole_file)
        Batch_range(&job, total, &begin, &end);
    job.progress_total = end - begin;
    job.stride = request.stride > 1 ? request.stride : 1;
    Job_energy_scale(&job, path, photon_cutoff, charged_cutoff);
    // After the energy range, which reads the copy in cm: the lanes then
    // read it at this scale at the same time, changing nothing in it.
    if (source.from_copy)
        Step_copy_prepare(s);
    if (source.from_copy && job.stride > 1)
        Step_copy_index_separators();

    // 7. Read and draw.
    if (Records_draw(&job, surface, begin, end) != 0) {
        Show_error(window, MSG_WORK_READ);
        return -1;
    }
    return 0;
}
