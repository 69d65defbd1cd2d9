// Reading the work file: the one way in which every reader of the last
// conversion's records (the track renderer, the energy range, the
// read-out) reaches them, from the step copy when it stands for the work
// file, else from the work file mapped into memory, a view at a time.  Both
// give the same records.
#ifndef VOKA_WORK_FILE_H
#define VOKA_WORK_FILE_H

#include <cstddef>
#include <cstdint>

#include "picture/platform.h"
#include "picture/step_record.h"

// The work file opened for reading, shared by the readers of one piece of
// work (one a thread), which only read it.
struct WorkSource {
    MappedFile file;
    bool from_copy; // the step copy stands for the file: records come from there
    uint64_t total; // records to be read
};

// Open the work file at `work_path` (the file is opened also when the copy
// stands for it, but not while it is written from the copy: Work_writing).  Returns 0, or -1 when it cannot be opened (nothing is
// then held).
int Work_source_open(WorkSource *source, const char *work_path);
void Work_source_close(WorkSource *source);

// One reader over a source, for one thread: the view of the mapped file it
// holds.  The source outlives it.
struct WorkReader {
    const WorkSource *source;
    FileView view;
    uint64_t view_first; // the records in the view
    uint64_t view_count;

    explicit WorkReader(const WorkSource *source_in)
        : source(source_in), view(), view_first(0), view_count(0)
    {
    }
    WorkReader(const WorkReader &) = delete;
    WorkReader &operator=(const WorkReader &) = delete;
    ~WorkReader() { File_unmap_view(&view); }

    // Up to `count` records from record `index` on into `out`, each
    // coordinate divided by `divisor` (1: cm; the view's scale: pixels);
    // how many there are (fewer at the end), or -1 when the file cannot be
    // read.
    int64_t read(uint64_t index, ScaledStep *out, size_t count, double divisor);
};

#endif
