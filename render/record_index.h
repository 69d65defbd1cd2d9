// The record index of the picture: which step record drew each pixel of
// the picture area last, so that the window can say what a line is (its
// particle, batch, energy and position).  The index is a plane of 32-bit
// values, 4 bytes a pixel, made by drawing the picture once more on a
// surface that writes, instead of a track line's colour, the code of the
// record that draws it: its index modulo RECORD_CODE_SPAN, + 1 (0: no
// track), which the 24 bits of a colour hold.
// What covers the tracks in the picture (the geometry, the guide mark, the
// colour bar) writes 0 there too.
#ifndef VOKA_RECORD_INDEX_H
#define VOKA_RECORD_INDEX_H

#include <cstddef>
#include <cstdint>

#include "picture/defs.h"
#include "picture/picture.h"
#include "render/raster_surface.h"
#include "render/surface.h"

class RecordIndexSurface : public Surface {
public:
    RecordIndexSurface();

    // A plane of width x height device pixels, all 0.  Returns 0 or -1.
    int create(int32_t width, int32_t height);

    void pen(int style, int width, Colour colour) override;
    void move_to(int32_t x, int32_t y) override;
    void line_to(int32_t x, int32_t y) override;
    void rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom,
                   Colour fill_colour) override;
    void fill_rect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                   Colour colour) override;
    // Text leaves the index as it is (the tracks show through it).
    void text(int32_t x, int32_t y, const char *text, int length, Colour colour) override;
    void set_origin(int32_t x, int32_t y) override;
    bool record_wanted() const override { return true; }
    void record(uint64_t index) override;
    // This surface is lane 0; every other lane a record-index surface
    // drawing on a lane of the plane (see RasterSurface::lanes), so that
    // the index is made on every core with the codes of one thread.
    SurfaceLanes *lanes(int count, PixelRect area) override;

    // The code at device pixel (x, y): 0 for none or outside the plane.
    uint32_t code(int32_t x, int32_t y) const;

    // The code nearest to device pixel (x, y), at most `radius` pixels away
    // along either axis (the nearest ring first; on a ring, from the top
    // left); 0 when there is none.
    uint32_t code_near(int32_t x, int32_t y, int32_t radius) const;

private:
    friend class RecordIndexLanes;

    RasterSurface plane;
    Surface *target; // where the lines go: the plane, or a lane of another's
    int pen_style;
    int pen_width;
    uint32_t current; // the code of the record drawing now
};

// The indices that a code stands for: code - 1, and for pictures of more
// than RECORD_CODE_SPAN records that plus every multiple of it.
const uint64_t RECORD_CODE_SPAN = 0xFFFFFF;
inline uint64_t Record_code_first(uint32_t code)
{
    return static_cast<uint64_t>(code) - 1;
}

// Read record `index` of the last conversion (from the step copy when it
// stands for the work file, else from the work file), coordinates in cm.
// Returns 0, or -1 when it cannot be read.
int Record_read(uint64_t index, StepRecord *record);

// What the window shows for a record: its particle and batch, its kinetic
// energy, and its point in cm, on three lines.
void Record_describe(const StepRecord &record, char *text, size_t size);

#endif
