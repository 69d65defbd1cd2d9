// The renderers, seen through a surface that writes every call down: the line
// primitive's limiting, the track states (pens, hidden kinds, cut-offs, batch
// ranges, the newest batch), the scale bar, the geometry passes and the
// annotations.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "picture/display.h"
#include "picture/geometry.h"
#include "picture/picture.h"
#include "picture/settings.h"
#include "picture/step_copy.h"
#include "render/annotations.h"
#include "render/energy_colour.h"
#include "render/frame_palette.h"
#include "render/geometry_draw.h"
#include "render/layout.h"
#include "render/line_draw.h"
#include "render/track.h"
#include "render/view.h"
#include "test_support.h"

namespace {

// Writes down lines, rectangles and texts, one text line each, with the pen
// in force; pen and move calls are only counted.
class Recorder : public Surface {
public:
    std::string drawn;
    int pens = 0, lines = 0, texts = 0;

    void pen(int s, int w, Colour c) override
    {
        in_force = " pen " + Num(s) + " " + Num(w) + " " + Hex(c), pens++;
    }
    void move_to(int32_t x, int32_t y) override { at = Num(x) + " " + Num(y); }
    void line_to(int32_t x, int32_t y) override
    {
        std::string to = Num(x) + " " + Num(y);
        drawn += "line " + at + " " + to + in_force + "\n";
        at = to, lines++;
    }
    void rectangle(int32_t l, int32_t t, int32_t r, int32_t b, Colour fill) override
    {
        drawn += "rect " + Num(l) + " " + Num(t) + " " + Num(r) + " " + Num(b) + " fill " +
                 Hex(fill) + in_force + "\n";
    }
    void fill_rect(int32_t l, int32_t t, int32_t r, int32_t b, Colour c) override
    {
        drawn +=
            "fill " + Num(l) + " " + Num(t) + " " + Num(r) + " " + Num(b) + " " + Hex(c) + "\n";
    }
    void text(int32_t x, int32_t y, const char *t, int n, Colour c) override
    {
        drawn += "text " + Num(x) + " " + Num(y) + " " + Hex(c) + " \"" +
                 std::string(t, static_cast<size_t>(n)) + "\"\n";
        texts++;
    }
    void set_origin(int32_t, int32_t) override {}

private:
    static std::string Num(int32_t v) { return std::to_string(v); }
    static std::string Hex(Colour c)
    {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%06X", c);
        return hex;
    }
    std::string at = "0 0", in_force = " pen 0 0 000000";
};

TEST(LineDraw, LimitsToTheSquare)
{
    struct Case {
        int32_t x1, x2, y1, y2;
        const char *drawn; // "" when nothing is drawn
    } cases[] = {
        {10, 20, 5, 5, "line 10 5 20 5 pen 0 1 FF0000\n"},
        {1999, 1999, 0, 0, "line 1999 0 2000 0 pen 0 1 FF0000\n"}, // dot
        {2000, 2000, 0, 0, ""},
        {-2000, -2000, 5, 5, ""},
        {0, 4000, 0, 1000, "line 0 0 2000 500 pen 0 1 FF0000\n"},
        {4000, 0, 1000, 0, "line 2000 500 0 0 pen 0 1 FF0000\n"},
        {2500, 2500, 0, 10, ""}, // vertical beyond x
        {0, 10, 2500, 2500, ""}, // horizontal beyond y
        {0, 0, -3000, 3000, "line 0 -2000 0 2000 pen 0 1 FF0000\n"},
        {-3000, 3000, 7, 7, "line -2000 7 2000 7 pen 0 1 FF0000\n"},
        {2000, -2000, 2000, -2000, "line 2000 2000 -2000 -2000 pen 0 1 FF0000\n"}, // exact
        {-2100, 2100, -2100, 2100, "line -2000 -2000 2000 2000 pen 0 1 FF0000\n"},
        // Nearly horizontal far away: the limited ends leave the 32-bit range.
        {-2001, 2147483647, 1000000000, 1000000001, ""},
        {100, 300, 100, 100000, "line 100 100 103 2000 pen 0 1 FF0000\n"},
    };
    Layout_compute(LAYOUT_FROM_WINDOW, 976, 410); // the largest window of the fixed square
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.x1 << "," << c.y1 << " - " << c.x2 << "," << c.y2);
        Recorder r;
        Line_draw(&r, c.x1, c.x2, c.y1, c.y2, PEN_SOLID, 1, 0x00FF0000u);
        EXPECT_EQ(r.drawn, c.drawn);
        EXPECT_EQ(r.pens, 1); // the pen is set on every path
    }
    // A larger window grows the square to its larger side + 1024.
    Layout_compute(LAYOUT_FROM_WINDOW, 3840, 2160);
    Recorder r;
    Line_draw(&r, 4863, 4863, 0, 0, PEN_SOLID, 1, 0x00FF0000u);
    Line_draw(&r, 4864, 4864, 0, 0, PEN_SOLID, 1, 0x00FF0000u);
    Line_draw(&r, 0, 9728, 0, 2432, PEN_SOLID, 1, 0x00FF0000u);
    EXPECT_EQ(r.drawn, "line 4863 0 4864 0 pen 0 1 FF0000\nline 0 0 4864 1216 pen 0 1 FF0000\n");
}

