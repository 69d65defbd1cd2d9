#include "picture/step_line.h"

#include <cmath>
#include <cstring>

#include "picture/numparse.h"

namespace {

const double power_of_ten[] = {1.0, 10.0, 100.0, 1000.0, 10000.0, 100000.0, 1000000.0};

// Type of a line from its first column: a digit gives its value, a minus
// sign -1, anything else 0.
int Line_type(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    return c == '-' ? -1 : 0;
}

int Digit_value(char c)
{
    return c >= '0' && c <= '9' ? c - '0' : 0;
}

// The fields of one line, read with a sticky flag: `bad` is set when a
// field spells an infinity or a NaN, or a value leaves the finite range,
// and the line is then unreadable.
struct FieldReader {
    const char *line;
    float coord_scale;
    StepCode *code;
    bool bad;

    double Finite(double value)
    {
        if (!std::isfinite(value))
            bad = true;
        return value;
    }

    // The real rule on columns from + 1 .. from + length.
    double Real(size_t from, size_t length, RealParts *parts = nullptr)
    {
        double value = 0.0;
        if (Real_field(line + from, length, &value, parts) != 0)
            bad = true;
        return value;
    }

    float Energy(size_t mantissa_from, size_t exponent_at)
    {
        double m = Real(mantissa_from, 4);
        int e = Digit_value(line[exponent_at]) - 3;
        double p = power_of_ten[e < 0 ? -e : e];
        if (e < 0)
            p = 1.0 / p;
        float energy = static_cast<float>(p * m);
        Finite(static_cast<double>(energy));
        return energy;
    }

    // A coordinate field of a short or long line; its code goes to
    // code->code[axis], or the code's form becomes STEP_FORM_NONE when the
    // field holds no integer.
    double Encoded(size_t from, size_t length, int form, int axis)
    {
        double n = Real(from, length);
        int32_t c = n > -2147483648.0 && n < 2147483648.0 ? static_cast<int32_t>(n) : 0;
        code->code[axis] = c;
        if (static_cast<double>(c) != n)
            code->form = STEP_FORM_NONE;
        return Finite(Encoded_coordinate(n, form, coord_scale));
    }

    // A coordinate field of a float line, with its code as Encoded.
    double Float(size_t from, int axis)
    {
        RealParts parts;
        double value = Real(from, 13, &parts);
        if (parts.exact && parts.digits < (1u << FLOAT_DIGITS_BITS))
            code->code[axis] = static_cast<int32_t>(parts.digits) |
                               ((parts.scale + FLOAT_SCALE_BIAS) << FLOAT_DIGITS_BITS) |
                               (parts.negative ? 1 << 30 : 0);
        else
            code->form = STEP_FORM_NONE;
        return value;
    }
};

// Blanks only from column `from` (counted from 0) to the line's end; from
// 0, a line of nothing but blanks.
bool Blank_from(const char *line, size_t from)
{
    for (size_t i = from; i < PICTURE_LINE_SIZE; i++) {
        char c = line[i];
        if (c == '\0' || c == '\n')
            return true;
        if (c != ' ' && c != '\t' && c != '\r')
            return false;
    }
    return true;
}

// The float step line: types 4 to 6 with x, y, z in centimetres in columns
// 2-14, 15-27, 28-40 as reals in exponent form, the kinetic energy in MeV in
// columns 41-50, a region number in 51-54 and a weight in 55-64 (not used);
// columns after 64 are ignored.  Told from the original long line by its x
// field: a decimal point or an exponent letter in columns 2-14, where the
// long line holds only the digits of its encoded x and y.
bool Float_line(const char *line)
{
    for (size_t i = 1; i <= 13; i++) {
        char c = line[i];
        if (c == '.' || c == 'E' || c == 'e')
            return true;
    }
    return false;
}

void Position_clear(StepRecord *r)
{
    r->x = r->y = r->z = 0.0;
    r->energy = 0.0f;
}

void Short_parse(FieldReader *f, StepRecord *r)
{
    f->code->form = STEP_FORM_SHORT;
    r->x = f->Encoded(1, 5, STEP_FORM_SHORT, 0);
    r->y = f->Encoded(6, 5, STEP_FORM_SHORT, 1);
    r->z = f->Encoded(11, 5, STEP_FORM_SHORT, 2);
    r->energy = f->Energy(16, 20);
}

void Long_parse(FieldReader *f, StepRecord *r)
{
    f->code->form = STEP_FORM_LONG;
    r->x = f->Encoded(1, 8, STEP_FORM_LONG, 0);
    r->y = f->Encoded(9, 8, STEP_FORM_LONG, 1);
    r->z = f->Encoded(17, 8, STEP_FORM_LONG, 2);
    r->energy = f->Energy(25, 29);
}

void Float_parse(FieldReader *f, StepRecord *r)
{
    f->code->form = STEP_FORM_FLOAT;
    r->x = f->Float(1, 0);
    r->y = f->Float(14, 1);
    r->z = f->Float(27, 2);
    r->energy = static_cast<float>(f->Real(40, 10));
    f->Finite(static_cast<double>(r->energy));
}

} // namespace

bool Batch_line_alone(const char *line)
{
    return line[0] == '0' && Blank_from(line, 6);
}

bool Block_start(const char *line)
{
    return line[0] >= 'A' && line[0] <= 'Z' && line[1] == 'S' && line[2] == 'T' && line[3] == 'A';
}

bool Block_end(const char *line, char letter)
{
    return line[0] == letter && std::strncmp(line + 1, "END", 3) == 0;
}

int Header_parse(const char *line, double bounds[6], float *scale)
{
    FieldReader f = {line, 0.0f, nullptr, false};
    double v[7];
    for (size_t i = 0; i < 7; i++)
        v[i] = f.Real(10 * i, 10);
    float v6 = static_cast<float>(v[6]);
    f.Finite(static_cast<double>(v6));
    if (f.bad)
        return -1;
    for (int i = 0; i < 6; i++)
        bounds[i] = v[i];
    *scale = v6;
    return 0;
}

void Step_parse(const char *line, StepLineState *state, StepLine *out)
{
    StepRecord *r = &out->record;
    out->whole_line = false;
    out->code.form = STEP_FORM_NONE;
    if (Blank_from(line, 0)) {
        // Read as a batch line it would end the batch at batch 0.
        r->kind = KIND_BLANK;
        return;
    }
    if (Block_start(line)) {
        r->kind = KIND_BLOCK;
        return;
    }
    int type = Line_type(line[0]);
    FieldReader f = {line, state->coord_scale, &out->code, false};
    r->batch = state->batch;
    r->kind = type;
    switch (type) {
    case 0:
        state->batch = static_cast<int32_t>(Integer_parse(line + 1, 5));
        r->batch = state->batch;
        r->kind = KIND_BATCH;
        Position_clear(r);
        break;
    case 1:
    case 2:
    case 3:
        Short_parse(&f, r);
        break;
    case 4:
    case 5:
    case 6:
        r->kind = type - 3;
        if (Float_line(line)) {
            Float_parse(&f, r);
            out->whole_line = true;
        } else {
            Long_parse(&f, r);
        }
        break;
    case 9:
    case -1:
        Position_clear(r);
        break;
    default:
        // Types 7 and 8 have no meaning: the conversion skips the line.
        break;
    }
    if (f.bad)
        r->kind = KIND_UNREADABLE;
}
