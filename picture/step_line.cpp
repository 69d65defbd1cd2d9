#include "picture/step_line.h"

#include <cmath>
#include <cstring>

#include "picture/numparse.h"

namespace {

const double power_of_ten[] = {1.0, 10.0, 100.0, 1000.0, 10000.0, 100000.0, 1000000.0};

// Where the layouts end (columns) and the float line's fields begin.
enum { BATCH_END = 6, LONG_END = 30, HEADER_END = 70 };

bool Is_digit(char c)
{
    return c >= '0' && c <= '9';
}

bool Is_sign(char c)
{
    return c == '+' || c == '-';
}

// The characters that the fields are cut from: the line before its line
// end, without the blanks at its end.
struct LineText {
    const char *c;
    size_t n;
};

// Blanks and tabs after the last field are harmless, as writers leave them.
LineText Text_of(const char *line, size_t length)
{
    size_t n = length;
    if (n > 0 && line[n - 1] == '\n')
        n--;
    while (n > 0 && (line[n - 1] == ' ' || line[n - 1] == '\t'))
        n--;
    return LineText{line, n};
}

const char CTRL_Z = '\x1A';

// A line refused for `kind`, unless a tab, a NUL or a Ctrl-Z in it says
// better why.
int Line_problem(const LineText &t, int kind)
{
    if (std::memchr(t.c, '\t', t.n))
        return PROBLEM_TAB;
    if (std::memchr(t.c, '\0', t.n))
        return PROBLEM_NUL;
    if (std::memchr(t.c, CTRL_Z, t.n))
        return PROBLEM_CTRL_Z;
    return kind;
}

bool Starts_a_line(const char *text, size_t n);

// The fields of one line, read with a sticky problem: the first field that
// cannot be read sets it, and the line is then unreadable.  A field that
// goes on beyond the line's end is cut short (its last column is blank),
// or missing.
struct FieldReader {
    LineText t;
    float coord_scale;
    StepCode *code;
    int problem;

    void Fail(int why)
    {
        if (problem == PROBLEM_NONE)
            problem = Line_problem(t, why);
    }

    double Finite(double value)
    {
        if (!std::isfinite(value))
            Fail(PROBLEM_NOT_FINITE);
        return value;
    }

    // Whether the field from `from` is within the line; a field that is
    // not is refused.
    bool Within(size_t from, size_t width)
    {
        if (from + width <= t.n)
            return true;
        Fail(PROBLEM_CUT);
        return false;
    }

    // The common field: blanks and digits up to its end.  True with its
    // value, else false (and nothing is set).
    bool Plain_digits(size_t from, size_t width, int64_t *value) const
    {
        size_t end = from + width;
        size_t i = from;
        while (i < end && t.c[i] == ' ')
            i++;
        if (i == end)
            return false;
        int64_t v = 0;
        for (; i < end; i++) {
            unsigned digit = static_cast<unsigned char>(t.c[i]) - unsigned{'0'};
            if (digit > 9)
                return false;
            v = v * 10 + int64_t{digit};
        }
        *value = v;
        return true;
    }

    // A real field; 0 when it cannot be read.
    double Real(size_t from, size_t width, RealParts *parts = nullptr)
    {
        if (!Within(from, width))
            return 0.0;
        int64_t plain;
        if (Plain_digits(from, width, &plain)) {
            if (parts)
                *parts = RealParts{static_cast<uint64_t>(plain), 0, false, true};
            return static_cast<double>(plain);
        }
        double value = 0.0;
        switch (Real_field_whole(t.c + from, width, &value, parts)) {
        case FIELD_NUMBER: return value;
        case FIELD_BLANK: Fail(PROBLEM_BLANK_FIELD); return 0.0;
        case FIELD_NOT_FINITE: Fail(PROBLEM_NOT_FINITE); return 0.0;
        default: Fail(PROBLEM_NUMBER); return 0.0;
        }
    }