// A picture whose positions are easy to follow: 800 x 400 picture area, scene
// 8 cm wide, so 0.01 cm per pixel, the centre at (400, 200); z runs right
// (100 pixels per cm) and y up.
class Render : public PictureTest {
protected:
    void SetUp() override
    {
        PictureTest::SetUp();
        large_fonts = 0;
        view_state = ViewState{};
        Layout_compute(LAYOUT_FROM_WINDOW, 960, 460);
        display.batch_from = display.batch_to = 0;
        display.geometry_enabled = display.geometry_pending = 1;
        std::memset(display.geometry_path, 0, sizeof display.geometry_path);
    }
    void TearDown() override
    {
        display.show_electron = display.show_positron = display.show_photon = 1;
        PictureTest::TearDown();
    }

    // A short step line at (y, z) cm with the energy mantissa and digit.
    static std::string Step(int kind, double y, double z, const char *energy = "10003")
    {
        char line[32];
        std::snprintf(line, sizeof line, "%d%05d%05d%05d%s\n", kind, 50000,
                      static_cast<int>(50000 + y * 10000 + 0.5),
                      static_cast<int>(50000 + z * 10000 + 0.5), energy);
        return line;
    }

    void Load(const std::string &steps, const std::string &geometry = "GSTA\nGEND\n")
    {
        ASSERT_EQ(Run(geometry +
                      "      -4.0       4.0      -1.0       1.0      -4.0       4.0       1.0\n" +
                      steps),
                  0)
            << messages.texts();
    }

    int Draw(bool newest_batch_only = false, uint32_t stride = 1)
    {
        record = Recorder();
        int drawn = Track_draw(
            nullptr, RebuildRequest{&record, RENDER_FULL, newest_batch_only, stride},
            &view_state.view_scale, PixelRect{5, 5, layout.view_right, layout.view_bottom});
        if (drawn == 0)
            Picture_geometry_draw(nullptr, &record); // as the rebuild follows the tracks
        return drawn < 0 ? drawn : 0;
    }

    // The track segments drawn (the scale bar is the rebuild's, drawn over
    // them afterwards).
    std::string Tracks() { return record.drawn; }

    Recorder record;
};

TEST_F(Render, TracksWithTheirPens)
{
    settings.particle_color[PARTICLE_ELECTRON] = 0x000000FFu;
    settings.particle_pen_style[PARTICLE_PHOTON] = PEN_DASH;
    settings.particle_color[PARTICLE_PHOTON] = 0x0000FF00u;
    Load("0    1\n" + Step(2, 0, 0) + Step(2, 0, 1) + Step(2, 0.5, 1) + "-\n" + Step(1, 0, -1) +
         Step(1, -1, -1) + "-\n");
    ASSERT_EQ(Draw(), 0);
    EXPECT_EQ(view_state.view_scale, 0.01);
    EXPECT_EQ(Tracks(),
              "line 400 200 401 200 pen 0 1 0000FF\n" // the first point: a dot
              "line 400 200 500 200 pen 0 1 0000FF\n"
              "line 500 200 500 150 pen 0 1 0000FF\n"
              "line 300 200 301 200 pen 1 1 00FF00\n"
              "line 300 200 300 300 pen 1 1 00FF00\n");
}

