// What a conversion meets: why lines are left out of the picture, and the
// counts a conversion keeps for its reports.  Shared by the step-line
// reader, the conversion's runs and the conversion itself.
#ifndef VOKA_CONVERT_STATS_H
#define VOKA_CONVERT_STATS_H

#include <cstdint>

#include "picture/geometry.h"

// Why a line was left out of the picture.  Each kind has its text for the
// user (Line_problem_text).  Lines that the format gives no meaning are
// skipped on purpose and are none of these: types 7 and 8, markers, blank
// lines and the blocks that are not drawn.
enum LineProblem {
    PROBLEM_NONE = 0,
    PROBLEM_TYPE,            // column 1 holds no line type
    PROBLEM_TAB,             // a tab character among the fields
    PROBLEM_NUL,             // a NUL character among the fields
    PROBLEM_CUT,             // the line ends inside its fields
    PROBLEM_NUMBER,          // a field that is not a number
    PROBLEM_BLANK_FIELD,     // a field of blanks where a number belongs
    PROBLEM_NOT_FINITE,      // a number that is not finite
    PROBLEM_TRAILING,        // characters after the last field
    PROBLEM_HEADER_AMONG,    // a header line among the step lines
    PROBLEM_BLOCK_END,       // the end line of a block that was never opened
    PROBLEM_BLOCK_CASE,      // a block line in lower case
    PROBLEM_BLOCK_NESTED,    // a block opened inside a block of the same letter
    PROBLEM_BLOCK_OPEN,      // a block without its end line (the rest of the file)
    PROBLEM_BATCH_RANGE,     // a batch line whose number lies outside 1..10000
    PROBLEM_OUT_OF_BATCH,    // a step or separator in such a batch
    PROBLEM_BEFORE_BATCH,    // a step or separator before the first batch line
    PROBLEM_FAR_OUT,         // a coordinate far outside the rest of the picture
    PROBLEM_NO_HEADER,       // a step line where the header line belongs
    PROBLEM_CTRL_Z,          // a Ctrl-Z character (0x1A) in a line
    PROBLEM_GLUED,           // a line that goes on with another step line (a line end lost)
    PROBLEM_NEGATIVE_ENERGY, // a step with a negative energy
    PROBLEM_SCALE_ZERO,      // a whole-number (short, long) step line under scale 0
    // Lines that are read, and reported all the same (Line_problem_kept):
    PROBLEM_SEPARATOR_TEXT, // a separator with other text after its minus sign
    PROBLEM_HEADER_TEXT,    // text after column 70 of the header line
    PROBLEM_NO_GEND,        // a geometry section without its closing line GEND
    PROBLEM_KINDS
};

// The text of a problem, for the user ("" for PROBLEM_NONE).
const char *Line_problem_text(int problem);

// Whether the lines of a problem are read all the same (a remark), not left
// out.
bool Line_problem_kept(int problem);

// Lines left out for one kind of problem: how many, and the first of them.
struct ProblemLines {
    uint64_t lines;
    uint64_t first_line; // its line number in the file
};

// What a conversion met, for reports (vokatool info).
enum { STEP_KINDS = 3 }; // index kind - 1: photon, electron, positron
enum { BLOCK_NAMES_KEPT = 4 };
struct ConvertStats {
    uint64_t lines; // step-section lines read (batch lines included)
    uint64_t batch_lines;
    uint64_t marker_lines;
    uint64_t separators;        // separator records written
    uint64_t steps[STEP_KINDS]; // step records written per kind
    float energy_min[STEP_KINDS];
    float energy_max[STEP_KINDS];
    uint64_t skipped_type;                 // lines of type 7 or 8
    uint64_t records;                      // records written
    uint64_t blank_lines;                  // lines of nothing but blanks, skipped
    uint64_t blocks;                       // blocks skipped (MSTA ... MEND and the like)
    uint64_t block_lines;                  // their lines, first and end lines included
    char block_names[BLOCK_NAMES_KEPT][5]; // first lines of the first blocks
    uint64_t unfinished_lines;             // a calculation's last line, not yet ended: left out
    int32_t header_missing;                // 1: no header line; bounds from the steps and geometry
    int32_t nothing_after_geometry;        // 1: the file ended with its geometry section
    // 1: a picture without a header line read from a stream that could not
    // be read twice, whose steps far outside the rest were not left out
    int32_t far_kept;
    // A conversion that failed on its header line: the line and why (0 when
    // it did not).
    uint64_t header_line;
    int32_t header_problem;
    ProblemLines problems[PROBLEM_KINDS]; // lines left out, by kind
    GeometryReport geometry;              // what the geometry section's reader met
};

// All lines left out, with the kind and line number of the first of them
// (PROBLEM_NONE and 0 when none was).  Lines read with a remark are not
// among them.
uint64_t Lines_left_out(const ConvertStats *stats, int *first_problem, uint64_t *first_line);

// The same for the lines read with a remark.
uint64_t Lines_remarked(const ConvertStats *stats, int *first_problem, uint64_t *first_line);

#endif
