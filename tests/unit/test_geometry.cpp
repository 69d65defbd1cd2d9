// The geometry section reader: keywords, counts, list lines and the bounds
// of the 100-value lists.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "picture/geometry.h"
#include "test_support.h"

namespace {

// Runs Geometry_read on a text; returns its result and the next line left
// in the stream (the header line of a picture file).
struct ReadResult {
    int result;
    std::string next;
};

ReadResult Read(const std::string &text)
{
    FILE *f = std::tmpfile();
    std::fputs(text.c_str(), f);
    std::rewind(f);
    ReadResult r;
    r.result = Geometry_read(f);
    char line[256] = "";
    r.next = std::fgets(line, sizeof line, f) ? line : "<eof>";
    std::fclose(f);
    return r;
}

// n values 1, 2, 3, ... four to a line in 15-column fields.
std::string Value_lines(int n, int first = 1)
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
    ReadResult r = Read("GSTA\nGEND and other words\nHEADER\n");
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(geometry_kind, GEOMETRY_NONE);
    EXPECT_EQ(r.next, "HEADER\n");
}

// A list of n values takes ceil(n/4) lines, an empty list none, so that
// counts like 9, 13 and 17 keep the following lists in step.
TEST(GeometryRead, ListsTakeFourValuesPerLine)
{
    const int counts[] = {0, 1, 3, 4, 5, 8, 9, 13, 14, 17, 100};
    for (int radii : counts) {
        for (int planes : {0, 2, 9}) {
            SCOPED_TRACE("radii " + std::to_string(radii) + " planes " + std::to_string(planes));
            std::string text = "GSTA\nCYLS\n" + Counts(radii, planes) + Value_lines(radii, 1) +
                               Value_lines(planes, 1000) + "GEND\nHEADER\n";
            ReadResult r = Read(text);
            ASSERT_EQ(r.result, 0);
            EXPECT_EQ(r.next, "HEADER\n");
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

// Counts above 100 are clamped; the surplus values are read and dropped so
// the section still ends where it should.
TEST(GeometryRead, CountsAboveTheListRoomAreClamped)
{
    std::string text = "GSTA\nSLAB\n   130     2     1\n" + Value_lines(130) + Value_lines(2, 7) +
                       Value_lines(1, 9) + "GEND\nHEADER\n";
    ReadResult r = Read(text);
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.next, "HEADER\n");
    EXPECT_EQ(slab_x_count, 100);
    EXPECT_EQ(slab_x[99], 100.0f);
    EXPECT_EQ(slab_y_count, 2);
    EXPECT_EQ(slab_y[1], 8.0f);
    EXPECT_EQ(slab_z[0], 9.0f);
    EXPECT_EQ(geometry_values_dropped, 30);
}

// Counts are scanned as "%6i": octal with a leading 0, blank fields skipped.
TEST(GeometryRead, CountsFollowFormattedInputRules)
{
    ReadResult r = Read("GSTA\nCYLS\n   010     1\n" + Value_lines(8) + Value_lines(1) + "GEND\nH\n");
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(cyl_radius_count, 8);
    EXPECT_EQ(cyl_plane_count, 1);
    EXPECT_EQ(r.next, "H\n");
}

// The cylinder and slab parts are separate storage.
TEST(GeometryRead, EachKindKeepsTheOthersValues)
{
    ASSERT_EQ(Read("GSTA\nSLAB\n" "     1     1     1\n" + Value_lines(1, 5) + Value_lines(1, 6) +
                   Value_lines(1, 7) + "GEND\n").result, 0);
    ASSERT_EQ(Read("GSTA\nCYLS\n" + Counts(1, 1) + Value_lines(1, 2) + Value_lines(1, 3) + "GEND\n")
                  .result, 0);
    EXPECT_EQ(geometry_kind, GEOMETRY_CYLINDERS);
    EXPECT_EQ(slab_x_count, 1);
    EXPECT_EQ(slab_x[0], 5.0f);
    ASSERT_EQ(Read("GSTA\nSLAB\n" "     1     1     1\n" + Value_lines(1, 5) + Value_lines(1, 6) +
                   Value_lines(1, 7) + "GEND\n").result, 0);
    EXPECT_EQ(cyl_radius[0], 2.0f);
    EXPECT_EQ(cyl_plane_z[0], 3.0f);
}

TEST(GeometryRead, MalformedSections)
{
    struct Case {
        const char *name;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"no GSTA", "GEND\n"},
        {"lower-case keyword", "gsta\nGEND\n"},
        {"unknown kind", "GSTA\nSPHR\nGEND\n"},
        {"ends after kind", "GSTA\nCYLS\n"},
        {"list cut short", "GSTA\nCYLS\n" + Counts(5, 1) + Value_lines(4)},
        {"no closing line", "GSTA\nCYLS\n" + Counts(1, 1) + Value_lines(1) + Value_lines(1)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Read(c.text).result, -1);
    }
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