// A hidden kind is passed over up to its separator; below the cut-off a
// segment is left out but its end point kept, so the track resumes there;
// an energy exactly at the cut-off is drawn, also at a track's first point.
TEST_F(Render, HiddenKindsAndCutOffsLeaveOutSegments)
{
    Text_copy(settings.charged_cutoff_text, sizeof settings.charged_cutoff_text, "0.5");
    Text_copy(settings.photon_cutoff_text, sizeof settings.photon_cutoff_text, "0.001");
    Load("0    1\n" + Step(3, 0, 0) + Step(3, 0, 1) + "-\n" + // positron, hidden
         Step(2, 0, 0, "10000") +                             // 1 MeV
         Step(2, 0, 1, "10000") +                             // 1 MeV: drawn
         Step(2, 0, 2, "04000") +                             // 0.4 MeV: left out
         Step(2, 0, 3, "05000") +                             // 0.5 MeV: drawn from z = 2
         "-\n" + Step(1, 0, -1, "00010"));                    // photon at its cut-off
    display.show_positron = 0;
    ASSERT_EQ(Draw(), 0);
    EXPECT_EQ(Tracks(), "line 400 200 401 200 pen 0 1 005ED5\n"
                        "line 400 200 500 200 pen 0 1 005ED5\n"
                        "line 600 200 700 200 pen 0 1 005ED5\n"
                        "line 300 200 301 200 pen 0 1 42E4F0\n");
}

// Batches 3 to 5 of 7: reading starts at batch 3 (found through the counts)
// and stops at the first record of batch 6; the same batches after a failed
// conversion.
TEST_F(Render, BatchRangeAndNewestBatch)
{
    std::string steps;
    for (int b = 1; b <= 7; b++)
        steps += "0    " + std::to_string(b) + "\n" + Step(2, 0, b * 0.25 - 2) + "-\n";
    Load(steps);
    display.batch_from = 3;
    display.batch_to = 5;
    ASSERT_EQ(Draw(), 0);
    EXPECT_EQ(Tracks(), "line 275 200 276 200 pen 0 1 005ED5\n"
                        "line 300 200 301 200 pen 0 1 005ED5\n"
                        "line 325 200 326 200 pen 0 1 005ED5\n");
    // A running calculation after Redraw: only the newest batch, whatever
    // the range says.
    ASSERT_EQ(Draw(true), 0);
    EXPECT_EQ(Tracks(), "line 375 200 376 200 pen 0 1 005ED5\n");
    display.batch_from = display.batch_to = 0;
    ASSERT_EQ(Draw(), 0);
    EXPECT_EQ(record.lines, 7); // a dot per batch
    // A failed conversion leaves the counts with the old work file, which is
    // drawn as before; counts that do not hold the file are no guide to it:
    // it is read whole, and still only batches 3 to 5 are drawn.
    display.batch_from = 3;
    display.batch_to = 5;
    ASSERT_EQ(Draw(), 0);
    const std::string range = Tracks();
    ASSERT_NE(Picture_convert_file(nullptr, "missing.pic", "work.$$$"), 0);
    ASSERT_EQ(work_file.batch_step_count[2], 2u);
    ASSERT_EQ(Draw(), 0);
    EXPECT_EQ(Tracks(), range);
    std::memset(work_file.batch_step_count, 0, sizeof work_file.batch_step_count);
    ASSERT_EQ(Draw(), 0);
    EXPECT_EQ(Tracks(), range);
}

