// The geometry section reader: keywords, counts, list lines and the bounds
// of the 100-value lists.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "picture/geometry.h"
#include "test_support.h"

namespace {

// Runs Geometry_read on a text; returns its result and the next line left in
// the stream (the header line of a picture file), as "result|next line".
std::string Read(const std::string &text)
{
    FILE *f = std::tmpfile();
    std::fputs(text.c_str(), f);
    std::rewind(f);
    picture_stream = f;
    int result = Geometry_read();
    char line[256];
    if (!std::fgets(line, sizeof line, f))
        std::snprintf(line, sizeof line, "<eof>");
    std::fclose(f);
    picture_stream = nullptr;
    return std::to_string(result) + "|" + line;
}

// n values first, first + 1, ..., four to a line in 15-column fields.
std::string Values(int n, int first = 1)
{
    std::string out;
    for (int i = 0; i < n; i++) {
        char field[32];
        std::snprintf(field, sizeof field, "%15.5E", static_cast<double>(first + i));
        out += field;
        if (i % 4 == 3 || i == n - 1)
            out += "\n";
    }
    return out;
}

std::string Counts(int a, int b)
{
    char line[32];
    std::snprintf(line, sizeof line, "%6d%6d\n", a, b);
    return line;
}

TEST(GeometryRead, NoGeometryLeavesKindZeroAndTheHeaderNext)
{
    geometry_kind = GEOMETRY_SLABS;
    EXPECT_EQ(Read("GSTA\nGEND and other words\nHEADER\n"), "0|HEADER\n");
    EXPECT_EQ(geometry_kind, GEOMETRY_NONE);
}

// A list of n values takes ceil(n/4) lines, an empty list none, so that
// counts like 9, 13 and 17 keep the following lists in step.
TEST(GeometryRead, ListsTakeFourValuesPerLine)
{
    for (int radii : {0, 1, 3, 4, 5, 8, 9, 13, 14, 17, 100}) {
        for (int planes : {0, 2, 9}) {
            SCOPED_TRACE(testing::Message() << "radii " << radii << " planes " << planes);
            ASSERT_EQ(Read("GSTA\nCYLS\n" + Counts(radii, planes) + Values(radii, 1) +
                           Values(planes, 1000) + "GEND\nHEADER\n"),
                      "0|HEADER\n");
            EXPECT_EQ(geometry_kind, GEOMETRY_CYLINDERS);
            EXPECT_EQ(cyl_radius_count, radii);
            EXPECT_EQ(cyl_plane_count, planes);
            for (int i = 0; i < radii; i++)
                EXPECT_EQ(cyl_radius[i], static_cast<float>(1 + i));
            for (int i = 0; i < planes; i++)
                EXPECT_EQ(cyl_plane_z[i], static_cast<float>(1000 + i));
        }
    }
}

// Counts above 100 are clamped and the surplus values read and dropped, so
// the section still ends where it should; counts are scanned as "%6i"
// (octal with a leading 0).  Cylinders and slabs are kept apart.
TEST(GeometryRead, CountsAreClampedScannedAsIntegersAndKindsKeptApart)
{
    ASSERT_EQ(Read("GSTA\nSLAB\n   130     2     1\n" + Values(130) + Values(2, 7) + Values(1, 9) +
                   "GEND\nHEADER\n"),
              "0|HEADER\n");
    EXPECT_EQ(slab_x_count, 100);
    EXPECT_EQ(slab_x[99], 100.0f);
    EXPECT_EQ(slab_y_count, 2);
    EXPECT_EQ(slab_y[1], 8.0f);
    EXPECT_EQ(slab_z[0], 9.0f);
    EXPECT_EQ(geometry_values_dropped, 30);

    ASSERT_EQ(Read("GSTA\nCYLS\n   010     1\n" + Values(8) + Values(1, 3) + "GEND\nH\n"), "0|H\n");
    EXPECT_EQ(geometry_kind, GEOMETRY_CYLINDERS);
    EXPECT_EQ(cyl_radius_count, 8);
    EXPECT_EQ(cyl_plane_z[0], 3.0f);
    EXPECT_EQ(slab_x_count, 100);   // the slab lists stay
    EXPECT_EQ(slab_z[0], 9.0f);
    ASSERT_EQ(Read("GSTA\nSLAB\n     1     1     1\n" + Values(1, 5) + Values(1, 6) + Values(1, 7) + "GEND\n"),
              "0|<eof>");
    EXPECT_EQ(cyl_plane_z[0], 3.0f);   // and the cylinder lists too
}

TEST(GeometryRead, MalformedSectionsFail)
{
    const std::string cases[] = {
        "",                                                       // empty
        "GEND\n",                                                 // no GSTA
        "gsta\nGEND\n",                                           // lower-case keyword
        "GSTA\nSPHR\nGEND\n",                                     // unknown kind
        "GSTA\nCYLS\n",                                           // ends after the kind
        "GSTA\nCYLS\n" + Counts(5, 1) + Values(4),                // list cut short
        "GSTA\nCYLS\n" + Counts(1, 1) + Values(1) + Values(1),    // no closing line
    };
    for (const std::string &text : cases)
        EXPECT_EQ(Read(text).substr(0, 3), "-1|") << text;
}

// Values: E exponents only (a D ends the number), an empty field is 0.
TEST(GeometryRead, ValueFields)
{
    float v[4] = {9, 9, 9, 9};
    Values_read("       1.5D+02     -2.5e+01                  3", v, 4);
    EXPECT_EQ(v[0], 1.5f);
    EXPECT_EQ(v[1], -25.0f);
    EXPECT_EQ(v[2], 0.0f);
    EXPECT_EQ(v[3], 3.0f);
}

} // namespace
