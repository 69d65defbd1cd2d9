// The cascade generator: the energy balance of its runs, reproducibility from
// the seed, and that the viewer's own conversion reads back what the
// generator says it wrote.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "picture/geometry.h"
#include "picture/picture.h"
#include "test_support.h"
#include "tools/vokasim/vokasim.h"

namespace {

// Options of a small, quick run: 5 MeV electrons into the default water
// cylinders, six histories in batches of two.
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

// Runs the generator into a file of the scratch directory; returns its text.
std::string Generate(const ScratchDir &scratch, SimOptions *o, SimCounts *counts,
                     const char *name = "g.pic")
{
    char why[160] = "";
    EXPECT_EQ(Sim_run_prepare(o, why, sizeof why), 0) << why;
    FILE *out = std::fopen(scratch.file(name).c_str(), "w");
    EXPECT_NE(out, nullptr);
    EXPECT_EQ(Sim_run_all(o, out, counts), 0);
    std::fclose(out);
    return scratch.read(name);
}

TEST(Vokasim, EnergyIsConservedInEveryTarget)
{
    struct Case {
        int particle;
        double energy;
        const char *materials;
        bool slabs;
    } cases[] = {
        {SIM_ELECTRON, 10.0, "water", false},      {SIM_PHOTON, 20.0, "lead", true},
        {SIM_POSITRON, 5.0, "aluminium", false},   {SIM_PHOTON, 0.3, "water", false},
        {SIM_ELECTRON, 50.0, "lead,vacuum", true}, {SIM_PHOTON, 2.0, "iron,air", false},
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
        SimCounts n;
        Generate(scratch, &o, &n);
        // A positron brings its annihilation energy along.
        const double brought = 10 * (c.energy + (c.particle == SIM_POSITRON ? 1.02199790 : 0.0));
        EXPECT_NEAR(n.primary_energy, brought, 1e-9 * brought);
        EXPECT_NEAR(n.deposited + n.escaped, n.primary_energy, 1e-9 * n.primary_energy);
        EXPECT_GE(n.deposited, 0.0);
        EXPECT_GE(n.escaped, 0.0);
        EXPECT_EQ(n.lost_particles, 0);
        EXPECT_EQ(n.clipped_points, 0);
    }
}

std::string Without_batch_lines(const std::string &text)
{
    std::string kept;
    for (size_t at = 0, end; at < text.size(); at = end + 1) {
        end = text.find('\n', at);
        if (text[at] != '0')
            kept += text.substr(at, end - at + 1);
    }
    return kept;
}

TEST(Vokasim, SeedReproducesTheFile)
{
    ScratchDir scratch;
    SimOptions o = Small_options();
    SimCounts n;
    std::string a = Generate(scratch, &o, &n, "a.pic");
    EXPECT_EQ(Generate(scratch, &o, &n, "b.pic"), a);
    o.seed = 8;
    EXPECT_NE(Generate(scratch, &o, &n, "c.pic"), a);

    // The batch size only moves the batch lines: the tracks stay the same.
    o.seed = 7;
    o.per_batch = 1;
    EXPECT_EQ(Without_batch_lines(Generate(scratch, &o, &n, "d.pic")), Without_batch_lines(a));
    EXPECT_EQ(n.batches, 6);

    // Live mode writes the same file.
    o.per_batch = 2;
    o.live = 1;
    o.pause_ms = 0;
    EXPECT_EQ(Generate(scratch, &o, &n, "e.pic"), a);
}

// Both step layouts and both target kinds (nine radii and eight planes take
// three and two list lines): the viewer's conversion counts what the
// generator reports, finds the geometry and scene it wrote, and every point
// lies in that scene with an energy the shower could have.
TEST(Vokasim, ConversionReadsWhatTheGeneratorReports)
{
    for (int layout = SIM_LAYOUT_SHORT; layout <= SIM_LAYOUT_LONG; layout++) {
        SCOPED_TRACE(layout == SIM_LAYOUT_LONG ? "long layout, slabs" : "short layout, cylinders");
        ScratchDir scratch;
        SimOptions o = Small_options();
        o.layout = layout;
        o.particle = SIM_PHOTON;
        o.energy = 15.0;   // pairs, so positrons appear too
        o.histories = 9;
        o.geometry.material[0] = Sim_material_find("iron");
        SimGeometry &geo = o.geometry;
        if (layout == SIM_LAYOUT_SHORT) {
            const double radii[9] = {0.5, 1.0, 2.0, 3.5, 5.0, 5.5, 6.0, 6.5, 7.0};
            geo.radius_count = 9;
            geo.plane_count = 8;
            for (int i = 0; i < 9; i++)
                geo.radius[i] = radii[i];
            for (int i = 0; i < 8; i++)
                geo.plane_z[i] = 1.25 * i;
        } else {
            geo.kind = SIM_GEOMETRY_SLABS;
            geo.x_count = geo.y_count = 2;
            geo.x[0] = geo.y[0] = -4.0;
            geo.x[1] = geo.y[1] = 4.0;
            geo.z_count = 6;
            for (int i = 0; i < 6; i++)
                geo.z[i] = 0.2 * i;
        }
        SimCounts n;
        Generate(scratch, &o, &n);
        EXPECT_GT(n.step_lines[SIM_POSITRON], 0);
        MessageRecorder messages;
        const std::string work = scratch.file("work.$$$");
        ASSERT_EQ(Picture_convert_file(nullptr, scratch.file("g.pic").c_str(), work.c_str()), 0)
            << messages.texts();
        EXPECT_EQ(messages.texts(), "");

        const ConvertStats &s = convert_stats;
        for (int k = SIM_PHOTON; k <= SIM_POSITRON; k++)
            EXPECT_EQ(s.steps[k - 1], static_cast<uint64_t>(n.step_lines[k]));
        EXPECT_EQ(s.separators, static_cast<uint64_t>(n.separator_lines));
        EXPECT_EQ(s.batch_lines, static_cast<uint64_t>(n.batch_lines));
        EXPECT_EQ(s.records, static_cast<uint64_t>(Sim_counts_records(&n)));
        EXPECT_EQ(s.skipped_type + s.skipped_before_batch + s.skipped_batch_range, 0u);
        EXPECT_EQ(batch_count, 5u);
        uint64_t counted = 0;
        for (int b = 0; b < BATCH_MAX; b++)
            counted += batch_step_count[b];
        EXPECT_EQ(counted, s.records);

        if (layout == SIM_LAYOUT_SHORT) {
            ASSERT_EQ(geometry_kind, GEOMETRY_CYLINDERS);
            ASSERT_EQ(cyl_radius_count, 9);
            ASSERT_EQ(cyl_plane_count, 8);
            EXPECT_EQ(cyl_radius[8], 7.0f);
            EXPECT_EQ(cyl_plane_z[7], 8.75f);
        } else {
            ASSERT_EQ(geometry_kind, GEOMETRY_SLABS);
            EXPECT_EQ(slab_x_count + slab_y_count, 4);
            ASSERT_EQ(slab_z_count, 6);
            EXPECT_EQ(slab_z[5], 1.0f);
        }
        const double *w = o.geometry.world;
        const double scene[6] = {x_min, x_max, y_min, y_max, z_min, z_max};
        for (int i = 0; i < 6; i++)
            EXPECT_DOUBLE_EQ(scene[i], w[i]) << "scene bound " << i;
        EXPECT_EQ(static_cast<double>(coord_scale), o.coord_scale);

        const std::string bytes = File_read(work);
        ASSERT_EQ(bytes.size(), STEP_RECORD_SIZE * s.records);
        const double unit = o.coord_scale * (layout == SIM_LAYOUT_LONG ? 1.2e-7 : 1e-4);
        for (size_t at = 0; at < bytes.size(); at += STEP_RECORD_SIZE) {
            StepRecord r;
            Step_decode(reinterpret_cast<const uint8_t *>(bytes.data() + at), &r);
            if (r.kind == KIND_SEPARATOR)
                continue;
            ASSERT_TRUE(r.x >= w[0] - unit && r.x <= w[1] + unit) << r.x;
            ASSERT_TRUE(r.y >= w[2] - unit && r.y <= w[3] + unit) << r.y;
            ASSERT_TRUE(r.z >= w[4] - unit && r.z <= w[5] + unit) << r.z;
            ASSERT_TRUE(r.energy >= 0.0f && r.energy <= 15.0f) << r.energy;
        }
    }
}

} // namespace
