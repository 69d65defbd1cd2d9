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

// Read one line; -1 at the end of the stream or when the line does not fit
// the buffer (the rest of it would be taken as the next line of the section).
int Geometry_line_read(GeometryReader *r)
{
    if (!std::fgets(r->line, sizeof r->line, r->stream)) {
        r->report->problem = "the file ends inside the geometry section";
        return -1;
    }
    r->report->lines++;
    if (std::strchr(r->line, '\n') != nullptr)
        return 0;
    int next = std::fgetc(r->stream); // a line that exactly fills the buffer
    if (next == '\n' || next == EOF)
        return 0;
    r->report->problem = "a line longer than the reader's 1023 characters";
    return -1;
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
    for (int first = 0; first < n; first += 4) {
        if (Geometry_line_read(r) != 0)
            return -1;
        int count = n - first < 4 ? n - first : 4;
        float values[4];
        if (Values_read(r->line, values, count) != 0) {
            r->report->problem = "a value that is not a finite number";
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

} // namespace

int Values_read(const char *line, float *list, int count)
{
    int result = 0;
    size_t length = std::strlen(line);
    for (int k = 0; k < count && k < 4; k++) {
        size_t start = static_cast<size_t>(k) * GEOMETRY_FIELD_WIDTH;
        char field[GEOMETRY_FIELD_WIDTH + 1];
        size_t n = 0;
        if (start < length) {
            n = length - start < GEOMETRY_FIELD_WIDTH ? length - start : GEOMETRY_FIELD_WIDTH;
            std::memcpy(field, line + start, n);
        }
        field[n] = '\0';
        // A field without a number gives 0.
        double value = 0.0;
        if (Value_field_scan(field, n, &value) != 0 || !std::isfinite(static_cast<float>(value)))
            result = -1;
        list[k] = static_cast<float>(value);
    }
    return result;
}

int Geometry_read(FILE *stream, GeometryReport *report)
{
    *report = GeometryReport{0, 0, nullptr};
    GeometryReader reader;
    reader.stream = stream;
    reader.report = report;
    GeometryReader *r = &reader;
    if (Geometry_line_read(r) != 0 || !Keyword_is(r, "GSTA")) {
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
    return Geometry_line_read(r); // the closing line, whatever it holds
}
