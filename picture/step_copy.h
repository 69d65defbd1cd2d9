// The step copy: the records of the last conversion kept in memory in 18
// bytes each, so that a rebuild takes them from there instead of reading the
// 40-byte records of the work file again.  The copy gives back exactly the
// records of the work file: each coordinate is kept as the code it was
// computed from (see StepCode) and computed again the same way, and every
// record is checked so when it is added.
//
// The conversion fills the copy record by record as it writes the work file.
// A conversion makes no copy when the picture file's size says that its
// steps would not fit the budget; a record that has no code of the form of
// the first step, or the budget, stops it (Step_copy_filling turns false,
// the records held stay until Step_copy_drop); it leaves none when a record has no code
// of the form of the first step, when the copy outgrows the budget after
// all (a picture of far more separators than steps), or when the conversion
// fails.  The work file is then the only source, as before, and memory
// stays as it is whatever the size of the picture.
//
// Copy record (little-endian):
//   OFFSET SIZE FIELD
//        0    4 x code   signed 32-bit
//        4    4 y code
//        8    4 z code
//       12    4 energy   IEEE single, MeV
//       16    2 batch in bits 0-13; kind in bits 14-15: 0 separator,
//                1 photon, 2 electron, 3 positron
#ifndef VOKA_STEP_COPY_H
#define VOKA_STEP_COPY_H

#include <cstddef>
#include <cstdint>

#include "picture/step_record.h"
#include "picture/work_threads.h"

enum { STEP_COPY_RECORD_SIZE = 18 };

static_assert(STEP_COPY_RECORD_SIZE <= 21, "a step in memory takes at most a third of 63 bytes");

// The budget in bytes that core_tuning.copy_budget stands for (the most
// memory the copy may take).
uint64_t Step_copy_budget();

// Bytes of a picture file that the conversion reckons a record from, when it
// decides whether a file's steps fit the budget: a short step line takes 22
// with its line end, a separator 2, and pictures hold a separator every few
// steps (vokasim's: 21 bytes a record).
enum { STEP_COPY_LINE_BYTES = 20 };

// Drop the copy and free its memory.  Every conversion starts so.
void Step_copy_drop();

// Start a copy for records whose coordinates were read at the coordinate
// scale `scale`, from a picture file of `input_bytes` bytes (0: not known):
// none when its steps would not fit the budget.
void Step_copy_begin(float scale, uint64_t input_bytes);

// Add a record written to the work file, with the codes of its coordinates;
// a record that cannot be kept exactly, or the budget, drops the copy.
void Step_copy_add(const StepRecord *record, const StepCode *code);

// The same in two steps, for threads that encode records while the
// conversion adds them in the order of the file.  Step_copy_encode, on any
// thread: the image of a record read at the coordinate scale `scale` (that
// of Step_copy_scale()), whose steps must all have the form *first_form,
// which the first step sets while it is STEP_FORM_NONE; -1 when the record
// cannot be kept exactly.  Step_copy_append: add `count` images whose steps
// have the form `images_form` (STEP_FORM_NONE: no steps among them); a
// form other than the copy's, or the budget, drops the copy.
int Step_copy_encode(const StepRecord *record, const StepCode *code, float scale,
                     int32_t *first_form, uint8_t image[STEP_COPY_RECORD_SIZE]);
void Step_copy_append(const uint8_t *images, size_t count, int32_t images_form);
// Put another batch into an image.
void Step_copy_set_batch(uint8_t image[STEP_COPY_RECORD_SIZE], int32_t batch);

// Whether records are being added (a copy is being made and still kept),
// and the coordinate scale they are read at.
bool Step_copy_filling();
float Step_copy_scale();

// The conversion wrote the work file at `work_path` completely: the copy
// now stands for that file as it is on disk.
void Step_copy_finish(const char *work_path);

// The conversion converted every record, and the work file at `work_path`
// is written from the copy on another thread (picture.h: work_write_behind):
// the copy stands for that file from now on, and the writing thread calls
// Step_copy_written once the file is complete and closed (0; -1 when its
// size is not that of the records), after which the file is checked as
// after Step_copy_finish.  The copy must not be dropped before.
void Step_copy_finish_behind(const char *work_path);
int Step_copy_written();

// True when the copy is complete and the file at `work_path` is the one it
// was made with: the same file, size and time of writing (or the file is
// still being written from the copy).
bool Step_copy_matches(const char *work_path);

// Records held, also while the copy is being made and after a record that
// could not be kept stopped it (until Step_copy_drop).
uint64_t Step_copy_held();

// Decode up to `count` held records from record `first` on into `out`,
// coordinates in cm, exactly the records of the work file; touches nothing
// shared, so that a thread may write the work file from the copy while
// others read it.  Returns how many there were.
size_t Step_copy_read_exact(uint64_t first, StepRecord *out, size_t count);

// Records in the copy.
uint64_t Step_copy_count();

// Make ready for reads with the divisor `divisor`, so that several threads
// may then read at the same time (Step_copy_read with that divisor changes
// nothing).
void Step_copy_prepare(double divisor);

// The `count`-th separator record from `first` on (count >= 1), or `limit`
// when there are fewer below it: where the `count`-th track that goes on
// at `first` ends, found from the kinds alone without decoding the records
// (a preview that leaves tracks out passes over them so).
uint64_t Step_copy_separator(uint64_t first, uint64_t limit, uint64_t count);

// Make the list of where the separators lie (8 bytes a track), once a
// copy, so that Step_copy_separator finds them without reading the records
// it passes over: before the first preview, on the thread that asks for
// the lanes.  Without memory for it the records are read as before.
void Step_copy_index_separators();

// Decode up to `count` records from record `first` on into `out`, each
// coordinate divided by `divisor` (the view's scale: the record's point in
// pixels, exactly as the coordinate in cm divided by it); returns how many
// there were.
size_t Step_copy_read(uint64_t first, ScaledStep *out, size_t count, double divisor);

#endif
