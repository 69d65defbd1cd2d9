#include "picture/geometry.h"

#include <cmath>
#include <cstring>

#include "picture/numparse.h"

GeometryList geometry_list;
namespace {

// One reading of a section: its stream, the report the caller gets, and
// the line last read.
struct GeometryReader {
    FILE *stream;
    GeometryReport *report;
    char line[GEOMETRY_LINE_SIZE];
};

// Read one line into r->line, without its line end (a LF, a CR LF or a CR
// alone); -1 at the end of the stream or when the line does not fit the
// buffer (the rest of it would be taken as the next line of the section).
// The section is short: it is read a character at a time, so that the
// stream stands exactly after it.
int Geometry_line_read(GeometryReader *r)
{
    size_t n = 0;
    int c = std::getc(r->stream);
    if (c == EOF) {
        r->report->problem = "the file ends inside the geometry section";
        return -1;
    }
    for (; c != EOF && c != '\n'; c = std::getc(r->stream)) {
        if (c == '\r') {
            int next = std::getc(r->stream);
            if (next != '\n' && next != EOF)
                std::ungetc(next, r->stream);
            break;
        }
        if (n == sizeof r->line - 1) {
            r->report->problem = "a line longer than the reader's 1023 characters";
            r->report->lines++; // the problem is on this line
            return -1;
        }
        r->line[n++] = static_cast<char>(c);
    }
    r->line[n] = '\0';
    r->report->lines++;
    return 0;
}

bool Keyword_is(const GeometryReader *r, const char *keyword)
{
    return std::strncmp(r->line, keyword, 4) == 0;
}

// Store a scanned count: counts above the list's room are clamped (the
// surplus values are still read, so the stream stays in step); counts that do
// not fit 16 bits saturate.
int16_t Count_store(int scanned)
{
    if (scanned > GEOMETRY_LIST_MAX)
        return GEOMETRY_LIST_MAX;
    if (scanned < -32768)
        return -32768;
    return static_cast<int16_t>(scanned);
}

// Read a list of n values, four to a line, ceil(n/4) lines; an empty list
// (n <= 0) reads no line.  Values beyond the list's room are read and dropped.
int List_read(GeometryReader *r, int n, float *list)
{
    static const char *const why[] = {
        "",
        "a value field of blanks where a value belongs (values stand in fields of 15 columns)",
        "a value field that is not one number (values stand in fields of 15 columns)",
        "a value that is not a finite number",
    };
    for (int first = 0; first < n; first += 4) {
        if (Geometry_line_read(r) != 0)
            return -1;
        int count = n - first < 4 ? n - first : 4;
        float values[4];
        int problem = Values_read(r->line, values, count);
        if (problem != VALUE_READ) {
            r->report->problem = why[problem];
            return -1;
        }
        for (int k = 0; k < count; k++) {
            if (first + k < GEOMETRY_LIST_MAX)
                list[first + k] = values[k];
            else
                r->report->values_dropped++;
        }
    }
    return 0;
}

// Scan up to three counts with the formatted-input rules of "%6i": leading
// blanks skipped, at most six characters, decimal, octal (leading 0) or
// hexadecimal (leading 0x).  Counts that cannot be scanned are 0.
void Counts_scan(const GeometryReader *r, int wanted, int counts[3])
{
    counts[0] = counts[1] = counts[2] = 0;
    if (wanted == 2)
        std::sscanf(r->line, "%6i%6i", &counts[0], &counts[1]);
    else
        std::sscanf(r->line, "%6i%6i%6i", &counts[0], &counts[1], &counts[2]);
}

bool Is_blank(char c)
{
    return c == ' ' || c == '\t';
}

bool Is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// Digits from i on: the first character after them.
size_t Digits_skip(const char *text, size_t i, size_t end, size_t *count)
{
    for (; i < end && Is_digit(text[i]); i++)
        (*count)++;
    return i;
}

// One field of n characters: blanks, one number (an optional sign, digits
// with an optional point, an optional exponent after E or e), blanks.  The
// whole field is the number: a wider field of the writer (E20.12) leaves a
// piece of a number in it, which is never read as a value of its own.
int Field_read(const char *field, size_t n, float *value)
{
    *value = 0.0f;
    size_t b = 0;
    while (b < n && Is_blank(field[b]))
        b++;
    size_t e = n;
    while (e > b && Is_blank(field[e - 1]))
        e--;
    if (b == e)
        return VALUE_BLANK;
    size_t i = b + (field[b] == '+' || field[b] == '-' ? 1 : 0);
    size_t digits = 0;
    i = Digits_skip(field, i, e, &digits);
    if (i < e && field[i] == '.')
        i = Digits_skip(field, i + 1, e, &digits);
    if (digits == 0)
        return VALUE_NOT_NUMBER;
    if (i < e && (field[i] == 'E' || field[i] == 'e')) {
        i++;
        if (i < e && (field[i] == '+' || field[i] == '-'))
            i++;
        size_t exponent_digits = 0;
        i = Digits_skip(field, i, e, &exponent_digits);
        if (exponent_digits == 0)
            return VALUE_NOT_NUMBER;
    }
    if (i != e)
        return VALUE_NOT_NUMBER;
    double v = 0.0;
    if (Value_field_scan(field + b, e - b, &v) != 0 || !std::isfinite(static_cast<float>(v)))
        return VALUE_NOT_FINITE;
    *value = static_cast<float>(v);
    return VALUE_READ;
}

} // namespace