    // An integer field; 0 when it cannot be read (fields of at most 8
    // columns: the value fits).
    int64_t Integer(size_t from, size_t width)
    {
        if (!Within(from, width))
            return 0;
        int64_t plain;
        if (Plain_digits(from, width, &plain))
            return plain;
        size_t end = from + width;
        size_t i = from;
        while (i < end && t.c[i] == ' ')
            i++;
        if (i == end) {
            Fail(PROBLEM_BLANK_FIELD);
            return 0;
        }
        bool negative = t.c[i] == '-';
        if (Is_sign(t.c[i]) && i + 1 < end && Is_digit(t.c[i + 1]) &&
            Plain_digits(i + 1, end - i - 1, &plain))
            return negative ? -plain : plain;
        Fail(PROBLEM_NUMBER);
        return 0;
    }

    // Nothing after column `end` (counted from 1); what follows may be
    // another step line, whose line end was lost.
    void Ends_at(size_t end)
    {
        if (t.n > end)
            Fail(Starts_a_line(t.c + end, t.n - end) ? PROBLEM_GLUED : PROBLEM_TRAILING);
    }

    float Energy(size_t mantissa_from, size_t exponent_at)
    {
        double m = Real(mantissa_from, 4);
        if (m < 0.0)
            Fail(PROBLEM_NEGATIVE_ENERGY);
        if (!Within(exponent_at, 1))
            return 0.0f;
        char d = t.c[exponent_at];
        if (!Is_digit(d)) {
            Fail(d == ' ' ? PROBLEM_BLANK_FIELD : PROBLEM_NUMBER);
            return 0.0f;
        }
        int e = d - '0' - 3;
        double p = power_of_ten[e < 0 ? -e : e];
        if (e < 0)
            p = 1.0 / p;
        float energy = static_cast<float>(p * m);
        Finite(static_cast<double>(energy));
        return energy;
    }

    // A coordinate field of a step line (short or long), with its code.
    double Encoded(size_t from, size_t width, int form, int axis)
    {
        const int64_t n = Integer(from, width);
        code->code[axis] = static_cast<int32_t>(n);
        return Encoded_coordinate(static_cast<double>(n), form, coord_scale);
    }

