// The step lines of the picture file and its header line: what one line
// says, read by Step_parse from the line alone and an explicit state (the
// current batch and the coordinate scale), into a record its caller gives.
// It touches no process-wide variable, so that lines may be read on several
// threads at once, each with its own state.
//
// Every line is either read whole under exactly one layout, or refused with
// the reason (a LineProblem of picture.h): a number is never read up to its
// first bad character, and a missing field is never read as zero.
//
// Columns count from 1; the line end and the blanks and tabs before it do
// not count (a line "ends" after its last character that is neither a blank
// nor a tab).  Fields:
//   integer  blanks, an optional sign and digits up to the field's last
//            column (right-aligned, no blank inside)
//   real     blanks, an optional sign, digits with an optional point (at
//            least one digit), an optional exponent (E, e, D or d, optional
//            sign, at least one digit), up to the field's last column; its
//            value must be finite (in single precision where it is kept so)
//
// Layouts by the type in column 1 (a digit or '-'; anything else refuses
// the line):
//   0      batch line: 2-6 batch number (integer); ends by column 6
//   1 2 3  short: 2-6 X, 7-11 Y, 12-16 Z (integers), 17-20 energy mantissa M
//          (real), 21 exponent digit D (a digit); ends at column 21
//   4 5 6  long, when the line ends by column 30: 2-9 X, 10-17 Y, 18-25 Z
//          (integers), 26-29 M (real), 30 D (a digit); ends at column 30.
//          float, when it goes on beyond column 30: 2-14 x, 15-27 y,
//          28-40 z (cm, reals), 41-50 energy (MeV, real); what follows
//          (51-54 region, 55-64 weight, more columns, the rest of a line
//          longer than 127 characters) is not used and not read
//   -      track separator: "-" or "-1" (as writers of integers write it);
//          other text after the minus sign is reported (a remark), and
//          the line is still a separator
//   9      marker; 7, 8: no meaning; the rest of these lines is not read
//   short coordinate = (N - 50000) * coord_scale * 0.0001
//   long  coordinate = (N - 33554432) * coord_scale * 2^-23
//   energy = M * 10^(D - 3) MeV, single precision
// A tab, a NUL or a Ctrl-Z character where a field is read refuses the
// line.  A line of nothing but blanks, tabs, CRs and Ctrl-Z characters is a
// blank line.  Text after a layout's last column that begins a step,
// separator or batch line of its own (as in a float line a second float
// step from column 51 on) is two lines glued together, whose line end was
// lost (PROBLEM_GLUED); a long line glued to another line is no float line.
// A negative energy refuses the line, and so does a short or long line when
// the coordinate scale is 0.
//
// Header line: seven real fields of ten columns, x_min x_max y_min y_max
// z_min z_max (cm) and coord_scale, all present; text after column 70 (a
// comment, an eighth field) is reported and the seven are read.
// Missing fields are not read as 0: a coordinate scale of 0 would put
// every step at the origin.
#ifndef VOKA_STEP_LINE_H
#define VOKA_STEP_LINE_H

#include <cstddef>
#include <cstdint>

#include "picture/convert_stats.h"
#include "picture/line_source.h"
#include "picture/step_record.h"

// Kinds of the lines that never give a record, besides the batch line and
// the marker of picture.h: a line of blanks, a line that cannot be read
// (its problem says why), and the first line of a block that is not drawn
// (MSTA ...).
enum { KIND_BLANK = 10, KIND_UNREADABLE = 11, KIND_BLOCK = 12 };

// What reading a step line depends on from the lines before it.
struct StepLineState {
    int32_t batch;     // the number of the latest batch line
    float coord_scale; // of the header line (1 without one)
};

// One step line as read.
struct StepLine {
    StepRecord record; // record.kind: a record kind, KIND_BATCH, KIND_MARKER,
                       // a KIND_ above, or 7 or 8 (types without meaning)
    StepCode code;     // what the coordinates were computed from
    int problem;       // for KIND_UNREADABLE: why (a LineProblem)
    int remark;        // a line read, and reported all the same: why (a
                       // LineProblem that Line_problem_kept), else PROBLEM_NONE
    bool whole_line;   // columns beyond the piece belong to this line (a
                       // float line): the rest of an open line is not a
                       // line of its own
};

// Read the piece `line` of `length` characters (as LineSource gives it:
// blanks after its end) into *out; a batch line also sets state->batch.
void Step_parse(const char *line, size_t length, StepLineState *state, StepLine *out);

// The header line: PROBLEM_NONE with the six bounds in bounds[] and the
// coordinate scale in *scale (and in *remark, when given, what to report
// of a line read: PROBLEM_HEADER_TEXT or PROBLEM_NONE), or the problem that
// refuses it (nothing is stored then).
int Header_parse(const char *line, size_t length, double bounds[6], float *scale,
                 int *remark = nullptr);

// A batch line standing where the header line belongs.
bool Batch_line_alone(const char *line, size_t length);

// The first line of a block that the viewer does not draw: a capital letter
// followed by "STA" (MSTA, the material numbers of the regions, and any
// other of that form); the block ends with the line that begins with the
// same letter followed by "END".
bool Block_start(const char *line);
bool Block_end(const char *line, char letter);

#endif
