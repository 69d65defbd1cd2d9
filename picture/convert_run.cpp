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

void Problem_add(ConvertRun *run, int problem, uint64_t line_number)
{
    ProblemLines &p = run->stats.problems[problem];
    if (p.lines++ == 0)
        p.first_line = line_number;
}

// The binary exponent of a coordinate (see ConvertRun), or 0 for zero.
int Exponent(double v)
{
    int e = 0;
    std::frexp(v, &e);
    return e;
}

void Exponents_add(ConvertRun *run, const StepRecord *r)
{
    const double v[3] = {r->x, r->y, r->z};
    for (double c : v)
        if (c != 0.0)
            run->exponents[Exponent(c) + EXPONENT_BIAS]++;
}

bool Far_out(const ConvertRun *run, const StepRecord *r)
{
    const double v[3] = {r->x, r->y, r->z};
    for (double c : v)
        if (c != 0.0 && Exponent(c) >= run->far_exponent)
            return true;
    return false;
}

// A line that gives no record: counted.  Returns true when the line is one
// of them.
bool Line_without_record(ConvertRun *run, const LineSource *source, const StepLine *line)
{
    ConvertStats &s = run->stats;
    const StepRecord *r = &line->record;
    switch (r->kind) {
    case KIND_BATCH:
        s.batch_lines++;
        run->batch_seen = true;
        if (r->batch >= 1 && r->batch <= BATCH_MAX) {
            run->last_batch = r->batch;
            if (run->last_batch > run->top_batch)
                run->top_batch = run->last_batch;
        } else {
            Problem_add(run, PROBLEM_BATCH_RANGE, source->line_number);
        }
        return true;
    case KIND_MARKER: s.marker_lines++; return true;
    case KIND_BLANK: s.blank_lines++; return true;
    case KIND_UNREADABLE: Problem_add(run, line->problem, source->line_number); return true;
    case KIND_SEPARATOR:
    case KIND_PHOTON:
    case KIND_ELECTRON:
    case KIND_POSITRON: return false;
    default: s.skipped_type++; return true;
    }
}

// Why the record of a step or separator line is left out, or PROBLEM_NONE.
int Record_problem(const ConvertRun *run, const StepRecord *r)
{
    if (!run->batch_seen)
        return PROBLEM_BEFORE_BATCH;
    if (r->batch < 1 || r->batch > BATCH_MAX)
        return PROBLEM_OUT_OF_BATCH;
    if (run->far_exponent != FAR_NONE && r->kind != KIND_SEPARATOR && Far_out(run, r))
        return PROBLEM_FAR_OUT;
    return PROBLEM_NONE;
}

// The line of `line`, read from its first piece, goes on beyond it with
// more than blanks: what lies after the last field refuses a step line (a
// batch line read is then taken back), adds a remark to a separator, and
// makes a line of blanks one without a type.  (The caller takes back the
// batch of a batch line.)
void Rest_read(StepLine *line)
{
    StepRecord *r = &line->record;
    if (r->kind == KIND_SEPARATOR) {
        line->remark = PROBLEM_SEPARATOR_TEXT;
    } else if (r->kind == KIND_BLANK) {
        r->kind = KIND_UNREADABLE;
        line->problem = PROBLEM_TYPE;
    } else if (r->kind == KIND_BATCH || (r->kind >= KIND_PHOTON && r->kind <= KIND_POSITRON)) {
        r->kind = KIND_UNREADABLE;
        line->problem = PROBLEM_TRAILING;
    }
}

// A calculation's last line that is not finished yet: no line end after it.
bool Line_unfinished(const LineSource *source)
{
    return !source->line_open && (source->length == 0 || source->line[source->length - 1] != '\n');
}

} // namespace