int Values_read(const char *line, float *list, int count)
{
    size_t length = std::strlen(line);
    for (int k = 0; k < count && k < 4; k++) {
        size_t start = static_cast<size_t>(k) * GEOMETRY_FIELD_WIDTH;
        size_t n = 0;
        if (start < length)
            n = length - start < GEOMETRY_FIELD_WIDTH ? length - start : GEOMETRY_FIELD_WIDTH;
        int result = Field_read(line + start * (n > 0 ? 1 : 0), n, &list[k]);
        if (result != VALUE_READ)
            return result;
    }
    return VALUE_READ;
}

int Geometry_read(FILE *stream, GeometryReport *report, char *closing, size_t closing_size)
{
    *report = GeometryReport{0, 0, nullptr, 0};
    GeometryReader reader = {};
    reader.stream = stream;
    reader.report = report;
    GeometryReader *r = &reader;
    if (Geometry_line_read(r) != 0) {
        if (report->lines == 0)
            report->problem = "the file is empty";
        return -1;
    }
    // A UTF-8 byte-order mark, as some editors write it, before GSTA.
    if (std::strncmp(r->line, "\xEF\xBB\xBF", 3) == 0)
        std::memmove(r->line, r->line + 3, std::strlen(r->line + 3) + 1);
    if (!Keyword_is(r, "GSTA")) {
        report->problem = "the file does not begin with GSTA";
        return -1;
    }
    if (Geometry_line_read(r) != 0)
        return -1;
    int kind;
    if (Keyword_is(r, "CYLS"))
        kind = GEOMETRY_CYLINDERS;
    else if (Keyword_is(r, "SLAB"))
        kind = GEOMETRY_SLABS;
    else if (Keyword_is(r, "GEND"))
        kind = GEOMETRY_NONE;
    else {
        report->problem = "a kind line that is none of CYLS, SLAB and GEND";
        return -1;
    }
    geometry_list.kind = static_cast<int16_t>(kind);
    if (kind == GEOMETRY_NONE)
        return 0;

    if (Geometry_line_read(r) != 0)
        return -1;
    int counts[3];
    if (kind == GEOMETRY_CYLINDERS) {
        Counts_scan(r, 2, counts);
        geometry_list.cyl_radius_count = Count_store(counts[0]);
        geometry_list.cyl_plane_count = Count_store(counts[1]);
        if (List_read(r, counts[0], geometry_list.cyl_radius) != 0 ||
            List_read(r, counts[1], geometry_list.cyl_plane_z) != 0)
            return -1;
    } else {
        Counts_scan(r, 3, counts);
        geometry_list.slab_x_count = Count_store(counts[0]);
        geometry_list.slab_y_count = Count_store(counts[1]);
        geometry_list.slab_z_count = Count_store(counts[2]);
        if (List_read(r, counts[0], geometry_list.slab_x) != 0 ||
            List_read(r, counts[1], geometry_list.slab_y) != 0 ||
            List_read(r, counts[2], geometry_list.slab_z) != 0)
            return -1;
    }
    // The closing line, normally GEND.  Another line is read as the closing
    // line, unless the caller takes it back (the line after a section that
    // lacks its closing line: the header line, say).
    if (Geometry_line_read(r) != 0)
        return -1;
    if (!Keyword_is(r, "GEND")) {
        report->closing_not_gend = 1;
        if (closing)
            std::snprintf(closing, closing_size, "%s", r->line);
    }
    return 0;
}