    // A coordinate field of a float line, with its code: its decimal form,
    // or none (STEP_FORM_NONE) when that does not fit the code.
    double Float(size_t from, int axis)
    {
        RealParts parts = {0, 0, false, false};
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

void Position_clear(StepRecord *r)
{
    r->x = r->y = r->z = 0.0;
    r->energy = 0.0f;
}

// A short (form STEP_FORM_SHORT, fields of 5 columns) or long (STEP_FORM_LONG,
// 8 columns) line: X, Y, Z from column 2, then M in 4 columns and D.
void Encoded_parse(FieldReader *f, StepRecord *r, int form, size_t width)
{
    size_t mantissa = 1 + 3 * width;
    size_t end = mantissa + 5; // column 21 or 30
    if (f->t.n < end)
        f->Fail(PROBLEM_CUT);
    f->code->form = form;
    r->x = f->Encoded(1, width, form, 0);
    r->y = f->Encoded(1 + width, width, form, 1);
    r->z = f->Encoded(1 + 2 * width, width, form, 2);
    r->energy = f->Energy(mantissa, mantissa + 4);
    f->Ends_at(end);
    // With a scale of 0 (a header written with too few decimals) every
    // step would lie at the origin.
    if (f->coord_scale == 0.0f)
        f->Fail(PROBLEM_SCALE_ZERO);
}

// Columns 51 on of a float line hold a second float step line, whose line
// end was lost: a line type 4, 5 or 6 right after a character of the first
// line, then three 13-column reals.  (Columns from 51 hold the region, the
// weight and what else a writer adds, which never take that form.)
bool Float_glued(const LineText &t)
{
    for (size_t p = 50; p + 40 <= t.n; p++) {
        if (t.c[p] < '4' || t.c[p] > '6' || t.c[p - 1] == ' ')
            continue;
        double v;
        if (Real_field_whole(t.c + p + 1, 13, &v) == FIELD_NUMBER &&
            Real_field_whole(t.c + p + 14, 13, &v) == FIELD_NUMBER &&
            Real_field_whole(t.c + p + 27, 13, &v) == FIELD_NUMBER)
            return true;
    }
    return false;
}

// A long line (30 columns) followed by another step line: two lines whose
// line end was lost, not a float line.  Float lines hold a point or an
// exponent in columns 2-25, which a long line's integers never do.
bool Long_glued(const LineText &t)
{
    if (t.n <= 30 || std::memchr(t.c + 1, '.', 24) || std::memchr(t.c + 1, 'E', 24))
        return false;
    return Starts_a_line(t.c, 30) && Starts_a_line(t.c + 30, t.n - 30);
}

void Float_parse(FieldReader *f, StepRecord *r)
{
    f->code->form = STEP_FORM_FLOAT;
    r->x = f->Float(1, 0);
    r->y = f->Float(14, 1);
    r->z = f->Float(27, 2);
    r->energy = static_cast<float>(f->Real(40, 10));
    f->Finite(static_cast<double>(r->energy));
    if (r->energy < 0.0f)
        f->Fail(PROBLEM_NEGATIVE_ENERGY);
    if (Float_glued(f->t))
        f->Fail(PROBLEM_GLUED);
}

// A line of nothing but blanks, tabs, CRs and Ctrl-Z characters (an
// end-of-text mark on a line of its own takes nothing with it).
bool Blank_line(const char *line, size_t length)
{
    for (size_t i = 0; i < length; i++) {
        char c = line[i];
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != CTRL_Z)
            return false;
    }
    return true;
}

bool Letters_are(const char *p, const char *upper)
{
    for (int i = 0; i < 3; i++)
        if ((p[i] & ~0x20) != upper[i])
            return false;
    return true;
}

// Why a line without a line type in column 1 cannot be read, or that it
// is a blank line (KIND_BLANK) or a block's first line (KIND_BLOCK).
int Untyped_line(const char *line, size_t length, int *problem)
{
    if (Blank_line(line, length))
        return KIND_BLANK;
    if (Block_start(line))
        return KIND_BLOCK;
    char c = static_cast<char>(line[0] & ~0x20);
    bool letter = c >= 'A' && c <= 'Z';
    if (letter && line[0] == c && std::strncmp(line + 1, "END", 3) == 0)
        *problem = PROBLEM_BLOCK_END;
    else if (letter && (Letters_are(line + 1, "STA") || Letters_are(line + 1, "END")))
        *problem = PROBLEM_BLOCK_CASE;
    else {
        double bounds[6];
        float scale;
        int header = Header_parse(line, length, bounds, &scale);
        *problem = header == PROBLEM_NONE ? PROBLEM_HEADER_AMONG
                                          : Line_problem(Text_of(line, length), PROBLEM_TYPE);
    }
    return KIND_UNREADABLE;
}

// The text of n characters begins with a step, separator or batch line of
// its own (cut at that line's last column).
bool Starts_a_line(const char *text, size_t n)
{
    char type = text[0];
    size_t widths[2] = {0, 0};
    if (type == '0')
        widths[0] = 6;
    else if (type >= '1' && type <= '3')
        widths[0] = 21;
    else if (type >= '4' && type <= '6')
        widths[0] = 30, widths[1] = 50;
    else if (type == '-')
        widths[0] = 1;
    for (size_t width : widths) {
        if (width == 0 || width > n)
            continue;
        char line[PICTURE_LINE_SIZE];
        std::memset(line, ' ', sizeof line);
        std::memcpy(line, text, width);
        line[width] = '\0';
        StepLineState state = {1, 1.0f};
        StepLine read;
        Step_parse(line, width, &state, &read);
        int kind = read.record.kind;
        if (kind == KIND_BATCH || kind == KIND_SEPARATOR ||
            (kind >= KIND_PHOTON && kind <= KIND_POSITRON))
            return true;
    }
    return false;
}

} // namespace

bool Block_start(const char *line)
{
    return line[0] >= 'A' && line[0] <= 'Z' && line[1] == 'S' && line[2] == 'T' && line[3] == 'A';
}

bool Block_end(const char *line, char letter)
{
    return line[0] == letter && std::strncmp(line + 1, "END", 3) == 0;
}

int Header_parse(const char *line, size_t length, double bounds[6], float *scale, int *remark)
{
    FieldReader f = {Text_of(line, length), 0.0f, nullptr, PROBLEM_NONE};
    double v[7];
    for (size_t i = 0; i < 7; i++)
        v[i] = f.Real(10 * i, 10);
    float v6 = static_cast<float>(v[6]);
    f.Finite(static_cast<double>(v6));
    if (f.problem != PROBLEM_NONE)
        return f.problem;
    // A comment or an eighth field after the seven: said, and the seven read.
    if (remark)
        *remark = f.t.n > HEADER_END ? PROBLEM_HEADER_TEXT : PROBLEM_NONE;
    for (int i = 0; i < 6; i++)
        bounds[i] = v[i];
    *scale = v6;
    return PROBLEM_NONE;
}

bool Batch_line_alone(const char *line, size_t length)
{
    if (line[0] != '0')
        return false;
    StepLineState state = {0, 1.0f};
    StepLine read;
    Step_parse(line, length, &state, &read);
    return read.record.kind == KIND_BATCH;
}

void Step_parse(const char *line, size_t length, StepLineState *state, StepLine *out)
{
    StepRecord *r = &out->record;
    out->whole_line = false;
    out->problem = PROBLEM_NONE;
    out->remark = PROBLEM_NONE;
    out->code.form = STEP_FORM_NONE;
    r->batch = state->batch;
    char type = line[0];
    if (!Is_digit(type) && type != '-') {
        r->kind = Untyped_line(line, length, &out->problem);
        return;
    }
    FieldReader f = {Text_of(line, length), state->coord_scale, &out->code, PROBLEM_NONE};
    r->kind = type == '-' ? KIND_SEPARATOR : type - '0';
    switch (r->kind) {
    case 0: {
        const int64_t batch = f.Integer(1, 5);
        f.Ends_at(BATCH_END);
        r->kind = KIND_BATCH;
        Position_clear(r);
        if (f.problem == PROBLEM_NONE)
            r->batch = state->batch = static_cast<int32_t>(batch);
        break;
    }
    case 1:
    case 2:
    case 3: Encoded_parse(&f, r, STEP_FORM_SHORT, 5); break;
    case 4:
    case 5:
    case 6:
        r->kind -= 3;
        if (Long_glued(f.t)) {
            f.Fail(PROBLEM_GLUED);
        } else if (f.t.n > LONG_END) {
            Float_parse(&f, r);
            out->whole_line = true;
        } else {
            Encoded_parse(&f, r, STEP_FORM_LONG, 8);
        }
        break;
    case KIND_SEPARATOR:
        // "-1" as a writer of integers writes it is a separator; other text
        // after the minus sign is reported, and the tracks still kept apart.
        if (f.t.n > 2 || (f.t.n == 2 && f.t.c[1] != '1'))
            out->remark = PROBLEM_SEPARATOR_TEXT;
        Position_clear(r);
        break;
    case KIND_MARKER: Position_clear(r); break;
    default:
        // Types 7 and 8 have no meaning: the conversion skips the line.
        break;
    }
    if (f.problem != PROBLEM_NONE) {
        r->kind = KIND_UNREADABLE;
        out->problem = f.problem;
    }
}