void Scene_box_add_geometry(SceneBox *box)
{
    if (geometry_list.kind == GEOMETRY_CYLINDERS) {
        Box_add_list(box, 0, geometry_list.cyl_radius, geometry_list.cyl_radius_count, true);
        Box_add_list(box, 1, geometry_list.cyl_radius, geometry_list.cyl_radius_count, true);
        Box_add_list(box, 2, geometry_list.cyl_plane_z, geometry_list.cyl_plane_count, false);
    } else if (geometry_list.kind == GEOMETRY_SLABS) {
        Box_add_list(box, 0, geometry_list.slab_x, geometry_list.slab_x_count, false);
        Box_add_list(box, 1, geometry_list.slab_y, geometry_list.slab_y_count, false);
        Box_add_list(box, 2, geometry_list.slab_z, geometry_list.slab_z_count, false);
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
    run->calc = false;
    run->block_depth = 0;
    run->block_line = run->block_lines = 0;
    std::memset(run->exponents, 0, sizeof run->exponents);
    run->far_exponent = FAR_NONE;
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
        run->block_lines++;
        if (Block_end(line, run->block_letter)) {
            if (--run->block_depth == 0)
                run->block_letter = 0;
        } else if (Block_start(line) && line[0] == run->block_letter) {
            run->block_depth++;
            Problem_add(run, PROBLEM_BLOCK_NESTED, source->line_number);
        }
        return true;
    }
    if (!Block_start(line))
        return false;
    if (s.blocks < BLOCK_NAMES_KEPT)
        std::memcpy(s.block_names[s.blocks], line, 4);
    s.blocks++;
    s.block_lines++;
    run->block_letter = line[0];
    run->block_depth = 1;
    run->block_line = source->line_number;
    run->block_lines = 1;
    return true;
}

