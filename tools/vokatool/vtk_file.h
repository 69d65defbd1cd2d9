// VTK XML PolyData files (.vtp) of polylines, with their data arrays in one
// appended block (raw, or base64 where asked), and the multiblock file
// (.vtm) that names several of them; for vokatool export.
#ifndef VOKA_TOOLS_VTK_FILE_H
#define VOKA_TOOLS_VTK_FILE_H

#include <cstdint>
#include <cstdio>
#include <vector>

enum VtkType { VTK_UINT8, VTK_INT32, VTK_INT64, VTK_FLOAT32, VTK_FLOAT64 };

// One data array: `count` values of `type` (components included) at
// `values`; nullptr values stand for 0, 1, 2, ... (a connectivity that
// takes every point in order).
struct VtkArray {
    const char *name;
    int type; // VtkType
    int components;
    const void *values;
    uint64_t count;
};

// Polylines in cm: the points (as 32-bit reals, as ParaView keeps them: finer
// than the picture files' own steps), and where each line ends (its last point + 1,
// counted from the first point of the first line), with the data of the
// points and of the lines (cells).
struct Polylines {
    std::vector<float> points; // x, y, z of each point
    std::vector<int64_t> ends;
    std::vector<VtkArray> point_data;
    std::vector<VtkArray> cell_data;

    uint64_t Point_count() const { return points.size() / 3; }
    // Start a line at (x, y, z) / add a point to the last line.
    void Begin(double x, double y, double z);
    void Add(double x, double y, double z);
};

// Write `lines` as a .vtp file to `file`, the arrays base64-encoded when
// `base64`; `comment` goes into an XML comment.  Returns 0, or -1 when a
// write failed.
int Vtp_write(FILE *file, const Polylines &lines, bool base64, const char *comment);

// Write a .vtm file naming the blocks `names[i]` in the files `files[i]`
// (paths relative to the .vtm file's folder).  Returns 0, or -1.
int Vtm_write(FILE *file, const char *const *names, const char *const *files, int count);

#endif
