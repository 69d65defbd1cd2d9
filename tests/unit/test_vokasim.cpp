// The cascade generator: the picture files it writes (fields and columns,
// encodings, batch and separator lines, geometry section, header), the
// energy balance of its runs, reproducibility from the seed, and that the
// viewer's own conversion reads back what the generator says it wrote.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "picture/geometry.h"
#include "picture/picture.h"
#include "test_support.h"
#include "tools/vokasim/vokasim.h"

namespace {

// ------------------------------------------------------------ helpers

std::vector<std::string> Lines_of(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

// Decoded energy of a mantissa and exponent digit, E = M * 10^(D - 3).
double Energy_decode(int mantissa, int digit)
{
    return mantissa * std::pow(10.0, digit - 3);
}

struct Generated {
    SimOptions options;
    SimCounts counts;
    std::string text;
    std::vector<std::string> lines;
    size_t first_step_line; // index of the line after the header
};

// Options of a small, quick run: electrons into the default water cylinders.
SimOptions Small_options()
{
    SimOptions o;
    Sim_options_default(&o);
    o.energy = 5.0;
    o.histories = 6;
    o.per_batch = 2;
    o.seed = 7;
    std::snprintf(o.output, sizeof o.output, "test.pic");
    return o;
}

// Runs the generator into a file of the scratch directory.
Generated Generate(const ScratchDir &scratch, SimOptions options, const char *name = "g.pic")
{
    Generated g;
    g.options = options;
    char why[160] = "";
    EXPECT_EQ(Sim_run_prepare(&g.options, why, sizeof why), 0) << why;
    FILE *out = std::fopen(scratch.file(name).c_str(), "w");
    EXPECT_NE(out, nullptr);
    EXPECT_EQ(Sim_run_all(&g.options, out, &g.counts), 0);
    std::fclose(out);
    g.text = scratch.read(name);
    g.lines = Lines_of(g.text);
    g.first_step_line = 0;
    for (size_t i = 0; i < g.lines.size(); i++) {
        if (i > 1 && g.lines[i].compare(0, 4, "GEND") == 0) {
            g.first_step_line = i + 2;
            break;
        }
    }
    return g;
}

// ------------------------------------------------------------ encodings

TEST(VokasimEnergy, GivenValues)
{
    struct Case {
        double energy;
        int mantissa;
        int digit;
    };
    const Case cases[] = {
        {1234.0, 1234, 3}, {1.234, 1234, 0}, {10.0, 1000, 1},   {0.511, 511, 0},
        {0.0005, 1, 0},    {0.0004, 0, 0},   {0.0, 0, 0},       {-3.0, 0, 0},
        {9999.4, 9999, 3}, {9999.6, 1000, 4}, {1.234e9, 1234, 9}, {2e10, 9999, 9},
    };
    for (const Case &c : cases) {
        int m = -1;
        int d = -1;
        Sim_energy_encode(c.energy, &m, &d);
        EXPECT_EQ(m, c.mantissa) << "energy " << c.energy;
        EXPECT_EQ(d, c.digit) << "energy " << c.energy;
    }
}

TEST(VokasimEnergy, BestPrecisionOverTheRange)
{
    // From 1 keV to 9999 TeV: mantissa within 4 digits, value within half a
    // unit of its last digit, and no finer exponent would have held it.
    for (double e = 0.001; e < 9.99e9; e *= 1.0137) {
        int m;
        int d;
        Sim_energy_encode(e, &m, &d);
        ASSERT_GE(m, 1) << e;
        ASSERT_LE(m, 9999) << e;
        ASSERT_GE(d, 0) << e;
        ASSERT_LE(d, 9) << e;
        const double unit = std::pow(10.0, d - 3);
        EXPECT_LE(std::fabs(Energy_decode(m, d) - e), 0.5 * unit * (1 + 1e-9)) << e;
        if (d > 0)
            EXPECT_GT(std::floor(e / (unit / 10.0) + 0.5), 9999.0) << e;
    }
}

TEST(VokasimCoordinates, GivenValues)
{
    struct Case {
        double coord;
        double scale;
        int layout;
        long encoded;
        int clipped;
    };
    const Case cases[] = {
        {0.0, 3.0, SIM_LAYOUT_SHORT, 50000, 0},
        {1.0, 1.0, SIM_LAYOUT_SHORT, 60000, 0},
        {0.1, 1.0, SIM_LAYOUT_SHORT, 51000, 0},
        {-5.0, 1.0, SIM_LAYOUT_SHORT, 0, 0},
        {4.9999, 1.0, SIM_LAYOUT_SHORT, 99999, 0},
        {5.0, 1.0, SIM_LAYOUT_SHORT, 99999, 1},
        {-5.0001, 1.0, SIM_LAYOUT_SHORT, 0, 1},
        {1e9, 1.0, SIM_LAYOUT_SHORT, 99999, 1},
        {0.0, 1.0, SIM_LAYOUT_LONG, 33554432, 0},
        {1.0, 1.0, SIM_LAYOUT_LONG, 41943040, 0},
        {-4.0, 1.0, SIM_LAYOUT_LONG, 0, 0},
        {-4.001, 1.0, SIM_LAYOUT_LONG, 0, 1},
        {7.9, 1.0, SIM_LAYOUT_LONG, 99824435, 0},
        {8.0, 1.0, SIM_LAYOUT_LONG, 99999999, 1},
        {std::nan(""), 1.0, SIM_LAYOUT_LONG, 0, 1},
    };
    for (const Case &c : cases) {
        int clipped = 0;
        EXPECT_EQ(Sim_coord_encode(c.coord, c.scale, c.layout, &clipped), c.encoded)
            << c.coord << " layout " << c.layout;
        EXPECT_EQ(clipped, c.clipped) << c.coord << " layout " << c.layout;
    }
}

TEST(VokasimCoordinates, ScaleFitsTheSceneTightly)
{
    const double boxes[][6] = {
        {-7.5, 7.5, -7.5, 7.5, -2.5, 12.5},
        {-0.01, 0.01, -0.02, 0.02, 0.0, 0.05},
        {-1000.0, 1000.0, -10.0, 10.0, -300.0, 4000.0},
        {0.0, 1.0, 0.0, 1.0, 0.0, 1.0},
        {-3.0, -1.0, -3.0, -1.0, -3.0, -1.0},
    };
    for (const auto &box : boxes) {
        for (int layout = SIM_LAYOUT_SHORT; layout <= SIM_LAYOUT_LONG; layout++) {
            const double s = Sim_scale_choose(box, layout);
            int clipped = 0;
            for (double v : box)
                Sim_coord_encode(v, s, layout, &clipped);
            EXPECT_EQ(clipped, 0) << "box " << box[0] << " layout " << layout << " scale " << s;
            // The series steps by at most 1.5: two thirds of the scale no longer fits.
            clipped = 0;
            for (double v : box)
                Sim_coord_encode(v, s / 1.5 * 0.999, layout, &clipped);
            EXPECT_EQ(clipped, 1) << "box " << box[0] << " layout " << layout << " scale " << s;
            EXPECT_EQ(s, static_cast<double>(static_cast<float>(s)));
        }
    }
}

TEST(VokasimHeader, RealFieldsKeepTheirWidth)
{
    const double values[] = {0.0, -7.5, 12.5, 3.0, 0.001, -0.000123456, 123456.789,
                             -1234567.25, 1e-7, 3e20, -4.5e-15};
    for (double v : values) {
        char text[32];
        Sim_real_format(text, sizeof text, v, 10);
        ASSERT_EQ(std::strlen(text), 10u) << v;
        const double back = std::strtod(text, nullptr);
        EXPECT_LE(std::fabs(back - v), 1e-3 * std::fabs(v) + 1e-12) << v << " -> " << text;
    }
}

TEST(VokasimStepLine, Columns)
{
    const double pos[3] = {0.0, 0.0, 0.3};
    char line[SIM_LINE_MAX];
    int clipped = 0;
    int n = Sim_step_format(line, sizeof line, SIM_ELECTRON, pos, 1234.0, SIM_LAYOUT_SHORT, 3.0,
                            &clipped);
    EXPECT_STREQ(line, "250000500005100012343");
    EXPECT_EQ(n, 21);

    const double where[3] = {1.0, -1.0, 0.0};
    n = Sim_step_format(line, sizeof line, SIM_POSITRON, where, 0.005, SIM_LAYOUT_LONG, 1.0,
                        &clipped);
    EXPECT_STREQ(line, "6419430402516582433554432   50");
    EXPECT_EQ(n, 30);
    n = Sim_step_format(line, sizeof line, SIM_PHOTON, where, 0.511, SIM_LAYOUT_SHORT, 1.0,
                        &clipped);
    EXPECT_STREQ(line, "1600004000050000 5110");
    EXPECT_EQ(clipped, 0);

    // Clipped points keep the width of their fields.
    const double far[3] = {1e6, -1e6, 2e5};
    n = Sim_step_format(line, sizeof line, SIM_PHOTON, far, 1.0, SIM_LAYOUT_SHORT, 1.0,
                        &clipped);
    EXPECT_EQ(n, 21);
    EXPECT_STREQ(line, "199999000009999910000");
    EXPECT_EQ(clipped, 1);
}

// ------------------------------------------------------------ the file

TEST(VokasimFile, GeometrySectionOfCylinders)
{
    ScratchDir scratch;
    SimOptions o = Small_options();
    const double radii[9] = {0.5, 1.0, 2.0, 3.5, 5.0, 5.5, 6.0, 6.5, 7.0};   // three lines
    o.geometry.radius_count = 9;
    for (int i = 0; i < 9; i++)
        o.geometry.radius[i] = radii[i];
    o.geometry.plane_count = 8;
    for (int i = 0; i < 8; i++)
        o.geometry.plane_z[i] = 1.25 * i;
    Generated g = Generate(scratch, o);
    ASSERT_GE(g.lines.size(), 8u);
    EXPECT_EQ(g.lines[0], "GSTA");
    EXPECT_EQ(g.lines[1], "CYLS");
    EXPECT_EQ(g.lines[2], "     9     8");
    // Four values to a line in 15-column fields: 9 radii on 3 lines, 8 planes on 2.
    const size_t widths[5] = {60, 60, 15, 60, 60};
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(g.lines[3 + static_cast<size_t>(i)].size(), widths[i]) << "list line " << i;
    EXPECT_EQ(std::strtod(g.lines[3].substr(45, 15).c_str(), nullptr), 3.5);
    EXPECT_EQ(std::strtod(g.lines[5].substr(0, 15).c_str(), nullptr), 7.0);
    EXPECT_EQ(std::strtod(g.lines[7].substr(45, 15).c_str(), nullptr), 8.75);
    EXPECT_EQ(g.lines[8], "GEND");
    EXPECT_EQ(g.first_step_line, 10u);

    // The viewer's reader takes the same section.
    MessageRecorder messages;
    ASSERT_EQ(Picture_convert_file(nullptr, scratch.file("g.pic").c_str(), nullptr), 0);
    EXPECT_EQ(geometry_kind, GEOMETRY_CYLINDERS);
    ASSERT_EQ(cyl_radius_count, 9);
    ASSERT_EQ(cyl_plane_count, 8);
    for (int i = 0; i < 9; i++)
        EXPECT_EQ(cyl_radius[i], static_cast<float>(radii[i]));
    for (int i = 0; i < 8; i++)
        EXPECT_EQ(cyl_plane_z[i], static_cast<float>(1.25 * i));
}

TEST(VokasimFile, GeometrySectionOfSlabs)
{
    ScratchDir scratch;
    SimOptions o = Small_options();
    SimGeometry &geo = o.geometry;
    geo.kind = SIM_GEOMETRY_SLABS;
    geo.x_count = 2;
    geo.x[0] = -4.0;
    geo.x[1] = 4.0;
    geo.y_count = 3;
    geo.y[0] = -4.0;
    geo.y[1] = 0.0;
    geo.y[2] = 4.0;
    geo.z_count = 6;
    for (int i = 0; i < 6; i++)
        geo.z[i] = 0.2 * i;
    o.particle = SIM_PHOTON;
    geo.material[0] = Sim_material_find("lead");
    Generated g = Generate(scratch, o);
    const std::vector<std::string> expect = {"GSTA", "SLAB", "     2     3     6"};
    for (size_t i = 0; i < expect.size(); i++)
        EXPECT_EQ(g.lines[i], expect[i]);
    EXPECT_EQ(g.lines[3].size(), 30u);
    EXPECT_EQ(g.lines[4].size(), 45u);
    EXPECT_EQ(g.lines[5].size(), 60u);
    EXPECT_EQ(g.lines[6].size(), 30u);
    EXPECT_EQ(g.lines[7], "GEND");

    MessageRecorder messages;
    ASSERT_EQ(Picture_convert_file(nullptr, scratch.file("g.pic").c_str(), nullptr), 0);
    EXPECT_EQ(geometry_kind, GEOMETRY_SLABS);
    EXPECT_EQ(slab_x_count, 2);
    EXPECT_EQ(slab_y_count, 3);
    ASSERT_EQ(slab_z_count, 6);
    EXPECT_EQ(slab_z[5], static_cast<float>(1.0));
}

TEST(VokasimFile, HeaderHoldsTheSceneAndScale)
{
    ScratchDir scratch;
    Generated g = Generate(scratch, Small_options());
    const std::string &header = g.lines[g.first_step_line - 1];
    ASSERT_EQ(header.size(), 70u);
    for (int i = 0; i < 6; i++)
        EXPECT_DOUBLE_EQ(std::strtod(header.substr(10 * static_cast<size_t>(i), 10).c_str(),
                                     nullptr),
                         g.options.geometry.world[i])
            << "field " << i;
    EXPECT_EQ(std::strtod(header.substr(60, 10).c_str(), nullptr), g.options.coord_scale);
    // Default target: radii 2, 5 and planes 0..10 with a quarter of 10 around.
    EXPECT_EQ(g.options.geometry.world[0], -7.5);
    EXPECT_EQ(g.options.geometry.world[5], 12.5);
}

// Walks the step section: batch lines in order, tracks closed by separators,
// every step line of the layout's width and digits; counts lines by kind.
void Check_step_section(const Generated &g)
{
    const bool long_layout = g.options.layout == SIM_LAYOUT_LONG;
    const size_t width = long_layout ? 30 : 21;
    long long batches = 0;
    long long steps[4] = {0, 0, 0, 0};
    long long separators = 0;
    bool in_track = false;
    ASSERT_LT(g.first_step_line, g.lines.size());
    for (size_t i = g.first_step_line; i < g.lines.size(); i++) {
        const std::string &line = g.lines[i];
        ASSERT_FALSE(line.empty()) << "line " << i + 1;
        if (line[0] == '0') {
            ASSERT_FALSE(in_track) << "batch line inside a track, line " << i + 1;
            ASSERT_EQ(line.size(), 6u) << line;
            batches++;
            EXPECT_EQ(std::atoi(line.substr(1, 5).c_str()), batches) << line;
            continue;
        }
        if (line[0] == '-') {
            ASSERT_EQ(line, "-");
            ASSERT_TRUE(in_track) << "separator without a track, line " << i + 1;
            in_track = false;
            separators++;
            continue;
        }
        ASSERT_GT(batches, 0) << "step before the first batch line";
        ASSERT_EQ(line.size(), width) << "line " << i + 1 << ": " << line;
        const int type = line[0] - '0';
        ASSERT_TRUE(long_layout ? (type >= 4 && type <= 6) : (type >= 1 && type <= 3)) << line;
        for (size_t k = 1; k < width - 5; k++)
            ASSERT_TRUE(line[k] >= '0' && line[k] <= '9') << line;
        for (size_t k = width - 5; k < width; k++)
            ASSERT_TRUE(line[k] == ' ' || (line[k] >= '0' && line[k] <= '9')) << line;
        in_track = true;
        steps[long_layout ? type - 3 : type]++;
    }
    EXPECT_FALSE(in_track) << "the last track is not closed";
    EXPECT_EQ(batches, g.counts.batch_lines);
    EXPECT_EQ(batches, g.counts.batches);
    EXPECT_EQ(separators, g.counts.separator_lines);
    for (int k = SIM_PHOTON; k <= SIM_POSITRON; k++)
        EXPECT_EQ(steps[k], g.counts.step_lines[k]) << "kind " << k;
}

TEST(VokasimFile, StepSectionOfBothLayouts)
{
    for (int layout = SIM_LAYOUT_SHORT; layout <= SIM_LAYOUT_LONG; layout++) {
        SCOPED_TRACE(layout == SIM_LAYOUT_LONG ? "long" : "short");
        ScratchDir scratch;
        SimOptions o = Small_options();
        o.layout = layout;
        o.particle = SIM_PHOTON;
        o.energy = 20.0; // pairs, so positrons appear too
        o.histories = 7;
        o.per_batch = 3;
        o.geometry.material[0] = Sim_material_find("lead");
        Generated g = Generate(scratch, o);
        EXPECT_EQ(g.counts.batches, 3);
        EXPECT_GT(g.counts.step_lines[SIM_POSITRON], 0);
        Check_step_section(g);
    }
}

// ------------------------------------------------------------ runs

TEST(VokasimRun, EnergyBalance)
{
    struct Case {
        int particle;
        double energy;
        const char *materials;
        int slabs;
    };
    const Case cases[] = {
        {SIM_ELECTRON, 10.0, "water", 0},
        {SIM_PHOTON, 20.0, "lead", 1},
        {SIM_POSITRON, 5.0, "aluminium", 0},
        {SIM_PHOTON, 0.3, "water", 0},
        {SIM_ELECTRON, 50.0, "lead,vacuum", 1},
        {SIM_PHOTON, 2.0, "iron,air", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.materials);
        ScratchDir scratch;
        SimOptions o = Small_options();
        o.particle = c.particle;
        o.energy = c.energy;
        o.histories = 10;
        o.per_batch = 4;
        char list[64];
        std::snprintf(list, sizeof list, "%s", c.materials);
        o.geometry.material_count = 0;
        for (char *name = std::strtok(list, ","); name; name = std::strtok(nullptr, ","))
            o.geometry.material[o.geometry.material_count++] = Sim_material_find(name);
        if (c.slabs) {
            SimGeometry &geo = o.geometry;
            geo.kind = SIM_GEOMETRY_SLABS;
            geo.x_count = geo.y_count = 2;
            geo.x[0] = geo.y[0] = -3.0;
            geo.x[1] = geo.y[1] = 3.0;
            geo.z_count = 5;
            for (int i = 0; i < 5; i++)
                geo.z[i] = 0.5 * i;
        }
        Generated g = Generate(scratch, o);
        const double brought = 10 * (c.energy + (c.particle == SIM_POSITRON ? 1.02199790 : 0.0));
        EXPECT_NEAR(g.counts.primary_energy, brought, 1e-9 * brought);
        EXPECT_NEAR(g.counts.deposited + g.counts.escaped, g.counts.primary_energy,
                    1e-9 * g.counts.primary_energy);
        EXPECT_GE(g.counts.deposited, 0.0);
        EXPECT_GE(g.counts.escaped, 0.0);
        EXPECT_EQ(g.counts.lost_particles, 0);
        EXPECT_EQ(g.counts.clipped_points, 0);
    }
}

TEST(VokasimRun, SeedReproducesTheFile)
{
    ScratchDir scratch;
    SimOptions o = Small_options();
    Generated a = Generate(scratch, o, "a.pic");
    Generated b = Generate(scratch, o, "b.pic");
    EXPECT_EQ(a.text, b.text);
    EXPECT_EQ(a.counts.deposited, b.counts.deposited);
    o.seed = 8;
    Generated c = Generate(scratch, o, "c.pic");
    EXPECT_NE(a.text, c.text);

    // The batch size only moves the batch lines: the tracks stay the same.
    o.seed = 7;
    o.per_batch = 1;
    Generated d = Generate(scratch, o, "d.pic");
    auto without_batches = [](const Generated &g) {
        std::string s;
        for (const std::string &line : g.lines)
            if (line[0] != '0')
                s += line + "\n";
        return s;
    };
    EXPECT_EQ(d.counts.batches, 6);
    EXPECT_EQ(without_batches(a), without_batches(d));

    // Live mode writes the same file.
    o.per_batch = 2;
    o.live = 1;
    o.pause_ms = 0;
    Generated e = Generate(scratch, o, "e.pic");
    EXPECT_EQ(a.text, e.text);
}

TEST(VokasimRun, ConversionCountsMatchTheReport)
{
    for (int layout = SIM_LAYOUT_SHORT; layout <= SIM_LAYOUT_LONG; layout++) {
        SCOPED_TRACE(layout == SIM_LAYOUT_LONG ? "long" : "short");
        ScratchDir scratch;
        SimOptions o = Small_options();
        o.layout = layout;
        o.particle = SIM_PHOTON;
        o.energy = 15.0;
        o.histories = 9;
        o.per_batch = 2;
        o.geometry.material[0] = Sim_material_find("iron");
        Generated g = Generate(scratch, o);
        MessageRecorder messages;
        const std::string work = scratch.file("work.$$$");
        ASSERT_EQ(Picture_convert_file(nullptr, scratch.file("g.pic").c_str(), work.c_str()), 0)
            << messages.texts();
        EXPECT_EQ(messages.messages().size(), 0u);
        const ConvertStats &s = convert_stats;
        for (int k = SIM_PHOTON; k <= SIM_POSITRON; k++)
            EXPECT_EQ(s.steps[k - 1], static_cast<uint64_t>(g.counts.step_lines[k]));
        EXPECT_EQ(s.separators, static_cast<uint64_t>(g.counts.separator_lines));
        EXPECT_EQ(s.batch_lines, static_cast<uint64_t>(g.counts.batch_lines));
        EXPECT_EQ(s.records, static_cast<uint64_t>(Sim_counts_records(&g.counts)));
        EXPECT_EQ(s.skipped_type + s.skipped_before_batch + s.skipped_batch_range, 0u);
        EXPECT_EQ(batch_count, 5u);
        uint64_t counted = 0;
        for (int b = 0; b < BATCH_MAX; b++)
            counted += batch_step_count[b];
        EXPECT_EQ(counted, s.records);
        EXPECT_EQ(static_cast<double>(coord_scale), g.options.coord_scale);

        // Every decoded point lies in the scene the header gives.
        const std::string bytes = File_read(work);
        ASSERT_EQ(bytes.size(), STEP_RECORD_SIZE * s.records);
        const double *w = g.options.geometry.world;
        const double unit = g.options.coord_scale * (layout == SIM_LAYOUT_LONG ? 1.2e-7 : 1e-4);
        for (size_t at = 0; at < bytes.size(); at += STEP_RECORD_SIZE) {
            StepRecord r;
            Step_decode(reinterpret_cast<const uint8_t *>(bytes.data() + at), &r);
            if (r.kind == KIND_SEPARATOR)
                continue;
            ASSERT_TRUE(r.x >= w[0] - unit && r.x <= w[1] + unit) << r.x;
            ASSERT_TRUE(r.y >= w[2] - unit && r.y <= w[3] + unit) << r.y;
            ASSERT_TRUE(r.z >= w[4] - unit && r.z <= w[5] + unit) << r.z;
        }
    }
}

TEST(VokasimRun, GivenScaleClipsCleanly)
{
    ScratchDir scratch;
    SimOptions o = Small_options();
    o.coord_scale = 0.5; // the scene reaches 12.5 cm, the fields 2.5
    Generated g = Generate(scratch, o);
    EXPECT_GT(g.counts.clipped_points, 0);
    Check_step_section(g);
}

TEST(VokasimRun, PrepareRejects)
{
    struct Case {
        const char *what;
        void (*change)(SimOptions *);
    };
    const Case cases[] = {
        {"descending radii", [](SimOptions *o) { o->geometry.radius[0] = 100.0; }},
        {"descending planes", [](SimOptions *o) { o->geometry.plane_z[1] = 20.0; }},
        {"one plane", [](SimOptions *o) { o->geometry.plane_count = 1; }},
        {"10001 batches",
         [](SimOptions *o) {
             o->histories = 10001;
             o->per_batch = 1;
         }},
        {"zero energy", [](SimOptions *o) { o->energy = 0.0; }},
        {"source outside", [](SimOptions *o) {
             o->source_given = 1;
             o->source[2] = -100.0;
         }},
        {"zero direction", [](SimOptions *o) { o->direction[2] = 0.0; }},
    };
    for (const Case &c : cases) {
        SimOptions o = Small_options();
        c.change(&o);
        char why[160] = "";
        EXPECT_EQ(Sim_run_prepare(&o, why, sizeof why), -1) << c.what;
        EXPECT_NE(why[0], '\0') << c.what;
    }
    SimOptions o = Small_options();
    o.histories = 10000;
    o.per_batch = 1;
    char why[160] = "";
    EXPECT_EQ(Sim_run_prepare(&o, why, sizeof why), 0) << why;
}

TEST(VokasimOptions, CommandLine)
{
    const char *args[] = {"vokasim",      "-p",          "photon",    "--energy=2.5",
                          "-n",           "40",          "-b",        "8",
                          "--seed",       "18446744073709551615",      "-m",
                          "lead,vacuum",  "--slab-x",    "-1,1",      "--slab-y",
                          "-2,2",         "--slab-z",    "0,1,2,3",   "--layout",
                          "long",         "-o",          "x.pic",     "--live",
                          "--pause",      "5"};
    const int argc = static_cast<int>(sizeof args / sizeof args[0]);
    SimOptions o;
    Sim_options_default(&o);
    ASSERT_EQ(Sim_options_parse(argc, const_cast<char **>(args), &o, stderr), 0);
    EXPECT_EQ(o.particle, SIM_PHOTON);
    EXPECT_EQ(o.energy, 2.5);
    EXPECT_EQ(o.histories, 40);
    EXPECT_EQ(o.per_batch, 8);
    EXPECT_EQ(o.seed, 18446744073709551615ull);
    EXPECT_EQ(o.geometry.kind, SIM_GEOMETRY_SLABS);
    EXPECT_EQ(o.geometry.material_count, 2);
    EXPECT_EQ(o.geometry.material[1], Sim_material_find("vacuum"));
    EXPECT_EQ(o.geometry.z_count, 4);
    EXPECT_EQ(o.geometry.y[1], 2.0);
    EXPECT_EQ(o.layout, SIM_LAYOUT_LONG);
    EXPECT_STREQ(o.output, "x.pic");
    EXPECT_EQ(o.live, 1);
    EXPECT_EQ(o.pause_ms, 5);

    const char *bad[][3] = {
        {"vokasim", "--particle", "neutron"}, {"vokasim", "--energy", "ten"},
        {"vokasim", "--material", "gold"},    {"vokasim", "--radii", "1,,2"},
        {"vokasim", "--frobnicate", "1"},
    };
    FILE *sink = std::tmpfile();
    for (int i = 0; i < 5; i++) {
        Sim_options_default(&o);
        EXPECT_EQ(Sim_options_parse(3, const_cast<char **>(bad[i]), &o, sink), -1) << bad[i][1];
    }
    // Cylinders and slabs together, and slabs without their z list.
    const char *both[] = {"vokasim", "--radii", "1", "--slab-x", "0,1", "-o", "x"};
    Sim_options_default(&o);
    EXPECT_EQ(Sim_options_parse(7, const_cast<char **>(both), &o, sink), -1);
    const char *no_output[] = {"vokasim", "-n", "3"};
    Sim_options_default(&o);
    EXPECT_EQ(Sim_options_parse(3, const_cast<char **>(no_output), &o, sink), -1);
    std::fclose(sink);
}

} // namespace
