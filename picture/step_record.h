// The step record of the work file and its codes: the record kinds, the
// 40-byte image read and written field by field, and the codes from which a
// record's coordinates were computed (which the step copy keeps instead of
// the doubles).  Shared by the conversion, the step copy and every reader of
// the work file.
#ifndef VOKA_STEP_RECORD_H
#define VOKA_STEP_RECORD_H

#include <cstdint>

enum { STEP_RECORD_SIZE = 40, BATCH_MAX = 10000 };

// Record kinds.
enum {
    KIND_SEPARATOR = -1,
    KIND_BATCH = 0,
    KIND_PHOTON = 1,
    KIND_ELECTRON = 2,
    KIND_POSITRON = 3,
    KIND_MARKER = 9
};

// The work-file record, 40 bytes little-endian:
//
//   OFFSET SIZE FIELD
//        0    4 batch   signed 32-bit
//        4    4 kind    signed 32-bit: 1 photon, 2 electron, 3 positron, -1 separator
//        8    8 x       IEEE double, cm
//       16    8 y       IEEE double, cm
//       24    8 z       IEEE double, cm
//       32    4 energy  IEEE single, MeV; 0 for a separator
//       36    4 padding zero
struct StepRecord {
    int32_t batch;
    int32_t kind;
    double x;
    double y;
    double z;
    float energy;
};
static_assert(4 + 4 + 3 * 8 + 4 + 4 == STEP_RECORD_SIZE, "the step record is 40 bytes");

// A step record as a rebuild reads it: its point divided by a divisor (the
// view's scale: the point in pixels, before the turn and projection; 1: in
// cm).  A type of its own, so that a point in pixels is never taken for
// one in cm.
struct ScaledStep {
    int32_t batch;
    int32_t kind;
    double x;
    double y;
    double z;
    float energy;
};

// Encode into / decode from the 40-byte image (field by field).
void Step_encode(const StepRecord *record, uint8_t image[STEP_RECORD_SIZE]);
void Step_decode(const uint8_t image[STEP_RECORD_SIZE], StepRecord *record);
// Put another batch into an image.
void Step_encode_batch(uint8_t image[STEP_RECORD_SIZE], int32_t batch);

// What the coordinates of a step record were computed from, so that a copy
// can keep them in 32 bits each and compute the very same doubles again.
// The form is the layout of the step line:
//   STEP_FORM_SHORT, STEP_FORM_LONG  the encoded field value N (an integer)
//   STEP_FORM_FLOAT  a float step line's decimal number: digits (below
//                    2^24) in bits 0-23, the power of ten + 32 in bits
//                    24-29, the sign in bit 30
// STEP_FORM_NONE when a coordinate has no such code (a field that is not
// an integer, a number of more digits) and for lines without coordinates.
enum { STEP_FORM_NONE = 0, STEP_FORM_SHORT = 1, STEP_FORM_LONG = 2, STEP_FORM_FLOAT = 3 };
struct StepCode {
    int32_t form;
    int32_t code[3]; // x, y, z
};

enum { FLOAT_DIGITS_BITS = 24, FLOAT_SCALE_BIAS = 32 };

// The coordinate in cm of the encoded field value n of a step line (short
// or long) at the coordinate scale `scale`.
const double SHORT_OFFSET = 50000.0;
const double SHORT_FACTOR = 0.0001;
const double LONG_OFFSET = 33554432.0;             // 2^25
const double LONG_FACTOR = 1.1920928955078125e-07; // 2^-23
inline double Encoded_coordinate(double n, int form, float scale)
{
    if (form == STEP_FORM_SHORT)
        return (n - SHORT_OFFSET) * static_cast<double>(scale) * SHORT_FACTOR;
    return (n - LONG_OFFSET) * static_cast<double>(scale) * LONG_FACTOR;
}

// The coordinate in cm that a float line's code stands for.
double Float_coordinate(int32_t code);

// The coordinate in cm that `code` of the given form stands for, at the
// coordinate scale `scale`: the same double that the conversion computed.
inline double Step_coordinate(int form, int32_t code, float scale)
{
    if (form == STEP_FORM_FLOAT)
        return Float_coordinate(code);
    return Encoded_coordinate(static_cast<double>(code), form, scale);
}

#endif
