// The conversion's work line by line: a ConvertRun reads the step lines of
// one LineSource, keeps the counts of what it met, and gives the records to
// write in chunks.  Picture_convert_stream makes one run over the whole step
// section, or in parallel one run per range of lines (each range beginning
// a line), whose chunks it writes in the order of the ranges and which it
// joins (Convert_run_join).  A run touches nothing but itself and its
// source.
//
// What a run carries from line to line, and so what a run over a later
// range must be given to read as a run over the whole file would: the
// current batch and whether a batch line came before (state.batch,
// batch_seen), the batch of the last record (record_batch), whether a
// block that is not drawn is open (block_letter, block_depth, block_line,
// block_lines), and for a picture without a header line the exponents
// counted and the far exponent of the pass.
#ifndef VOKA_CONVERT_RUN_H
#define VOKA_CONVERT_RUN_H

#include <cstddef>
#include <cstdint>

#include "picture/convert_stats.h"
#include "picture/line_source.h"
#include "picture/step_line.h"
#include "picture/step_record.h"

enum { CONVERT_CHUNK_RECORDS = 1638 }; // about 64 KB of the work file

// The box of every step and of the geometry, for a picture without a header
// line.  Empty when low > high on an axis.
struct SceneBox {
    double low[3];
    double high[3];
};

// Coordinates far outside the rest of a picture without a header line,
// which would shrink the rest of the picture to a dot: the binary exponent
// of every coordinate of the steps is counted (a coordinate v of exponent e
// has 2^(e-1) <= |v| < 2^e; zeros are not counted).  With e90 the exponent
// below which nine tenths of the counted coordinates lie (the smallest e
// whose count, with those below it, reaches ceil(0.9 N)), a coordinate is
// far out when its exponent is e90 + 11 or more: 1024 times the 90th
// percentile and beyond.  A step with a coordinate far out is left out.
enum { EXPONENT_BINS = 2200, EXPONENT_BIAS = 1100, FAR_NONE = 1 << 30 };

struct ConvertRun {
    StepLineState state;  // current batch, coordinate scale
    ConvertStats stats;   // what the run met
    bool calc;            // a calculation's output: see CONVERT_CALC
    char block_letter;    // inside a block that is not drawn: its letter; else 0
    int32_t block_depth;  // blocks of that letter open
    uint64_t block_line;  // the line that opened it
    uint64_t block_lines; // its lines so far
    bool batch_seen;      // a batch line has been read
    int32_t last_batch;   // the last batch line within 1..BATCH_MAX
    int32_t top_batch;    // the highest of them
    int32_t record_batch; // batch of the last record given
    bool unordered;       // a record has a lower batch than one before it
    bool header_missing;  // gather the steps into `box` and `exponents`
    SceneBox box;
    uint64_t exponents[EXPONENT_BINS]; // coordinates per binary exponent
    int32_t far_exponent;              // steps with a coordinate of this exponent or
                                       // more are left out (FAR_NONE: none is)
    // The chunk: records to write, in the order of their lines, each with
    // the codes of its coordinates (for the step copy).
    size_t record_count;
    StepRecord records[CONVERT_CHUNK_RECORDS];
    StepCode codes[CONVERT_CHUNK_RECORDS];
};

// Start a run: nothing met, no batch line, an empty box and chunk, nothing
// left out as far out, not a calculation's output.
void Convert_run_begin(ConvertRun *run, float scale, bool header_missing);

// After the last line: a block still open takes the rest of the file.
void Convert_run_end(ConvertRun *run);

// The exponent from which the coordinates counted so far are far out, or
// FAR_NONE when none of them is.
int32_t Far_exponent(const ConvertRun *run);

// Take the line in source->line: count it, and add its record to the chunk
// when it gives one.  A line inside a block, or the first line of one,
// belongs to the block.
void Convert_line(ConvertRun *run, LineSource *source);

// Take lines from the source until the chunk is full (returns 1) or the
// source has ended (returns 0).
int Convert_lines(ConvertRun *run, LineSource *source);

// Take the line in source->line when it belongs to a block that is not
// drawn (its first line, a line inside it, its end line): true, else false.
bool Convert_block_line(ConvertRun *run, const LineSource *source);

// Join to `run` the run `next` over the lines that follow run's, as one run
// over all of them would have ended: its counts added (line numbers in
// `next` counted from the first line of its range, `lines_before` lines
// after the start of the file), its state taken over.  `next` was read as
// if a batch line came just before it and no block were open, and `run`
// must end outside a block, with a batch line read when `next` has steps
// before its first batch line: then nothing run carried into next's lines
// could have changed them but the batch of those steps (run's batch, which
// the caller gave them when `prefix_records`, some of them gave records)
// and the batch of the last record: `first_after` is the batch of next's
// first record after its first batch line (0: none), which the join
// compares with it.
void Convert_run_join(ConvertRun *run, const ConvertRun *next, uint64_t lines_before,
                      bool prefix_records, int32_t first_after);

// Add the box of the geometry list to run->box.
void Scene_box_add_geometry(SceneBox *box);

#endif
