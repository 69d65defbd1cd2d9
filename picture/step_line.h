// The step lines of the picture file and its header line: what one line
// says, read by Step_parse from the line alone and an explicit state (the
// current batch and the coordinate scale), into a record its caller gives.
// It touches no process-wide variable, so that lines may be read on several
// threads at once, each with its own state.
//
// Step lines, columns from 1 (short layout for types 0-3, long for 4-6):
//   type  1      0 batch line, 1/2/3 photon/electron/positron step,
//                4/5/6 the same with long coordinates, 9 marker, '-' separator
//   short 2-6 X  7-11 Y  12-16 Z  17-20 energy mantissa  21 exponent digit
//   long  2-9 X  10-17 Y 18-25 Z  26-29 energy mantissa  30 exponent digit
//   short coordinate = (N - 50000) * coord_scale * 0.0001
//   long  coordinate = (N - 33554432) * coord_scale * 2^-23
//   energy = M * 10^(D - 3) MeV, single precision
//   float 2-14 x  15-27 y  28-40 z (cm, reals)  41-50 energy (MeV)
//         51-54 region  55-64 weight (not used); types 4/5/6, told from the
//         long layout by a '.' or 'E' in columns 2-14
//
// Header line: seven fields of ten columns, x_min x_max y_min y_max z_min
// z_max (cm) and coord_scale.
#ifndef VOKA_STEP_LINE_H
#define VOKA_STEP_LINE_H

#include <cstdint>

#include "picture/line_source.h"
#include "picture/picture.h"

// Kinds of the lines that never give a record, besides the batch line and
// the marker of picture.h: a line of blanks, a line with a number that is
// not finite, and the first line of a block that is not drawn (MSTA ...).
enum { KIND_BLANK = 10, KIND_UNREADABLE = 11, KIND_BLOCK = 12 };

// What reading a step line depends on from the lines before it.
struct StepLineState {
    int32_t batch;        // the number of the latest batch line
    float coord_scale;    // of the header line (1 without one)
};

// One step line as read.
struct StepLine {
    StepRecord record;    // record.kind: a record kind, KIND_BATCH, KIND_MARKER,
                          // a KIND_ above, or 7 or 8 (types without meaning)
    StepCode code;        // what the coordinates were computed from
    bool whole_line;      // columns beyond the piece belong to this line (a
                          // float line): the rest of an open line is not a
                          // line of its own
};

// Read the piece `line` (PICTURE_LINE_SIZE bytes as LineSource gives them)
// into *out; a batch line also sets state->batch.
void Step_parse(const char *line, StepLineState *state, StepLine *out);

// The header line's seven fields: 0 with the six bounds in bounds[] and
// the coordinate scale in *scale, or -1 when one is not a finite number
// (nothing is stored then).
int Header_parse(const char *line, double bounds[6], float *scale);

// A batch line standing where the header line belongs: "0" and the batch
// number in columns 2-6, nothing after column 6.  A header line always
// goes on beyond column 6.
bool Batch_line_alone(const char *line);

// The first line of a block that the viewer does not draw: a capital letter
// followed by "STA" (MSTA, the material numbers of the regions, and any
// other of that form); the block ends with the line that begins with the
// same letter followed by "END".
bool Block_start(const char *line);
bool Block_end(const char *line, char letter);

#endif
