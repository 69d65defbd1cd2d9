// How many threads the conversion and the rebuild of a picture work with:
// one a core, at least two; or the number in the environment variable
// VOKA_THREADS (1 gives the one-thread paths, for comparison and
// measurement).  Also the one record of the core's speed knobs, which tests,
// benchmarks and the command-line tools set, with the tests' fault seam.
#ifndef VOKA_WORK_THREADS_H
#define VOKA_WORK_THREADS_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

enum { WORK_THREADS_MAX = 16 };

// A fault seam for tests: work-file writes through it instead of fwrite.
// It returns the number of bytes it wrote and sets errno on failure.
typedef size_t (*WorkWriteFn)(const void *data, size_t size, FILE *file);

// The step copy's budget that stands for a quarter of the machine's memory.
const uint64_t STEP_COPY_MACHINE = UINT64_MAX;

struct CoreTuning {
    // The number of threads; 0 (the start value): Work_threads() decides.
    int threads;
    // Rebuilds of at least this many records (65536) draw on the surface's
    // lanes (Surface::lanes), as many as Work_threads() says, one thread
    // each, with the picture of drawing them one after another.
    uint64_t lane_min_records;
    // Bytes of text the conversion reads at a time: 2 MB.  Files of at
    // least this size are converted in parallel.  Tests lower it (to no less
    // than 256 bytes).
    size_t text_block;
    // The most memory the step copy may take, in bytes.  STEP_COPY_MACHINE,
    // the start value: a quarter of the machine's physical memory (200 MB
    // where the system does not tell it), some 330 million steps on a
    // machine of 24 GB.  0 keeps no copy.
    uint64_t copy_budget;
    // Lines (pens, moves, lines) a lane of a skipping surface keeps at
    // most, 16 bytes each (2^20): beyond that the lane is drawn again in its
    // turn on the asking thread (see SurfaceLanes).  Tests lower it.
    size_t skip_recording_max;
    // When set (tests), work-file writes go through it instead of fwrite.
    WorkWriteFn work_write;
    // The window's conversion writes the work file from the step copy on
    // another thread while the first picture is drawn (picture.h:
    // Work_write_wait); false (the start value, the tools'): the work file
    // is complete when the conversion returns.
    bool write_behind;
    // The window draws the read-out's record index right after the whole
    // picture when the picture area has at most this many pixels (2^20); a
    // larger one (a maximized window on a large screen) makes it at the
    // first rest, as the index there takes longer than the picture.
    uint64_t index_pixels_max;
};
extern CoreTuning core_tuning;

// The number of threads, 1 .. WORK_THREADS_MAX: core_tuning.threads when
// not 0, else the environment or the machine.
int Work_threads();

#endif