// Coloured by energy: each segment (and a track's first point) takes the
// viridis colour of the energy at its end on a logarithmic scale, between
// the lowest and highest energy shown (cut-offs and hidden kinds count) or
// the limits set; pens keep their styles.
TEST_F(Render, ColourByEnergy)
{
    EXPECT_EQ(ENERGY_MAP[0], Colour_rgb(68, 1, 84)); // viridis' ends and middle
    EXPECT_EQ(ENERGY_MAP[128], Colour_rgb(33, 145, 140));
    EXPECT_EQ(ENERGY_MAP[255], Colour_rgb(253, 231, 37));
    settings.particle_pen_style[PARTICLE_ELECTRON] = PEN_DOT;
    Load("0    1\n" + Step(2, 0, 0, "10000") + Step(2, 0, 1, "10001") + Step(2, 0, 2, "10002") +
         "-\n" + Step(1, 0, -1, "10003") +
         "-\n"); // electron 1, 10, 100 MeV; photon 1000 MeV, hidden
    display.show_photon = 0;
    energy_colouring = EnergyColouring{1, 0, 0.0f, 0.0f};
    auto expect = [](std::initializer_list<int> entries) {
        const char *at[] = {"400 200 401 200", "400 200 500 200", "500 200 600 200"};
        std::string lines;
        size_t k = 3 - entries.size();
        for (int e : entries) {
            char line[64];
            std::snprintf(line, sizeof line, "line %s pen 2 1 %06X\n", at[k++], ENERGY_MAP[e]);
            lines += line;
        }
        return lines;
    };
    ASSERT_EQ(Draw(), 0);
    EXPECT_EQ(Tracks(), expect({0, 128, 255}));
    Text_copy(settings.charged_cutoff_text, sizeof settings.charged_cutoff_text, "5");
    ASSERT_EQ(Draw(), 0);
    EXPECT_EQ(Tracks(), expect({0, 255}));
    energy_colouring = EnergyColouring{1, 1, 0.1f, 100.0f};
    ASSERT_EQ(Draw(), 0);
    EXPECT_EQ(Tracks(), expect({170, 255}));
    EnergyScale scale = Energy_scale(0.1f, 1000.0f);
    EXPECT_EQ(Energy_index(scale, 0.0f), 0);
    EXPECT_EQ(Energy_index(scale, 1e9f), 255);
    EXPECT_EQ(Energy_index(scale, 1.0f), 64);
    // The colour bar runs from the map's first entry to its last.
    Recorder bar;
    Energy_bar_draw(&bar, scale, 10, 20, 128, 8, 40, 64, 0);
    char ends[2][48];
    std::snprintf(ends[0], sizeof ends[0], "fill 10 20 11 28 %06X\n", ENERGY_MAP[0]);
    std::snprintf(ends[1], sizeof ends[1], "fill 137 20 138 28 %06X\n", ENERGY_MAP[255]);
    EXPECT_EQ(bar.drawn.find(ends[0]), 0u);
    EXPECT_EQ(bar.drawn.find(ends[1]), bar.drawn.rfind("fill"));
    // The legend panel names the kinds e- e+ ph; before any picture has
    // been drawn (no scale yet) it has no colour bar, afterwards it has.
    const EnergyScale drawn = energy_scale_drawn;
    display.show_photon = 1;
    char first_column[48];
    std::snprintf(first_column, sizeof first_column, "fill 6 4 7 14 %06X\n", ENERGY_MAP[0]);
    for (bool before : {true, false}) {
        energy_scale_drawn = before ? EnergyScale{} : drawn;
        Recorder legend;
        Legend_panel_draw(&legend, PixelRect{0, 0, 140, 70});
        EXPECT_EQ(legend.drawn.find(first_column) != std::string::npos, !before) << legend.drawn;
        for (const char *name : {"\"e-\"", "\"e+\"", "\"ph\""})
            EXPECT_NE(legend.drawn.find(name), std::string::npos) << name;
    }
    energy_colouring = EnergyColouring{0, 0, 0.0f, 0.0f};
}

// A preview draws every stride-th track, each whole, from the step copy
// (passing over the others by their separators) and from the work file.
TEST_F(Render, PreviewStride)
{
    std::string steps = "0    1\n", expected;
    for (int z = -3; z <= 3; z++) {
        steps += Step(2, 0, z) + Step(2, 0.5, z) + Step(2, 1, z) + "-\n";
        if ((z + 3) % 3 == 0) {
            std::string x = std::to_string(400 + 100 * z), x1 = std::to_string(401 + 100 * z);
            expected += "line " + x + " 200 " + x1 + " 200 pen 0 1 005ED5\n" + "line " + x +
                        " 200 " + x + " 150 pen 0 1 005ED5\n" + "line " + x + " 150 " + x +
                        " 100 pen 0 1 005ED5\n";
        }
    }
    for (uint64_t budget : {STEP_COPY_MACHINE, uint64_t{0}}) {
        core_tuning.copy_budget = budget;
        Load(steps);
        ASSERT_EQ(Draw(false, 3), 0);
        EXPECT_EQ(Tracks(), expected) << "budget " << budget;
    }
    core_tuning.copy_budget = STEP_COPY_MACHINE;
}

// With every kind hidden nothing is drawn, not even the geometry; an empty
// work file draws the geometry.
TEST_F(Render, AllHiddenOrEmpty)
{
    std::string box = "GSTA\nSLAB\n     2     2     2\n"
                      "   -1.00000E+00    1.00000E+00\n   -1.00000E+00    1.00000E+00\n"
                      "   -1.00000E+00    1.00000E+00\nGEND\n";
    Load("0    1\n" + Step(2, 0, 0) + "-\n", box);
    display.show_electron = display.show_positron = display.show_photon = 0;
    ASSERT_EQ(Draw(), 0);
    EXPECT_EQ(record.lines, 0);
    EXPECT_EQ(record.texts, 0);
    display.show_electron = display.show_positron = display.show_photon = 1;

    Load("", box);
    ASSERT_EQ(Draw(), 0);
    EXPECT_EQ(record.lines, 12); // the box's twelve edges
}

