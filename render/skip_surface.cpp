#include "render/skip_surface.h"

#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "picture/work_threads.h"

namespace {

// Shadow pixels that equal no colour: drawing writes 24-bit colours only.
const Colour UNKNOWN = 0xFF000000u;

bool Thin_solid(int style, int width)
{
    return (style == PEN_SOLID || style == PEN_INSIDEFRAME) && width >= -1 && width <= 1;
}

} // namespace

SkipSurface::SkipSurface(Surface *target_in, PixelRect area)
    : target(target_in), shadowed(false), area_left(area.left), area_top(area.top), origin_x(0),
      origin_y(0), want(), sent(), pen_wanted(false), pen_sent(false), at_x(0), at_y(0),
      target_at(false), passed(0), left_out(0)
{
    int64_t width = static_cast<int64_t>(area.right) - area.left;
    int64_t height = static_cast<int64_t>(area.bottom) - area.top;
    if (width >= 1 && height >= 1 && width <= RASTER_MAX_SIDE && height <= RASTER_MAX_SIDE)
        shadowed = shadow.create(static_cast<int32_t>(width), static_cast<int32_t>(height)) == 0;
    shadow.watch_changes(true);
    // The target's logical (0, 0) lies at device (0, 0) until set_origin
    // says otherwise.
    shadow.set_origin(-area_left, -area_top);
    forget();
}

void SkipSurface::forget()
{
    shadow.clear(UNKNOWN);
}

void SkipSurface::target_catch_up()
{
    if (pen_wanted && (!pen_sent || want.style != sent.style || want.width != sent.width ||
                       want.colour != sent.colour)) {
        target->pen(want.style, want.width, want.colour);
        sent = want;
        pen_sent = true;
    }
    if (!target_at) {
        target->move_to(at_x, at_y);
        target_at = true;
    }
}

void SkipSurface::pen(int style, int width, Colour colour)
{
    shadow.pen(style, width, colour);
    // A style the platform does not know leaves the pen as it was.
    if (style < PEN_SOLID || style > PEN_INSIDEFRAME)
        return;
    want = Pen{style, width, colour};
    pen_wanted = true;
}

void SkipSurface::move_to(int32_t x, int32_t y)
{
    shadow.move_to(x, y);
    at_x = x;
    at_y = y;
    target_at = false;
}

void SkipSurface::line_to(int32_t x, int32_t y)
{
    bool thin_solid = pen_wanted && Thin_solid(want.style, want.width);
    if (thin_solid) {
        shadow.line_to(x, y);
        if (shadowed && !shadow.last_line_changed()) {
            at_x = x;
            at_y = y;
            target_at = false;
            left_out++;
            return;
        }
    } else {
        // Other pens (dashes with their gaps, wide pens) are not drawn in
        // the shadow: the pixels they may reach become unknown.
        int64_t reach = (pen_wanted ? std::abs(static_cast<int64_t>(want.width)) : 1) + 2;
        int64_t left = (at_x < x ? at_x : x) + static_cast<int64_t>(origin_x) - area_left;
        int64_t right = (at_x < x ? x : at_x) + static_cast<int64_t>(origin_x) - area_left;
        int64_t top = (at_y < y ? at_y : y) + static_cast<int64_t>(origin_y) - area_top;
        int64_t bottom = (at_y < y ? y : at_y) + static_cast<int64_t>(origin_y) - area_top;
        shadow.mark(left - reach, top - reach, right + reach + 1, bottom + reach + 1, UNKNOWN);
        shadow.move_to(x, y);
    }
    target_catch_up();
    target->line_to(x, y);
    at_x = x;
    at_y = y;
    passed++;
}

void SkipSurface::rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom,
                            Colour fill_colour)
{
    forget();
    target_catch_up();
    target->rectangle(left, top, right, bottom, fill_colour);
}

void SkipSurface::fill_rect(int32_t left, int32_t top, int32_t right, int32_t bottom, Colour colour)
{
    forget();
    target->fill_rect(left, top, right, bottom, colour);
}

void SkipSurface::text(int32_t x, int32_t y, const char *text, int length, Colour colour)
{
    forget();
    target->text(x, y, text, length, colour);
}

void SkipSurface::set_origin(int32_t x, int32_t y)
{
    origin_x = x;
    origin_y = y;
    shadow.set_origin(x - area_left, y - area_top);
    target->set_origin(x, y);
}

namespace {

// The lines a lane passes on, kept to be drawn later on another surface,
// at most core_tuning.skip_recording_max of them: beyond that, or when memory runs out,
// the recording is given up (lost) and its memory freed.  Lanes draw only
// lines; their origin is that of the surface they merge into.
class LineRecording : public Surface {
public:
    LineRecording() : dropped(false) {}
    void pen(int style, int width, Colour colour) override
    {
        keep(Op{OP_PEN, style, width, colour});
    }
    void move_to(int32_t x, int32_t y) override { keep(Op{OP_MOVE, x, y, 0}); }
    void line_to(int32_t x, int32_t y) override { keep(Op{OP_LINE, x, y, 0}); }
    bool lost() const { return dropped; }
    void rectangle(int32_t, int32_t, int32_t, int32_t, Colour) override {}
    void fill_rect(int32_t, int32_t, int32_t, int32_t, Colour) override {}
    void text(int32_t, int32_t, const char *, int, Colour) override {}
    void set_origin(int32_t, int32_t) override {}

    void replay(Surface *to) const
    {
        for (const Op &op : ops) {
            if (op.what == OP_PEN)
                to->pen(op.a, op.b, op.colour);
            else if (op.what == OP_MOVE)
                to->move_to(op.a, op.b);
            else
                to->line_to(op.a, op.b);
        }
    }

private:
    enum { OP_PEN, OP_MOVE, OP_LINE };
    struct Op {
        int32_t what;
        int32_t a;
        int32_t b;
        Colour colour;
    };
    void keep(const Op &op)
    {
        if (dropped)
            return;
        if (ops.size() < core_tuning.skip_recording_max) {
            try {
                ops.push_back(op);
                return;
            } catch (const std::bad_alloc &) {
            }
        }
        dropped = true;
        std::vector<Op>().swap(ops);
    }

    std::vector<Op> ops;
    bool dropped;
};

class SkipLanes : public SurfaceLanes {
public:
    explicit SkipLanes(SkipSurface *base_in) : base(base_in) {}

    Surface *lane(int index) override
    {
        return index == 0 ? static_cast<Surface *>(base)
                          : others[static_cast<size_t>(index - 1)].get();
    }

    void merge(int index) override { recordings[static_cast<size_t>(index - 1)]->replay(base); }
    bool lost(int index) const override
    {
        return recordings[static_cast<size_t>(index - 1)]->lost();
    }

    SkipSurface *base;
    std::vector<std::unique_ptr<LineRecording>> recordings;
    std::vector<std::unique_ptr<SkipSurface>> others;
};

} // namespace

SurfaceLanes *SkipSurface::lanes(int count, PixelRect)
{
    if (count < 2 || !shadowed)
        return nullptr;
    std::unique_ptr<SkipLanes> lanes(new SkipLanes(this));
    const PixelRect area = {area_left, area_top, area_left + shadow.width(),
                            area_top + shadow.height()};
    for (int k = 1; k < count; k++) {
        lanes->recordings.emplace_back(new LineRecording());
        lanes->others.emplace_back(new SkipSurface(lanes->recordings.back().get(), area));
        SkipSurface &lane = *lanes->others.back();
        if (!lane.shadowed)
            return nullptr;
        lane.set_origin(origin_x, origin_y);
    }
    return lanes.release();
}
