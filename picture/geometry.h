// The geometry list: the target described at the head of every picture
// file, either coaxial cylinders cut by planes across their axis or a
// rectilinear grid of slabs, and its reader Geometry_read.
//
// Section syntax (text; keywords compared on the first four characters;
// lines end at a LF, a CR LF or a CR alone; a UTF-8 byte-order mark before
// GSTA is skipped):
//   GSTA
//   CYLS | SLAB | GEND          (GEND: no geometry, the section ends here)
//   counts  "%6i%6i" (radii, z planes) or "%6i%6i%6i" (x, y, z boundaries)
//   each list: four values to a line in 15-column fields, ceil(n/4) lines;
//            each field holds one number and blanks, or the section is
//            refused (a number of a wider field is never read in pieces)
//   closing line (normally GEND)
#ifndef VOKA_GEOMETRY_H
#define VOKA_GEOMETRY_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

enum { GEOMETRY_NONE = 0, GEOMETRY_CYLINDERS = 1, GEOMETRY_SLABS = 2 };
constexpr int GEOMETRY_LIST_MAX = 100;
constexpr int GEOMETRY_LINE_SIZE = 1024;
constexpr size_t GEOMETRY_FIELD_WIDTH = 15;

// The list of the last section read: its kind, and per kind the counts
// (each at most GEOMETRY_LIST_MAX) and values in cm.
struct GeometryList {
    int16_t kind; // GEOMETRY_NONE, GEOMETRY_CYLINDERS, GEOMETRY_SLABS
    int16_t cyl_radius_count;
    int16_t cyl_plane_count;
    float cyl_radius[GEOMETRY_LIST_MAX];
    float cyl_plane_z[GEOMETRY_LIST_MAX];
    int16_t slab_x_count;
    int16_t slab_y_count;
    int16_t slab_z_count;
    float slab_x[GEOMETRY_LIST_MAX];
    float slab_y[GEOMETRY_LIST_MAX];
    float slab_z[GEOMETRY_LIST_MAX];
};
extern GeometryList geometry_list;

// What one Geometry_read met: values read and dropped because a count
// exceeded GEOMETRY_LIST_MAX (the count itself is stored clamped to
// GEOMETRY_LIST_MAX), the lines it took from its stream, and why it failed,
// on the last of those lines (nullptr when it did not).
struct GeometryReport {
    int32_t values_dropped;
    int32_t lines;
    const char *problem;
    int32_t closing_not_gend; // 1: the closing line (the last line) is not GEND
};

// Read one geometry section from `stream` (the picture file during a
// conversion, or the geometry file while its geometry is drawn) into the
// geometry list.  Returns 0 with the stream on the line after the section,
// or -1 when the first line cannot be read or is not "GSTA", when the kind
// line is none of CYLS, SLAB, GEND, when a line is longer than
// GEOMETRY_LINE_SIZE - 1 characters, when a value field is not one finite
// number ("inf", "nan", beyond the range of a float, a field of blanks, a
// piece of a wider number: each would be a wrong picture without a word),
// or when the stream ends before the section does (values already read
// stay stored).  Shows no message; `report` says what it met.  A closing
// line other than GEND is consumed; when `closing` is given, its text (no
// line end) is copied there, `closing_size` bytes at most, so that the
// caller can take it as the line after a section without its closing line.
int Geometry_read(FILE *stream, GeometryReport *report, char *closing = nullptr,
                  size_t closing_size = 0);

// Convert the first `count` (at most 4) 15-column fields of one line (no
// line end) into list[0 .. count - 1].  Returns VALUE_READ, or why a field
// cannot be read (the values before it are stored).
enum { VALUE_READ = 0, VALUE_BLANK = 1, VALUE_NOT_NUMBER = 2, VALUE_NOT_FINITE = 3 };
int Values_read(const char *line, float *list, int count);

#endif
