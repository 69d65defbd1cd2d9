// The picture file and the work file.  A picture file (text) holds the
// geometry section, one header line with the scene bounds and the coordinate
// scale, then the step lines batch by batch.  Picture_convert turns the step
// lines into the work file of fixed 40-byte step records and counts them per
// batch, so that a renderer can seek straight to the first record of a batch;
// it also fills the step copy in memory (picture/step_copy.h).
//
// The step lines and the header line are read by picture/step_line.h, line
// by line through picture/convert_run.h.
//
// Also read: CR LF line ends and a last line without one; blocks that are
// not drawn (a line "?STA" to the line "?END" with the same capital letter,
// such as MSTA ... MEND) anywhere after the geometry section, skipped whole;
// and a file without its header line, whose first batch line then follows
// the geometry section (and blocks) at once: the scene bounds are those of
// all steps and the geometry together, and coord_scale is 1.
//
// Lines that the format gives no meaning are skipped on purpose and counted:
// types 7 and 8, markers, lines of nothing but blanks, blocks.  Every other
// line is read whole, or left out and counted under its LineProblem with
// its line number (step_line.h gives the rules): after the conversion the
// user is told once, through the message hook with caption "Warning", how
// many lines were left out and why the first was.  Steps and separators
// whose batch lies outside 1..10000 (and those before the first batch line)
// are left out likewise.  A header line that cannot be read fails the
// conversion with message 6.
#ifndef VOKA_PICTURE_H
#define VOKA_PICTURE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "picture/convert_stats.h"
#include "picture/defs.h"
#include "picture/geometry.h"
#include "picture/progress.h"
#include "picture/step_record.h"

// What the last conversion produced, owned by the conversion and read by
// every renderer and report: the work file's scene bounds (cm) and the
// coordinate scale of the last header line read, its records per batch and
// their order, what the conversion met, and a generation number that
// changes whenever a conversion writes the work file anew.  The counts are
// cleared only together with the work file they describe.
struct WorkFile {
    double x_min, x_max, y_min, y_max, z_min, z_max;
    float coord_scale;
    // Records written per batch: entry b - 1 for batch b.
    uint32_t batch_step_count[BATCH_MAX];
    // The last batch of the last conversion (0 when it had no batch line);
    // the highest batch when the batches were out of order.
    uint32_t batch_count;
    // 1 when a record of the last conversion has a lower batch than a
    // record before it: the records of a batch do not lie together, and a
    // reader must pass over the whole work file instead of seeking by
    // batch_step_count.
    uint32_t batches_unordered;
    ConvertStats stats;
    uint64_t generation;
};
extern WorkFile work_file;

// The window's work-file path: the folder settings.work_dir names
// (Work_dir_resolve) immediately followed by "work.$$$".  The command-line
// tools, whose work folder may be longer than the settings field (at most
// WORK_PATH_SIZE - 1 bytes, the length a temporary folder's path may reach),
// hand their own path to the conversion and the rebuild instead.
enum { WORK_PATH_SIZE = 1100 };
void Work_path(char *out, size_t out_size);

// The text of a numbered message with what the last conversion found
// (the front end shows it in the message's place): for "work path not
// found" the work file's full path, the system's reason and where the work
// directory is set; for "input file read error" the line and reason that
// made the file unreadable.  Returns 1 with the text in `out`, or 0 when
// there is nothing to add to `text`.
int Message_detail(const char *text, char *out, size_t size);

// Convert the calculation output file (source 1) or the picture file (any
// other source) into the work file.  Returns 0, or -1 after the failure was
// reported through Show_error.
// Writes back: besides the work file, the counts and the scene bounds, a
// successful conversion leaves the file's geometry section in the geometry
// list and sets view_dirty, so that the next paint rebuilds the picture.
int Picture_convert(WindowRef window, int source);

// The same for given paths.  A work_path of nullptr only counts the records
// (nothing is written, the work file is not touched).
// `flags`: CONVERT_CALC for the output file of a calculation that may still
// be writing it: a last line without its line end is not finished yet and
// is left out without a word (the next conversion reads it whole).
enum { CONVERT_CALC = 1 };
int Picture_convert_file(WindowRef window, const char *input_path, const char *work_path,
                         int flags = 0);

// The same on an open stream, which the caller closes.  The stream must
// allow a seek to its start: a picture without a header line whose steps
// have a coordinate far outside the rest is read twice.
int Picture_convert_stream(WindowRef window, FILE *input, const char *work_path, int flags = 0);

// The work file written behind the first picture: when
// core_tuning.write_behind is set (the window sets it; the tools do not,
// their work file is complete when the conversion returns), a conversion
// that keeps its steps in the step copy writes the work file from the copy
// on another thread after it returns, in order and with the same bytes,
// while the picture is drawn from the copy.  work_written_hook, when set,
// is called on that thread when the file is complete or its write failed
// (the window posts itself a message and calls Work_write_wait).
typedef void (*WorkWrittenHook)();
extern WorkWrittenHook work_written_hook;

// True while the work file is being written behind.
bool Work_writing();

// Wait until the work file is written (at once when it is not being
// written).  Returns 0; or -1 when the write failed: the failure is then
// reported through Show_error (the work-file message the conversion would
// have given), the step copy is dropped and the batch counts are cleared,
// so that nothing is drawn (view_dirty is set).  A conversion waits so
// before it starts; so must whatever else needs the file complete.
int Work_write_wait(WindowRef window);

#endif
