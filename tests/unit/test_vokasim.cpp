// The cascade generator: the energy balance of its runs, reproducibility from
// the seed, and that the viewer's own conversion reads back what the
// generator says it wrote.
#include <gtest/gtest.h>

#include <cstdio>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "picture/geometry.h"
#include "picture/picture.h"
#include "test_support.h"
#include "tools/vokasim/vokasim.h"

namespace {

// The options of a vokasim command line (words split at blanks).
SimOptions Options(const std::string &line)
{
    std::vector<std::string> words = {"vokasim", "-o", "g.pic"};
    std::istringstream in(line);
    for (std::string word; in >> word;)
        words.push_back(word);
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(&word[0]);
    SimOptions o;
    Sim_options_default(&o);
    EXPECT_EQ(Sim_options_parse(static_cast<int>(argv.size()), argv.data(), &o, stderr), 0) << line;
    return o;
}

// Runs the generator into a file of the scratch directory; returns its text.
std::string Generate(const ScratchDir &scratch, SimOptions *o, SimCounts *counts,
                     const char *name = "g.pic")
{
    char why[160] = "";
    EXPECT_EQ(Sim_run_prepare(o, why, sizeof why), 0) << why;
    FILE *out = std::fopen(scratch.file(name).c_str(), "wb");
    EXPECT_NE(out, nullptr);
    EXPECT_EQ(Sim_run_all(o, out, counts), 0);
    std::fclose(out);
    return scratch.read(name);
}

TEST(Vokasim, EnergyIsConservedInEveryTarget)
{
    for (const char *line :
         {"-p electron -e 10 -m water",
          "-p photon -e 20 -m lead --slab-x -3,3 --slab-y -3,3 --slab-z 0,0.5,1,1.5,2",
          "-p positron -e 5 -m aluminium", "-p photon -e 0.3 -m water",
          "-p electron -e 50 -m lead,vacuum --slab-x -3,3 --slab-y -3,3 --slab-z 0,0.5,1,1.5,2",
          "-p photon -e 2 -m iron,air"}) {
        SCOPED_TRACE(line);
        ScratchDir scratch;
        SimOptions o = Options(std::string(line) + " -n 10 -b 4 -s 7");
        SimCounts n;
        Generate(scratch, &o, &n);
        // A positron brings its annihilation energy along.
        const double brought = 10 * (o.energy + (o.particle == SIM_POSITRON ? 1.02199790 : 0.0));
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

// The same seed writes the same file, another seed another one; the batch
// size only moves the batch lines; live mode writes the same file.
TEST(Vokasim, SeedReproducesTheFile)
{
    ScratchDir scratch;
    SimCounts n;
    SimOptions o = Options("-p electron -e 5 -n 6 -b 2 -s 7");
    std::string a = Generate(scratch, &o, &n, "a.pic");
    EXPECT_EQ(Generate(scratch, &o, &n, "b.pic"), a);
    o.seed = 8;
    EXPECT_NE(Generate(scratch, &o, &n, "c.pic"), a);
    o.seed = 7;
    o.per_batch = 1;
    EXPECT_EQ(Without_batch_lines(Generate(scratch, &o, &n, "d.pic")), Without_batch_lines(a));
    EXPECT_EQ(n.batches, 6);
    o = Options("-p electron -e 5 -n 6 -b 2 -s 7 --live --pause 0");
    EXPECT_EQ(Generate(scratch, &o, &n, "e.pic"), a);
}

// Both step layouts and both target kinds (nine radii and eight planes take
// three and two list lines): the viewer's conversion counts what the
// generator reports, finds the geometry and scene it wrote, and every point
// lies in that scene with an energy the shower could have.
TEST(Vokasim, ConversionReadsWhatTheGeneratorReports)
{
    for (const char *target :
         {"--radii 0.5,1,2,3.5,5,5.5,6,6.5,7 --planes 0,1.25,2.5,3.75,5,6.25,7.5,8.75",
          "--layout long --slab-x -4,4 --slab-y -4,4 --slab-z 0,0.2,0.4,0.6,0.8,1"}) {
        SCOPED_TRACE(target);
        ScratchDir scratch;
        SimOptions o = Options(std::string("-p photon -e 15 -m iron -n 9 -b 2 -s 7 ") + target);
        SimCounts n;
        Generate(scratch, &o, &n);
        EXPECT_GT(n.step_lines[SIM_POSITRON], 0); // pairs: all three kinds
        MessageRecorder messages;
        const std::string work = scratch.file("work.$$$");
        ASSERT_EQ(Picture_convert_file(nullptr, scratch.file("g.pic").c_str(), work.c_str()), 0);
        EXPECT_EQ(messages.texts(), "");

        const ConvertStats &s = work_file.stats;
        for (int k = SIM_PHOTON; k <= SIM_POSITRON; k++)
            EXPECT_EQ(s.steps[k - 1], static_cast<uint64_t>(n.step_lines[k]));
        EXPECT_EQ(s.separators, static_cast<uint64_t>(n.separator_lines));
        EXPECT_EQ(s.batch_lines, static_cast<uint64_t>(n.batch_lines));
        EXPECT_EQ(s.records, static_cast<uint64_t>(Sim_counts_records(&n)));
        int first_problem;
        uint64_t first_line;
        EXPECT_EQ(s.skipped_type + Lines_left_out(&s, &first_problem, &first_line), 0u);
        EXPECT_EQ(work_file.batch_count, 5u);
        EXPECT_EQ(std::accumulate(work_file.batch_step_count,
                                  work_file.batch_step_count + BATCH_MAX, uint64_t{0}),
                  s.records);

        const SimGeometry &g = o.geometry;
        if (g.kind == SIM_GEOMETRY_SLABS) {
            ASSERT_EQ(geometry_list.kind, GEOMETRY_SLABS);
            ASSERT_EQ(geometry_list.slab_z_count, g.z_count);
            for (int i = 0; i < g.z_count; i++)
                EXPECT_EQ(geometry_list.slab_z[i], static_cast<float>(g.z[i]));
        } else {
            ASSERT_EQ(geometry_list.kind, GEOMETRY_CYLINDERS);
            ASSERT_EQ(geometry_list.cyl_radius_count, 9);
            ASSERT_EQ(geometry_list.cyl_plane_count, 8);
            for (int i = 0; i < 9; i++)
                EXPECT_EQ(geometry_list.cyl_radius[i], static_cast<float>(g.radius[i]));
            EXPECT_EQ(geometry_list.cyl_plane_z[7], 8.75f);
        }
        const double *w = g.world, scene[6] = {work_file.x_min, work_file.x_max, work_file.y_min,
                                               work_file.y_max, work_file.z_min, work_file.z_max};
        for (int i = 0; i < 6; i++)
            EXPECT_DOUBLE_EQ(scene[i], w[i]) << "scene bound " << i;
        EXPECT_EQ(static_cast<double>(work_file.coord_scale), o.coord_scale);

        const std::string bytes = File_read(work);
        ASSERT_EQ(bytes.size(), STEP_RECORD_SIZE * s.records);
        const double unit = o.coord_scale * (o.layout == SIM_LAYOUT_LONG ? 1.2e-7 : 1e-4);
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
