#include "picture/convert_run.h"

#include <cassert>
#include <cmath>
#include <cstring>

#include "picture/geometry.h"

namespace {

void Box_add(SceneBox *box, int axis, double v)
{
    if (v < box->low[axis])
        box->low[axis] = v;
    if (v > box->high[axis])
        box->high[axis] = v;
}

void Box_add_list(SceneBox *box, int axis, const float *list, int16_t count, bool symmetric)
{
    for (int i = 0; i < count; i++) {
        double v = static_cast<double>(list[i]);
        Box_add(box, axis, v);
        if (symmetric)
            Box_add(box, axis, -v);
    }
}

void Stats_step(ConvertStats *s, const StepRecord *r)
{
    if (r->kind == KIND_SEPARATOR) {
        s->separators++;
        return;
    }
    assert(r->kind >= KIND_PHOTON && r->kind <= KIND_POSITRON);
    int i = r->kind - 1;
    if (s->steps[i] == 0 || r->energy < s->energy_min[i])
        s->energy_min[i] = r->energy;
    if (s->steps[i] == 0 || r->energy > s->energy_max[i])
        s->energy_max[i] = r->energy;
    s->steps[i]++;
}

// A line that gives no record: counted.  Returns true when the line is one
// of them.
bool Line_without_record(ConvertRun *run, const LineSource *source, const StepRecord *r)
{
    ConvertStats &s = run->stats;
    switch (r->kind) {
    case KIND_BATCH:
        s.batch_lines++;
        run->batch_seen = true;
        if (r->batch >= 1 && r->batch <= BATCH_MAX) {
            run->last_batch = r->batch;
            if (run->last_batch > run->top_batch)
                run->top_batch = run->last_batch;
        } else {
            s.batch_lines_out_of_range++;
        }
        return true;
    case KIND_MARKER:
        s.marker_lines++;
        return true;
    case KIND_BLANK:
        s.blank_lines++;
        return true;
    case KIND_UNREADABLE:
        if (s.unreadable_lines++ == 0)
            s.first_unreadable_line = source->line_number;
        return true;
    case KIND_SEPARATOR:
    case KIND_PHOTON:
    case KIND_ELECTRON:
    case KIND_POSITRON:
        return false;
    default:
        s.skipped_type++;
        return true;
    }
}

} // namespace

void Scene_box_add_geometry(SceneBox *box)
{
    if (geometry_kind == GEOMETRY_CYLINDERS) {
        Box_add_list(box, 0, cyl_radius, cyl_radius_count, true);
        Box_add_list(box, 1, cyl_radius, cyl_radius_count, true);
        Box_add_list(box, 2, cyl_plane_z, cyl_plane_count, false);
    } else if (geometry_kind == GEOMETRY_SLABS) {
        Box_add_list(box, 0, slab_x, slab_x_count, false);
        Box_add_list(box, 1, slab_y, slab_y_count, false);
        Box_add_list(box, 2, slab_z, slab_z_count, false);
    }
}

void Convert_run_begin(ConvertRun *run, float scale, bool header_missing)
{
    run->state.batch = 0;
    run->state.coord_scale = scale;
    std::memset(&run->stats, 0, sizeof run->stats);
    run->block_letter = 0;
    run->batch_seen = false;
    run->last_batch = run->top_batch = run->record_batch = 0;
    run->unordered = false;
    run->header_missing = header_missing;
    for (int a = 0; a < 3; a++) {
        run->box.low[a] = HUGE_VAL;
        run->box.high[a] = -HUGE_VAL;
    }
    run->record_count = 0;
}

bool Convert_block_line(ConvertRun *run, const LineSource *source)
{
    ConvertStats &s = run->stats;
    const char *line = source->line;
    if (run->block_letter != 0) {
        s.block_lines++;
        if (Block_end(line, run->block_letter))
            run->block_letter = 0;
        return true;
    }
    if (!Block_start(line))
        return false;
    if (s.blocks < BLOCK_NAMES_KEPT)
        std::memcpy(s.block_names[s.blocks], line, 4);
    s.blocks++;
    s.block_lines++;
    run->block_letter = line[0];
    return true;
}

void Convert_line(ConvertRun *run, LineSource *source)
{
    ConvertStats &s = run->stats;
    if (run->block_letter == 0)
        s.lines++;
    if (Convert_block_line(run, source))
        return;
    StepLine line;
    Step_parse(source->line, &run->state, &line);
    if (line.whole_line)
        Line_source_skip_rest(source);
    const StepRecord *r = &line.record;
    if (Line_without_record(run, source, r))
        return;
    if (!run->batch_seen) {
        s.skipped_before_batch++;
        return;
    }
    if (r->batch < 1 || r->batch > BATCH_MAX) {
        s.skipped_batch_range++;
        return;
    }
    // A record of a lower batch than one before it: the records of a batch
    // no longer lie together, and a reader cannot seek by the counts.
    if (r->batch < run->record_batch)
        run->unordered = true;
    run->record_batch = r->batch;
    Stats_step(&s, r);
    s.records++;
    if (run->header_missing && r->kind != KIND_SEPARATOR) {
        Box_add(&run->box, 0, r->x);
        Box_add(&run->box, 1, r->y);
        Box_add(&run->box, 2, r->z);
    }
    run->records[run->record_count] = *r;
    run->codes[run->record_count] = line.code;
    run->record_count++;
}

int Convert_lines(ConvertRun *run, LineSource *source)
{
    while (run->record_count < CONVERT_CHUNK_RECORDS) {
        if (Line_source_next(source) != 0)
            return 0;
        Convert_line(run, source);
    }
    return 1;
}