// "0.1" at 0.01 cm per pixel: a 10-pixel bar ending at (786, 392) in the
// 960 x 460 window; its five-character label starts 27 pixels left of the
// bar; both on a backing in the background colour.  The automatic unit: the
// 1-2-5 value nearest to a fifth of the 800-pixel picture area, in mm, cm
// or m.
TEST_F(Render, ScaleBar)
{
    Recorder r;
    Scale_draw(&r, 0.01);
    EXPECT_EQ(r.drawn, "fill 746 363 792 395 000000\n"
                       "line 776 392 786 392 pen 0 1 FFFFFF\n"
                       "line 776 382 776 392 pen 0 1 FFFFFF\n"
                       "line 786 382 786 392 pen 0 1 FFFFFF\n"
                       "text 749 365 FFFFFF \"0.1cm\"\n");
    for (const char *unit : {"0", "", "abc", "1000"}) { // zero, or a bar that does not fit
        SCOPED_TRACE(unit);
        Text_copy(settings.scale_unit_text, sizeof settings.scale_unit_text, unit);
        Recorder none;
        Scale_draw(&none, 0.01);
        EXPECT_EQ(none.drawn, "");
    }
    display.scale_auto = 1;
    const struct {
        double scale; // cm a pixel: a fifth of the area is 160 times that
        double value;
        const char *label;
    } autos[] = {{0.01, 2, "2 cm"},     {0.001875, 0.2, "2 mm"}, {0.002, 0.5, "5 mm"},
                 {0.0625, 10, "10 cm"}, {1.875, 200, "2 m"},     {0.00625, 1, "1 cm"}};
    for (const auto &a : autos) {
        double value;
        char label[32];
        ASSERT_TRUE(Scale_choice(a.scale, layout.view_w, &value, label, sizeof label));
        EXPECT_DOUBLE_EQ(value, a.value) << a.scale;
        EXPECT_STREQ(label, a.label);
    }
    Recorder automatic;
    Scale_draw(&automatic, 0.01);
    EXPECT_NE(automatic.drawn.find("line 586 392 786 392"), std::string::npos) << automatic.drawn;
    EXPECT_NE(automatic.drawn.find("\"2 cm\""), std::string::npos);
    display.scale_auto = 0;
}

// The geometry passes: circles of 1-degree chords with two generator lines;
// slab rows joined to their first point; and when nothing is drawn.
TEST_F(Render, GeometryOutlines)
{
    Load("");
    View_setup(nullptr, PixelRect{5, 5, layout.view_right, layout.view_bottom}, RENDER_FULL,
               &view_state.view_scale);
    geometry_list.kind = GEOMETRY_CYLINDERS;
    geometry_list.cyl_radius_count = 1;
    geometry_list.cyl_radius[0] = 1.0f;
    geometry_list.cyl_plane_count = 2;
    geometry_list.cyl_plane_z[0] = 0.0f;
    geometry_list.cyl_plane_z[1] = 2.0f;
    Recorder r;
    Geom_draw(nullptr, &r);
    EXPECT_EQ(r.lines, 724);
    // Seen edge-on each circle is a vertical stroke 200 pixels tall; the
    // last generator line runs at y = -1 cm (270 degrees).
    EXPECT_EQ(r.drawn.substr(r.drawn.rfind("line")), "line 400 300 600 300 pen 0 1 FFFFFF\n");
    EXPECT_EQ(display.geometry_enabled, 1);

    // One x boundary, two y and two z: a rectangle in the plane of that x.
    geometry_list.kind = GEOMETRY_SLABS;
    geometry_list.slab_x_count = 1;
    geometry_list.slab_y_count = geometry_list.slab_z_count = 2;
    geometry_list.slab_x[0] = 0;
    geometry_list.slab_y[0] = geometry_list.slab_z[0] = -1;
    geometry_list.slab_y[1] = geometry_list.slab_z[1] = 1;
    Recorder slab;
    Geom_draw(nullptr, &slab);
    EXPECT_EQ(slab.drawn, "line 300 300 500 300 pen 0 1 FFFFFF\n"
                          "line 300 100 500 100 pen 0 1 FFFFFF\n"
                          "line 300 300 300 100 pen 0 1 FFFFFF\n"
                          "line 500 300 500 100 pen 0 1 FFFFFF\n");

    // Counts past the lists' room never read beyond them.
    geometry_list.slab_x_count = 3000;
    Recorder big;
    Geom_draw(nullptr, &big);

    // Not pending: nothing drawn and the geometry switched off; kind 0: nothing.
    display.geometry_pending = 0;
    Recorder off;
    Geom_draw(nullptr, &off);
    EXPECT_EQ(off.drawn, "");
    EXPECT_EQ(display.geometry_enabled, 0);
    display.geometry_pending = 1;
    geometry_list.kind = GEOMETRY_NONE;
    Geom_draw(nullptr, &off);
    EXPECT_EQ(off.drawn, "");
    EXPECT_EQ(display.geometry_enabled, 0);

    // Cylinders without a plane draw neither circles nor generator lines; a
    // geometry file that cannot be opened is reported, none chosen draws nothing.
    geometry_list.kind = GEOMETRY_CYLINDERS;
    geometry_list.cyl_plane_count = 0;
    Geom_draw(nullptr, &off);
    Text_copy(display.geometry_path, sizeof display.geometry_path, "/no/such/file.pic");
    EXPECT_EQ(Geometry_file_read_draw(nullptr, &off), -1);
    Text_copy(display.geometry_path, sizeof display.geometry_path, "ab");
    EXPECT_EQ(Geometry_file_read_draw(nullptr, &off), 0);
    EXPECT_EQ(off.drawn, "");
}

