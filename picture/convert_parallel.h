// The step lines of a picture file converted on several threads, with the
// records, counts and reports of the conversion on one thread.
//
// The text after the prelude is read in blocks, each cut after its last line
// end; a block is split into ranges of whole lines, one a thread, each
// range made to begin at a batch line where one lies near.  A thread reads
// its range in a run of its own, as if a batch line came just before it and
// no block were open there: all that the lines before a range can change of
// how its lines read.  Its turn come, the range is taken as read when that
// holds (no block open where it begins; a batch line read before, when steps
// come before its first batch line, which then get that batch), else read
// again on this thread; its records are written in the order of the file,
// and its run joined (Convert_run_join), while the threads read the next
// block.
#ifndef VOKA_CONVERT_PARALLEL_H
#define VOKA_CONVERT_PARALLEL_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "picture/convert_run.h"
#include "picture/line_source.h"

// `count` records in a row of batch `batch`.
struct BatchRun {
    int32_t batch;
    uint32_t count;
};

// Where the records go, in the order of the file; each returns 0 or the
// message number of a failed write.
struct ConvertWriter {
    // Records as read, with the codes of their coordinates.
    int (*records)(const StepRecord *records, const StepCode *codes, size_t count);
    // Records that a thread encoded: `count` work-file images (Step_encode),
    // their batches in `run_count` runs, and, while the step copy is being
    // made, its images (Step_copy_encode) of steps of the form `copy_form`,
    // or nullptr when they cannot be kept.
    int (*images)(const uint8_t *work, const BatchRun *runs, size_t run_count, const uint8_t *copy,
                  size_t count, int32_t copy_form);
};

enum { CONVERT_PARALLEL_REST = -1 };

// Convert the step lines of `input` (a file of `input_size` bytes, for the
// progress shown) after those that `source`, a stream source over it at the
// start of a line, has read, on `threads` threads, into `run`, handing the
// records to `writer`.  Returns 0 when all were converted, the message
// number of a failed write, or CONVERT_PARALLEL_REST when the rest of the
// file is to be read on one thread from `source` (set up again with `block`,
// as the conversion lends it, where lines were read already): memory is
// short, the stream cannot be positioned, or a block of text holds no line
// end.
int Convert_parallel(ConvertRun *run, FILE *input, uint64_t input_size, LineSource *source,
                     char *block, size_t block_size, int threads, const ConvertWriter *writer);

#endif
