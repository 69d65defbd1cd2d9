// The rebuild's faster paths must not change a pixel: the steps kept in
// memory against the work file, and the skipping surface against drawing
// every line.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "picture/display.h"
#include "picture/picture.h"
#include "picture/settings.h"
#include "picture/step_copy.h"
#include "render/headless.h"
#include "render/layout.h"
#include "render/picture_paint.h"
#include "render/skip_surface.h"
#include "render/view.h"
#include "test_support.h"
#include "tools/vokasim/vokasim.h"

namespace {

class FastPaths : public PictureTest {
protected:
    void SetUp() override
    {
        PictureTest::SetUp();
        settings.particle_color[PARTICLE_PHOTON] = 0x0000FF00u;
        settings.particle_color[PARTICLE_POSITRON] = 0x00FF0000u;
        geometry_enabled = geometry_pending = 1;
        Layout_compute(LAYOUT_FROM_WINDOW, 640, 410);
    }
    void TearDown() override
    {
        step_copy_budget = STEP_COPY_BUDGET;
        batch_from = batch_to = 0;
        angle_x = angle_y = angle_z = 0;
        PictureTest::TearDown();
    }

    // A shower of vokasim in the given layout, its batches in reverse order
    // when `reversed`.
    std::string Shower(int layout, bool reversed)
    {
        SimOptions o;
        Sim_options_default(&o);
        o.energy = 30;
        o.histories = 12;
        o.per_batch = 3;
        o.seed = 5;
        o.layout = layout;
        char why[160] = "";
        EXPECT_EQ(Sim_run_prepare(&o, why, sizeof why), 0) << why;
        SimCounts counts;
        FILE *out = std::fopen(scratch.file("g.pic").c_str(), "w");
        EXPECT_EQ(Sim_run_all(&o, out, &counts), 0);
        std::fclose(out);
        std::string text = scratch.read("g.pic");
        if (!reversed)
            return text;
        size_t first = text.find("\n0    1\n") + 1;
        std::string head = text.substr(0, first), batches;
        for (size_t end = text.size(), at; end > first; end = at) {
            at = text.rfind("\n0 ", end - 2) + 1;
            batches += text.substr(at, end - at);
        }
        return head + batches;
    }

    // Each record of the copy, coordinates divided by d, is the work file's
    // to the last bit.
    static void Expect_copy_holds_the_work_file(const std::string &work, double d)
    {
        const std::string bytes = File_read(work);
        const size_t n = bytes.size() / STEP_RECORD_SIZE;
        std::vector<StepRecord> copy(n + 1);
        ASSERT_EQ(Step_copy_read(0, copy.data(), n + 1, d), n);
        for (size_t i = 0; i < n; i++) {
            StepRecord r, &c = copy[i];
            Step_decode(reinterpret_cast<const uint8_t *>(bytes.data()) + i * STEP_RECORD_SIZE, &r);
            const double file[4] = {r.x / d, r.y / d, r.z / d, r.energy}, kept[4] = {c.x, c.y, c.z, c.energy};
            ASSERT_TRUE(r.batch == c.batch && r.kind == c.kind && std::memcmp(file, kept, sizeof file) == 0)
                << "record " << i;
        }
    }