TEST_F(Render, AnnotationTexts)
{
    display.angle_x = 0;
    display.angle_y = -30;
    display.angle_z = 200;
    Recorder r;
    Angle_draw(&r);
    EXPECT_EQ(r.drawn, "text 4 7 FFFFFF \"  +0\"\n"
                       "text 4 27 FFFFFF \" -30\"\n"
                       "text 4 47 FFFFFF \"+200\"\n");
    display.angle_y = display.angle_z = 0;

    // The guide mark: a black frame on a white background; a hidden positron
    // leaves its row empty.
    settings.background_color = 0x00FFFFFFu;
    Settings_derive_colours();
    display.show_positron = 0;
    Recorder g;
    Guide_draw(&g, 100, 50);
    EXPECT_EQ(g.drawn, "rect 100 50 237 120 fill FFFFFF pen 0 1 000000\n"
                       "line 110 65 160 65 pen 0 1 005ED5\n"
                       "text 167 55 FFFFFF \"electron\"\n"
                       "line 110 105 160 105 pen 0 1 42E4F0\n"
                       "text 167 95 FFFFFF \"photon\"\n");

    // The axis indicator with all angles 0: z horizontal, y vertical, x a dot.
    Recorder a;
    Axis_draw(&a);
    EXPECT_EQ(a.drawn, "line 61 49 62 49 pen 0 1 FFFFFF\n"
                       "text 61 49 FFFFFF \"x\"\n"
                       "line 61 84 61 14 pen 0 1 FFFFFF\n"
                       "text 61 12 FFFFFF \"y\"\n"
                       "line 26 49 96 49 pen 0 1 FFFFFF\n"
                       "text 98 49 FFFFFF \"z\"\n");
}

// The palette of an animation: colours keep the index of their first
// appearance, in any order and repeated; with 256 taken, a new colour takes
// the nearest one's index and the palette says so.
TEST(FramePalette, FirstAppearanceThenNearest)
{
    FramePalette p;
    Frame_palette_init(&p);
    const Colour seen[] = {0x000000, 0xFFFFFF, 0x000000, 0x0000FF, 0xFFFFFF, 0x0000FF};
    const int index[] = {0, 1, 0, 2, 1, 2};
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(Frame_palette_index(&p, seen[i]), index[i]) << i;
    for (Colour c = 0x000100; p.count < 256; c += 0x000100)
        Frame_palette_index(&p, c);
    EXPECT_EQ(p.beyond, 0);
    EXPECT_EQ(Frame_palette_index(&p, 0x0000FE), 2); // nearest: 0x0000FF
    EXPECT_EQ(Frame_palette_index(&p, 0xFFFFFE), 1);
    EXPECT_EQ(Frame_palette_index(&p, 0x000101), 3); // 0x000100, the first of the run
    EXPECT_EQ(p.beyond, 1);
    EXPECT_EQ(p.count, 256);
}

} // namespace
