#include "render/record_index.h"

#include <cstdio>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "picture/settings.h"
#include "picture/work_file.h"

RecordIndexSurface::RecordIndexSurface()
    : target(&plane), pen_style(PEN_SOLID), pen_width(1), current(0)
{
}

int RecordIndexSurface::create(int32_t width, int32_t height)
{
    if (plane.create(width, height) != 0)
        return -1;
    plane.clear(0);
    // Dash gaps leave what is under them, as on the screen.
    plane.set_background(0, 0);
    return 0;
}

void RecordIndexSurface::pen(int style, int width, Colour)
{
    pen_style = style;
    pen_width = width;
}

void RecordIndexSurface::move_to(int32_t x, int32_t y)
{
    target->move_to(x, y);
}

void RecordIndexSurface::line_to(int32_t x, int32_t y)
{
    target->pen(pen_style, pen_width, current);
    target->line_to(x, y);
}

void RecordIndexSurface::rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom, Colour)
{
    plane.pen(pen_style, pen_width, 0);
    plane.rectangle(left, top, right, bottom, 0);
}

void RecordIndexSurface::fill_rect(int32_t left, int32_t top, int32_t right, int32_t bottom, Colour)
{
    plane.fill_rect(left, top, right, bottom, 0);
}

void RecordIndexSurface::text(int32_t, int32_t, const char *, int, Colour)
{
}

void RecordIndexSurface::set_origin(int32_t x, int32_t y)
{
    plane.set_origin(x, y);
}

void RecordIndexSurface::record(uint64_t index)
{
    current = index == RECORD_NONE ? 0 : static_cast<uint32_t>(index % RECORD_CODE_SPAN + 1);
}

class RecordIndexLanes : public SurfaceLanes {
public:
    RecordIndexLanes(RecordIndexSurface *base_in, SurfaceLanes *plane_lanes_in)
        : base(base_in), plane_lanes(plane_lanes_in)
    {
    }
    Surface *lane(int index) override
    {
        return index == 0 ? static_cast<Surface *>(base)
                          : others[static_cast<size_t>(index - 1)].get();
    }
    void merge(int index) override { plane_lanes->merge(index); }
    bool lost(int index) const override { return plane_lanes->lost(index); }

    RecordIndexSurface *base;
    std::unique_ptr<SurfaceLanes> plane_lanes;
    std::vector<std::unique_ptr<RecordIndexSurface>> others;
};

SurfaceLanes *RecordIndexSurface::lanes(int count, PixelRect area)
{
    if (target != &plane)
        return nullptr; // a lane itself
    SurfaceLanes *plane_lanes = plane.lanes(count, area);
    if (!plane_lanes)
        return nullptr;
    std::unique_ptr<RecordIndexLanes> lanes(new (std::nothrow) RecordIndexLanes(this, plane_lanes));
    if (!lanes) {
        delete plane_lanes;
        return nullptr;
    }
    for (int k = 1; k < count; k++) {
        std::unique_ptr<RecordIndexSurface> other(new (std::nothrow) RecordIndexSurface());
        if (!other)
            return nullptr;
        other->target = plane_lanes->lane(k);
        other->pen_style = pen_style;
        other->pen_width = pen_width;
        lanes->others.push_back(std::move(other));
    }
    return lanes.release();
}

uint32_t RecordIndexSurface::code(int32_t x, int32_t y) const
{
    if (x < 0 || y < 0 || x >= plane.width() || y >= plane.height())
        return 0;
    return plane.pixel(x, y);
}

uint32_t RecordIndexSurface::code_near(int32_t x, int32_t y, int32_t radius) const
{
    for (int32_t r = 0; r <= radius; r++)
        for (int32_t dy = -r; dy <= r; dy++)
            for (int32_t dx = -r; dx <= r; dx++) {
                if (dx != -r && dx != r && dy != -r && dy != r)
                    continue; // inside the ring: seen already
                uint32_t c = code(x + dx, y + dy);
                if (c != 0)
                    return c;
            }
    return 0;
}

int Record_read(uint64_t index, StepRecord *record)
{
    char path[WORK_PATH_SIZE];
    Work_path(path, sizeof path);
    WorkSource source;
    if (Work_source_open(&source, path) != 0)
        return -1;
    ScaledStep cm; // divided by 1: in cm
    int64_t got = WorkReader(&source).read(index, &cm, 1, 1.0);
    Work_source_close(&source);
    if (got != 1)
        return -1;
    *record = StepRecord{cm.batch, cm.kind, cm.x, cm.y, cm.z, cm.energy};
    return 0;
}

void Record_describe(const StepRecord &r, char *text, size_t size)
{
    const char *kind = r.kind == KIND_PHOTON     ? "photon"
                       : r.kind == KIND_ELECTRON ? "electron"
                       : r.kind == KIND_POSITRON ? "positron"
                                                 : "separator";
    std::snprintf(text, size, "%s, batch %d\n%.4g MeV\nx %.4g  y %.4g  z %.4g cm", kind,
                  static_cast<int>(r.batch), static_cast<double>(r.energy), r.x, r.y, r.z);
}