    // The pictures of a few views: full, turned, zoomed, a batch range and
    // the newest batch of a calculation.
    std::vector<std::vector<Colour>> Views()
    {
        std::vector<std::vector<Colour>> shown;
        struct View {
            int16_t turn;
            int32_t from, to;
            int render_mode, calc;
        } views[] = {{0, 0, 0, RENDER_FULL, 0},
                     {35, 0, 0, RENDER_FULL, 0},
                     {35, 0, 0, RENDER_ZOOM, 0},
                     {0, 2, 3, RENDER_FULL, 0},
                     {0, 0, 0, RENDER_FULL, 1}};
        for (const View &v : views) {
            angle_x = angle_z = v.turn;
            batch_from = v.from;
            batch_to = v.to;
            view_state = ViewState{};
            RasterSurface image;
            EXPECT_EQ(Headless_render(nullptr, &image, RENDER_FULL, v.calc, v.calc), 0);
            if (v.render_mode == RENDER_ZOOM) {
                zoom_rect = PixelRect{300, 180, 330, 200};
                EXPECT_EQ(Headless_render(nullptr, &image, RENDER_ZOOM, 0, 0), 0);
            }
            shown.emplace_back(image.pixels(), image.pixels() + image.width() * image.height());
        }
        return shown;
    }
};

// In every coordinate layout, with the batches in and out of order: the
// copy holds the work file's records exactly, and the pictures drawn from
// memory are those drawn from the work file, which a copy over its budget
// leaves as the only source.
TEST_F(FastPaths, StepsInMemoryDrawTheWorkFilesPicture)
{
    const std::string work = scratch.file("work.$$$");
    for (int layout : {SIM_LAYOUT_SHORT, SIM_LAYOUT_LONG, SIM_LAYOUT_FLOAT}) {
        for (bool reversed : {false, true}) {
            SCOPED_TRACE(testing::Message() << "layout " << layout << (reversed ? ", reversed" : ""));
            const std::string text = Shower(layout, reversed);
            step_copy_budget = STEP_COPY_BUDGET;
            ASSERT_EQ(Run(text), 0) << messages.texts();
            EXPECT_EQ(batches_unordered, reversed ? 1u : 0u);
            EXPECT_TRUE(Step_copy_matches(work.c_str()));
            Expect_copy_holds_the_work_file(work, 0.0123);
            std::vector<std::vector<Colour>> from_memory = Views();

            step_copy_budget = 100 * STEP_COPY_RECORD_SIZE;
            ASSERT_EQ(Run(text), 0);
            ASSERT_FALSE(Step_copy_matches(work.c_str()));
            std::vector<std::vector<Colour>> from_file = Views();
            for (size_t v = 0; v < from_file.size(); v++)
                EXPECT_TRUE(from_memory[v] == from_file[v]) << "view " << v;
            EXPECT_FALSE(from_file[0] == from_file[1]);
        }
    }
}

// A work file written again since the conversion (by a second viewer with
// the same work directory) is drawn from, not the copy of the old one.
TEST_F(FastPaths, WorkFileWrittenSinceIsDrawnFrom)
{
    const std::string work = scratch.file("work.$$$");
    ASSERT_EQ(Run(Shower(SIM_LAYOUT_SHORT, false)), 0);
    ASSERT_TRUE(Step_copy_matches(work.c_str()));
    std::filesystem::last_write_time(work, std::filesystem::last_write_time(work) - std::chrono::hours(1));
    EXPECT_FALSE(Step_copy_matches(work.c_str()));
}

// The picture file is read in binary with the conventions of a text file
// applied by the reader: CR LF ends a line, a Ctrl-Z ends the file.
TEST_F(FastPaths, TextConventionsOfTheReader)
{
    const std::string work = scratch.file("work.$$$");
    const std::string plain = Shower(SIM_LAYOUT_SHORT, false);
    ASSERT_EQ(Run(plain), 0);
    const std::string expected = File_read(work);
    std::string dos;
    for (char c : plain)
        dos += c == '\n' ? std::string("\r\n") : std::string(1, c);
    ASSERT_EQ(Run(dos + "\x1A" + "250000500005000010003\n"), 0);
    EXPECT_TRUE(File_read(work) == expected);
}

// No-op confinement: the images are compared whole.
void Keep_all(void *, const PixelRect *) {}

// Through the skipping surface in front of a raster surface, a dense picture
// comes out as drawing every line gives it, whatever the pens (dashes and
// wide pens between the thin solid ones, the title and guide over them), and
// most of its lines are left out.
TEST_F(FastPaths, SkippingSurfaceLeavesThePixelsAsTheyWere)
{
    ASSERT_EQ(Run(Shower(SIM_LAYOUT_SHORT, false)), 0);
    title_shown = guide_shown = 1;
    Text_copy(settings.title_text, sizeof settings.title_text, "shower");
    struct Pens {
        int style[3];
        int width[3];
    } cases[] = {{{PEN_SOLID, PEN_SOLID, PEN_SOLID}, {1, 1, 0}},
                 {{PEN_SOLID, PEN_DOT, PEN_DASHDOT}, {1, 1, 1}},
                 {{PEN_SOLID, PEN_INSIDEFRAME, PEN_SOLID}, {1, -1, 3}}};
    for (const Pens &c : cases) {
        // Pixels near a dashed or wide line are not the colour of its pen:
        // a thin solid line of that colour over them must still be drawn.
        const Colour colours[3] = {0x0000FFFFu, 0x00FF00FFu, 0x0000FFFFu};
        for (int i = 0; i < 3; i++) {
            settings.particle_pen_style[i] = c.style[i];
            settings.particle_pen_width[i] = c.width[i];
            settings.particle_color[i] = colours[i];
        }
        const int32_t w = layout.bitmap_w, h = layout.bitmap_h;
        RasterSurface every, behind;
        ASSERT_EQ(every.create(w, h), 0);
        ASSERT_EQ(behind.create(w, h), 0);
        view_state = ViewState{};
        Headless_paint(nullptr, &every, Keep_all, nullptr, RENDER_FULL, 0, 0, 1);
        SkipSurface skipping(&behind, PixelRect{0, 0, w, h});
        view_state = ViewState{};
        Headless_paint(nullptr, &skipping, Keep_all, nullptr, RENDER_FULL, 0, 0, 1);
        EXPECT_TRUE(std::equal(every.pixels(), every.pixels() + w * h, behind.pixels()))
            << "pens " << c.style[1] << " " << c.style[2];
        EXPECT_GT(skipping.lines_left_out(), skipping.lines_passed());
    }
    title_shown = guide_shown = 0;
}

} // namespace