void Convert_line(ConvertRun *run, LineSource *source)
{
    ConvertStats &s = run->stats;
    if (run->block_letter == 0)
        s.lines++;
    // A line longer than a piece is one line: what its first piece says
    // goes for all of it (a float line's columns after 127 are not read;
    // any other line is refused, or skipped, for its first piece).  Lost
    // line ends make such lines: the rest is never read as lines of its own.
    if (Convert_block_line(run, source)) {
        Line_source_skip_rest(source);
        return;
    }
    if (run->calc && Line_unfinished(source)) {
        s.unfinished_lines++;
        return;
    }
    StepLine line;
    const int32_t batch = run->state.batch;
    Step_parse(source->line, source->length, &run->state, &line);
    if (!Line_source_skip_rest(source) && !line.whole_line) {
        Rest_read(&line);
        run->state.batch = batch;
    }
    if (Line_without_record(run, source, &line))
        return;
    const StepRecord *r = &line.record;
    int problem = Record_problem(run, r);
    if (problem != PROBLEM_NONE) {
        Problem_add(run, problem, source->line_number);
        return;
    }
    // A line read, and reported all the same.
    if (line.remark != PROBLEM_NONE)
        Problem_add(run, line.remark, source->line_number);
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
        Exponents_add(run, r);
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

void Convert_run_end(ConvertRun *run)
{
    if (run->block_letter == 0)
        return;
    ProblemLines &p = run->stats.problems[PROBLEM_BLOCK_OPEN];
    p.lines = run->block_lines;
    p.first_line = run->block_line;
}

int32_t Far_exponent(const ConvertRun *run)
{
    uint64_t n = 0;
    for (uint64_t count : run->exponents)
        n += count;
    if (n == 0)
        return FAR_NONE;
    uint64_t rank = (9 * n + 9) / 10;
    uint64_t below = 0;
    int bin = 0;
    while (below + run->exponents[bin] < rank)
        below += run->exponents[bin++];
    // 1024 times the 90th percentile: 10 binary exponents above its own.
    int limit = bin + 11;
    for (int far = limit; far < EXPONENT_BINS; far++)
        if (run->exponents[far] != 0)
            return limit - EXPONENT_BIAS;
    return FAR_NONE;
}

const char *Line_problem_text(int problem)
{
    static const char *const texts[PROBLEM_KINDS] = {
        "",
        "no line type in column 1",
        "a tab character among the fields",
        "a NUL character among the fields",
        "the line ends before its last field",
        "a field that is not a number",
        "a field of blanks where a number belongs",
        "a number that is not finite",
        "characters after the last field",
        "a header line among the step lines",
        "the end line of a block that was not opened",
        "a block line in lower case",
        "a block opened inside a block of the same letter",
        "a block without its end line: the rest of the file went with it",
        "a batch number outside 1..10000",
        "a step in a batch outside 1..10000",
        "a step before the first batch line",
        "a coordinate far outside the rest of the picture",
        "a step line where the header line belongs (neither header nor batch line)",
        "a Ctrl-Z character (0x1A, an end-of-text mark) inside the line",
        "step lines glued together (a line end is missing)",
        "a negative energy",
        "a short or long step line, but the header's coordinate scale is 0",
        "text after the minus sign of a separator (read as a separator)",
        "text after column 70 of the header line (its seven fields were read)",
        "the geometry section has no closing line GEND (this line was read as the one after it)",
    };
    return problem > PROBLEM_NONE && problem < PROBLEM_KINDS ? texts[problem] : "";
}

bool Line_problem_kept(int problem)
{
    return problem == PROBLEM_SEPARATOR_TEXT || problem == PROBLEM_HEADER_TEXT ||
           problem == PROBLEM_NO_GEND;
}

namespace {

uint64_t Lines_counted(const ConvertStats *s, bool kept, int *first_problem, uint64_t *first_line)
{
    uint64_t total = 0;
    *first_problem = PROBLEM_NONE;
    *first_line = 0;
    for (int k = PROBLEM_NONE + 1; k < PROBLEM_KINDS; k++) {
        const ProblemLines &p = s->problems[k];
        if (p.lines == 0 || Line_problem_kept(k) != kept)
            continue;
        total += p.lines;
        if (*first_problem == PROBLEM_NONE || p.first_line < *first_line) {
            *first_problem = k;
            *first_line = p.first_line;
        }
    }
    return total;
}

} // namespace

uint64_t Lines_left_out(const ConvertStats *s, int *first_problem, uint64_t *first_line)
{
    return Lines_counted(s, false, first_problem, first_line);
}

uint64_t Lines_remarked(const ConvertStats *s, int *first_problem, uint64_t *first_line)
{
    return Lines_counted(s, true, first_problem, first_line);
}

void Convert_run_join(ConvertRun *run, const ConvertRun *next, uint64_t lines_before,
                      bool prefix_records, int32_t first_after)
{
    ConvertStats &s = run->stats;
    const ConvertStats &n = next->stats;
    for (int k = PROBLEM_NONE + 1; k < PROBLEM_KINDS; k++) {
        const ProblemLines &q = n.problems[k];
        if (q.lines == 0)
            continue;
        ProblemLines &p = s.problems[k];
        if (p.lines == 0)
            p.first_line = q.first_line + lines_before;
        p.lines += q.lines;
    }
    for (uint64_t b = 0; b < n.blocks && s.blocks + b < BLOCK_NAMES_KEPT; b++)
        std::memcpy(s.block_names[s.blocks + b], n.block_names[b], sizeof s.block_names[0]);
    for (int i = 0; i < STEP_KINDS; i++) {
        if (n.steps[i] == 0)
            continue;
        if (s.steps[i] == 0 || n.energy_min[i] < s.energy_min[i])
            s.energy_min[i] = n.energy_min[i];
        if (s.steps[i] == 0 || n.energy_max[i] > s.energy_max[i])
            s.energy_max[i] = n.energy_max[i];
        s.steps[i] += n.steps[i];
    }
    s.lines += n.lines;
    s.batch_lines += n.batch_lines;
    s.marker_lines += n.marker_lines;
    s.separators += n.separators;
    s.skipped_type += n.skipped_type;
    s.records += n.records;
    s.blank_lines += n.blank_lines;
    s.blocks += n.blocks;
    s.block_lines += n.block_lines;
    s.unfinished_lines += n.unfinished_lines;
    for (int e = 0; e < EXPONENT_BINS; e++)
        run->exponents[e] += next->exponents[e];

    // The records before next's first batch line have run's batch, which
    // its own comparisons of batches never saw.
    int32_t before = run->record_batch;
    if (prefix_records) {
        run->unordered = run->unordered || run->state.batch < before;
        before = run->state.batch;
    }
    run->unordered =
        run->unordered || next->unordered || (first_after != 0 && first_after < before);
    run->record_batch = first_after != 0 ? next->record_batch : before;
    if (n.batch_lines != 0) {
        run->state.batch = next->state.batch;
        run->batch_seen = true;
    }
    run->block_letter = next->block_letter;
    run->block_depth = next->block_depth;
    run->block_line = next->block_letter != 0 ? next->block_line + lines_before : 0;
    run->block_lines = next->block_lines;
    if (next->last_batch != 0)
        run->last_batch = next->last_batch;
    if (next->top_batch > run->top_batch)
        run->top_batch = next->top_batch;
    for (int a = 0; a < 3; a++) {
        if (next->box.low[a] < run->box.low[a])
            run->box.low[a] = next->box.low[a];
        if (next->box.high[a] > run->box.high[a])
            run->box.high[a] = next->box.high[a];
    }
}
