// The step copy: the records of the last conversion kept in memory in 18
// bytes each, so that a rebuild takes them from there instead of reading the
// 40-byte records of the work file again.  The copy gives back exactly the
// records of the work file: each coordinate is kept as the code it was
// computed from (see StepCode) and computed again the same way, and every
// record is checked so when it is added.
//
// The conversion fills the copy record by record as it writes the work file.
// A conversion leaves no copy when a record has no code of the form of the
// first step, when the copy would outgrow step_copy_budget, or when the
// conversion fails; the work file is then the only source, as before, and
// memory stays as it is whatever the size of the picture.
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

#include "picture/picture.h"

enum { STEP_COPY_RECORD_SIZE = 18 };

// The most memory the copy may take, in bytes: 200 MB, 11 million records,
// which keeps a viewer holding the copy of a 10-million-step picture at about
// 210 MB.  step_copy_budget starts so; tests lower it.
const uint64_t STEP_COPY_BUDGET = 200000000;
extern uint64_t step_copy_budget;

// Drop the copy and free its memory.  Every conversion starts so.
void Step_copy_drop();

// Start a copy for records whose coordinates were read at the coordinate
// scale `scale`.
void Step_copy_begin(float scale);

// Add a record written to the work file, with the codes of its coordinates;
// a record that cannot be kept exactly, or the budget, drops the copy.
void Step_copy_add(const StepRecord *record, const StepCode *code);

// The conversion wrote the work file at `work_path` completely: the copy
// now stands for that file as it is on disk.
void Step_copy_finish(const char *work_path);

// True when the copy is complete and the file at `work_path` is the one it
// was made with: the same file, size and time of writing.
bool Step_copy_matches(const char *work_path);

// Decode up to `count` records from record `first` on into `out`, each
// coordinate divided by `divisor` (the view's scale: the record's point in
// pixels, exactly as the coordinate in cm divided by it); returns how many
// there were.
size_t Step_copy_read(uint64_t first, StepRecord *out, size_t count, double divisor);

#endif
