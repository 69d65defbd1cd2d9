// Tests of the raster surface: the drawing rules one by one, and a replay of
// the scene script whose GDI output is recorded in tests/data/gdi_ref.
#include "render/raster_surface.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "render/font_data.h"

namespace {

const Colour WHITE = 0x00FFFFFFu;
const Colour BLACK = 0x00000000u;
const Colour RED = 0x000000FFu;
const Colour GREEN = 0x0000FF00u;
const Colour BLUE = 0x00FF0000u;

// The image as text: '.' white, '#' black, 'r' red, 'g' green, 'b' blue,
// '?' any other colour.
std::string Picture(const RasterSurface &s)
{
    std::string out;
    for (int32_t y = 0; y < s.height(); y++) {
        for (int32_t x = 0; x < s.width(); x++) {
            Colour c = s.pixel(x, y);
            out += c == WHITE ? '.' : c == BLACK ? '#' : c == RED ? 'r' : c == GREEN ? 'g'
                 : c == BLUE ? 'b' : '?';
        }
        out += '\n';
    }
    return out;
}

std::vector<PixelPoint> Set_pixels(const RasterSurface &s)
{
    std::vector<PixelPoint> points;
    for (int32_t y = 0; y < s.height(); y++)
        for (int32_t x = 0; x < s.width(); x++)
            if (s.pixel(x, y) != WHITE) points.push_back(PixelPoint{x, y});
    return points;
}

int Count_colour(const RasterSurface &s, Colour colour)
{
    int n = 0;
    for (int32_t y = 0; y < s.height(); y++)
        for (int32_t x = 0; x < s.width(); x++)
            if (s.pixel(x, y) == colour) n++;
    return n;
}

class Raster : public ::testing::Test {
protected:
    RasterSurface s;
    void SetUp() override { ASSERT_EQ(s.create(16, 12), 0); }
    void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
    {
        s.move_to(x1, y1);
        s.line_to(x2, y2);
    }
};

TEST_F(Raster, CreateGivesWhiteImageAndRejectsBadSizes)
{
    EXPECT_EQ(s.width(), 16);
    EXPECT_EQ(s.height(), 12);
    EXPECT_EQ(Count_colour(s, WHITE), 16 * 12);
    EXPECT_EQ(s.pixel(-1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(s.pixel(16, 0), 0xFFFFFFFFu);
    RasterSurface bad;
    EXPECT_EQ(bad.create(0, 5), -1);
    EXPECT_EQ(bad.create(5, RASTER_MAX_SIDE + 1), -1);
    EXPECT_EQ(bad.width(), 0);
    bad.move_to(0, 0); // drawing on an empty surface does nothing
    bad.line_to(10, 10);
    bad.rectangle(0, 0, 5, 5, RED);
    bad.fill_rect(0, 0, 5, 5, RED);
    bad.text(0, 0, "x", 1, RED);
}

TEST_F(Raster, LineLeavesOutItsEndPixel)
{
    Line(3, 4, 4, 4); // the dot of the line primitive
    ASSERT_EQ(Set_pixels(s).size(), 1u);
    EXPECT_EQ(s.pixel(3, 4), BLACK);
    Line(8, 8, 8, 8); // zero length: nothing
    EXPECT_EQ(Set_pixels(s).size(), 1u);
}

TEST_F(Raster, LinesOfEveryDirectionHaveTheirLengthInPixels)
{
    // (dx, dy) -> pixels: max(|dx|, |dy|), starting at the start point.
    const int cases[][2] = {{5, 0}, {-5, 0}, {0, 5}, {0, -5}, {5, 2},  {2, 5},  {-2, 5}, {-5, 2},
                            {-5, -2}, {-2, -5}, {2, -5}, {5, -2}, {4, 4}, {-4, 4}, {-4, -4}, {4, -4}};
    for (const auto &c : cases) {
        ASSERT_EQ(s.create(16, 12), 0);
        Line(7, 6, 7 + c[0], 6 + c[1]);
        SCOPED_TRACE(testing::Message() << "dx " << c[0] << " dy " << c[1]);
        size_t expected = static_cast<size_t>(std::max(std::abs(c[0]), std::abs(c[1])));
        EXPECT_EQ(Set_pixels(s).size(), expected);
        EXPECT_EQ(s.pixel(7, 6), BLACK);
        EXPECT_EQ(s.pixel(7 + c[0], 6 + c[1]), WHITE);
    }
}

TEST_F(Raster, TiesFollowTheOctantRule)
{
    // A line of slope 1/4 passes exactly between two rows at x = 6: GDI
    // takes the row nearer the start in octants 1, 2, 4 and 7 and the row
    // farther from it in octants 3, 5, 6 and 8.
    Line(4, 5, 8, 6); // octant 1: x = 6 stays in the start's row
    EXPECT_EQ(Picture(s).substr(5 * 17, 17), "....###.........\n");
    EXPECT_EQ(s.pixel(7, 6), BLACK);
    ASSERT_EQ(s.create(16, 12), 0);
    Line(8, 6, 4, 5); // octant 5: x = 6 already in the end's row
    EXPECT_EQ(s.pixel(8, 6), BLACK);
    EXPECT_EQ(s.pixel(7, 6), BLACK);
    EXPECT_EQ(s.pixel(6, 5), BLACK);
    EXPECT_EQ(s.pixel(5, 5), BLACK);
    EXPECT_EQ(Set_pixels(s).size(), 4u);
}

TEST_F(Raster, PenWithSameArgumentsChangesNothingAndUnknownStyleKeepsPen)
{
    s.pen(PEN_SOLID, 1, RED);
    s.pen(PEN_SOLID, 1, RED);
    Line(0, 0, 4, 0);
    s.pen(9, 1, GREEN); // no such style: the red pen stays
    Line(0, 1, 4, 1);
    s.pen(PEN_NULL, 1, GREEN);
    Line(0, 2, 4, 2);
    s.pen(PEN_INSIDEFRAME, 1, BLUE);
    Line(0, 3, 4, 3);
    EXPECT_EQ(Count_colour(s, RED), 8);
    EXPECT_EQ(Count_colour(s, GREEN), 0);
    EXPECT_EQ(Count_colour(s, BLUE), 4);
}

TEST_F(Raster, DashPatternsRestartAtEveryLine)
{
    ASSERT_EQ(s.create(60, 4), 0);
    s.set_background(0, WHITE);
    const struct {
        int style;
        const char *row;
    } cases[] = {
        {PEN_DASH, "##################......##################......############"},
        {PEN_DOT, "###...###...###...###...###...###...###...###...###...###..."},
        {PEN_DASHDOT, "#########......###......#########......###......#########..."},
        {PEN_DASHDOTDOT, "#########...###...###...#########...###...###...#########..."},
    };
    for (const auto &c : cases) {
        ASSERT_EQ(s.create(60, 4), 0);
        s.set_background(0, WHITE);
        s.pen(c.style, 1, BLACK);
        Line(0, 1, 60, 1);
        EXPECT_EQ(Picture(s).substr(61, 60), c.row) << "style " << c.style;
        // Two chained segments: the second starts its pattern afresh.
        ASSERT_EQ(s.create(60, 4), 0);
        s.set_background(0, WHITE);
        s.pen(c.style, 0, BLACK);
        s.move_to(0, 1);
        s.line_to(7, 1);
        s.line_to(60, 1);
        std::string expected = std::string(c.row).substr(0, 7) + std::string(c.row).substr(0, 53);
        EXPECT_EQ(Picture(s).substr(61, 60), expected) << "style " << c.style;
    }
}

TEST_F(Raster, DashGapsTakeBackgroundOnlyWhileOpaque)
{
    ASSERT_EQ(s.create(12, 3), 0);
    s.clear(GREEN);
    s.pen(PEN_DOT, 1, BLACK);
    Line(0, 0, 12, 0); // fresh surface: opaque, white background
    s.set_background(1, RED);
    Line(0, 1, 12, 1);
    s.text(0, 100, "x", 1, BLACK); // text makes the background transparent
    Line(0, 2, 12, 2);
    EXPECT_EQ(Picture(s), "###...###...\n###rrr###rrr\n###ggg###ggg\n");
}

TEST_F(Raster, WidePenDotsAndSegments)
{
    ASSERT_EQ(s.create(12, 12), 0);
    s.pen(PEN_SOLID, 3, BLACK);
    Line(5, 5, 6, 5); // the dot of the line primitive: round caps, width 3
    EXPECT_EQ(Picture(s), "............\n"
                          "............\n"
                          "............\n"
                          "............\n"
                          ".....##.....\n"
                          "....####....\n"
                          ".....##.....\n"
                          "............\n"
                          "............\n"
                          "............\n"
                          "............\n"
                          "............\n");
    // Styled pens wider than 1 draw solid.
    for (int width : {2, 3, 4}) {
        RasterSurface solid;
        ASSERT_EQ(solid.create(12, 12), 0);
        solid.pen(PEN_SOLID, width, BLACK);
        solid.move_to(1, 2);
        solid.line_to(10, 9);
        for (int style : {PEN_DASH, PEN_DOT, PEN_DASHDOT, PEN_DASHDOTDOT}) {
            ASSERT_EQ(s.create(12, 12), 0);
            s.pen(style, width, BLACK);
            Line(1, 2, 10, 9);
            EXPECT_EQ(Picture(s), Picture(solid)) << "style " << style << " width " << width;
        }
    }
}

TEST_F(Raster, RectangleEdgesAndFill)
{
    s.pen(PEN_SOLID, 1, BLACK);
    s.rectangle(2, 1, 7, 5, RED); // outline columns 2..6, rows 1..4
    s.pen(PEN_NULL, 1, BLACK);
    s.rectangle(9, 1, 13, 5, GREEN); // null pen: fill one pixel short
    s.pen(PEN_SOLID, 1, BLACK);
    s.rectangle(15, 11, 14, 8, BLUE); // reversed corners are put in order
    EXPECT_EQ(Picture(s), "................\n"
                          "..#####..ggg....\n"
                          "..#rrr#..ggg....\n"
                          "..#rrr#..ggg....\n"
                          "..#####.........\n"
                          "................\n"
                          "................\n"
                          "................\n"
                          "..............#.\n"
                          "..............#.\n"
                          "..............#.\n"
                          "................\n");
}

TEST_F(Raster, FillRectIncludesLeftTopExcludesRightBottom)
{
    s.fill_rect(1, 1, 4, 3, RED);
    s.fill_rect(9, 3, 6, 1, GREEN); // reversed: from right + 1 to left + 1
    s.fill_rect(12, 1, 12, 5, BLUE); // empty
    EXPECT_EQ(Picture(s).substr(0, 4 * 17), "................\n"
                                            ".rrr............\n"
                                            ".rrr...ggg......\n"
                                            ".......ggg......\n");
}

TEST_F(Raster, OriginShiftsEverything)
{
    s.set_origin(5, 3);
    s.move_to(0, 0);
    s.line_to(3, 0);
    s.fill_rect(0, 2, 2, 3, RED);
    s.rectangle(-5, -3, -3, -1, GREEN);
    EXPECT_EQ(s.pixel(5, 3), BLACK);
    EXPECT_EQ(s.pixel(7, 3), BLACK);
    EXPECT_EQ(s.pixel(8, 3), WHITE);
    EXPECT_EQ(s.pixel(5, 5), RED);
    EXPECT_EQ(s.pixel(6, 5), RED);
    EXPECT_EQ(s.pixel(0, 0), BLACK);
    EXPECT_EQ(s.pixel(1, 1), BLACK);
}

TEST_F(Raster, FarCoordinatesAreClippedQuickly)
{
    // Each of these must end at once and draw only what lies in the image.
    const int32_t far[][4] = {
        {-2000, 5, 2000, 6},           {INT32_MIN, 0, INT32_MAX, 11},
        {INT32_MAX, INT32_MIN, 0, 0},  {-1000000000, -7, 1000000000, 7},
        {5, -2000000000, 6, 2000000000}, {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX},
        {100000, 100000, 200000, 300000},
    };
    for (int width : {1, 3}) {
        for (int style : {PEN_SOLID, PEN_DOT}) {
            s.pen(style, width, BLACK);
            for (const auto &f : far) Line(f[0], f[1], f[2], f[3]);
        }
    }
    s.set_origin(INT32_MAX, INT32_MIN);
    for (const auto &f : far) Line(f[0], f[1], f[2], f[3]);
    s.rectangle(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, RED);
    s.fill_rect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, RED);
    SUCCEED();
}

TEST_F(Raster, ClippedLineKeepsItsPixels)
{
    // A long shallow line clipped by the image has the same pixels there as
    // the same line drawn in a larger image.
    RasterSurface big;
    ASSERT_EQ(big.create(400, 300), 0);
    big.set_origin(200, 150);
    big.pen(PEN_DASHDOT, 1, BLACK);
    big.move_to(-190, -140);
    big.line_to(173, 139);
    s.pen(PEN_DASHDOT, 1, BLACK);
    Line(-190, -140, 173, 139);
    for (int32_t y = 0; y < s.height(); y++)
        for (int32_t x = 0; x < s.width(); x++)
            ASSERT_EQ(s.pixel(x, y), big.pixel(x + 200, y + 150)) << x << "," << y;
    EXPECT_GT(Count_colour(s, BLACK), 0);
}

TEST(RasterClipping, WindowShowsTheSamePixelsAsTheWholeImage)
{
    // Random lines of every pen kind drawn into a large image and into a
    // small window onto it (through the origin): the window must hold the
    // same pixels, whatever the clipping cut off.
    RasterSurface big, window;
    ASSERT_EQ(big.create(500, 400), 0);
    ASSERT_EQ(window.create(37, 23), 0);
    const int32_t wx = 230, wy = 190; // window position in the large image
    window.set_origin(-wx, -wy);
    unsigned seed = 12345;
    auto next = [&seed](int n) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int32_t>((seed >> 8) % static_cast<unsigned>(n));
    };
    const int styles[] = {PEN_SOLID, PEN_DASH, PEN_DOT, PEN_DASHDOT, PEN_DASHDOTDOT};
    for (int i = 0; i < 3000; i++) {
        int style = styles[next(5)];
        int width = next(4) == 0 ? 2 + next(3) : 1;
        Colour colour = static_cast<Colour>(next(0xFFFFFF));
        int32_t x1 = next(500), y1 = next(400), x2 = next(500), y2 = next(400);
        big.pen(style, width, colour);
        window.pen(style, width, colour);
        big.move_to(x1, y1);
        big.line_to(x2, y2);
        window.move_to(x1, y1);
        window.line_to(x2, y2);
    }
    for (int32_t y = 0; y < window.height(); y++)
        for (int32_t x = 0; x < window.width(); x++)
            ASSERT_EQ(window.pixel(x, y), big.pixel(x + wx, y + wy)) << x << "," << y;
}

TEST(RasterText, ExtentAndDrawing)
{
    int32_t w = 0, h = 0;
    Raster_text_extent("", 0, &w, &h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, font_height);
    Raster_text_extent("ll", 2, &w, &h);
    int32_t ll = w;
    Raster_text_extent("llll", 2, &w, &h); // only `length` bytes count
    EXPECT_EQ(w, ll);
    Raster_text_extent("\x01", 1, &w, &h); // unprintable: as "?"
    int32_t unknown = w;
    Raster_text_extent("?", 1, &w, &h);
    EXPECT_EQ(w, unknown);

    RasterSurface s;
    ASSERT_EQ(s.create(40, 20), 0);
    s.text(2, 2, "H", 1, RED);
    Raster_text_extent("H", 1, &w, &h);
    // All ink inside the text cell.
    int ink = 0;
    for (int32_t y = 0; y < 20; y++)
        for (int32_t x = 0; x < 40; x++)
            if (s.pixel(x, y) == RED) {
                ink++;
                EXPECT_GE(x, 2);
                EXPECT_LT(x, 2 + w);
                EXPECT_GE(y, 2);
                EXPECT_LT(y, 2 + h);
            }
    EXPECT_GT(ink, 10);
    s.text(-1000, -1000, "HHHH", 4, RED); // off the image: nothing, no fault
    s.text(38, 18, "HHHH", 4, RED);
}

// ---- Replay of the recorded GDI scenes ----

struct RefScene {
    std::string name;
    int width = 0;
    int height = 0;
    std::vector<std::string> ops;     // script lines
    std::vector<Colour> pixels;       // expected, from GDI
};

std::string Data_path(const char *name)
{
    return std::string(VOKA_TEST_DATA) + "/gdi_ref/" + name;
}

bool Read_lines(const std::string &path, std::vector<std::string> *lines)
{
    FILE *f = std::fopen(path.c_str(), "r");
    if (!f) return false;
    char buf[4096];
    while (std::fgets(buf, sizeof buf, f)) {
        std::string line(buf);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        lines->push_back(line);
    }
    std::fclose(f);
    return true;
}

bool Load_scenes(std::vector<RefScene> *scenes, std::string *error)
{
    std::vector<std::string> script, expected;
    if (!Read_lines(Data_path("scenes.txt"), &script) ||
        !Read_lines(Data_path("expected.txt"), &expected)) {
        *error = "cannot read the gdi_ref data";
        return false;
    }
    for (const std::string &line : script) {
        char op[32] = "";
        if (std::sscanf(line.c_str(), "%31s", op) != 1 || op[0] == '#') continue;
        if (std::strcmp(op, "scene") == 0) {
            RefScene scene;
            char name[64] = "";
            std::sscanf(line.c_str(), "%*s %63s %d %d", name, &scene.width, &scene.height);
            scene.name = name;
            scenes->push_back(scene);
        } else if (!scenes->empty()) {
            scenes->back().ops.push_back(line);
        }
    }
    size_t k = 0;
    for (size_t i = 0; i < expected.size(); i++) {
        char name[64] = "";
        int w = 0, h = 0;
        if (std::sscanf(expected[i].c_str(), "scene %63s %d %d", name, &w, &h) != 3) continue;
        if (k >= scenes->size() || (*scenes)[k].name != name || (*scenes)[k].width != w ||
            (*scenes)[k].height != h || i + 2 + static_cast<size_t>(h) > expected.size()) {
            *error = std::string("expected.txt does not match scenes.txt at ") + name;
            return false;
        }
        RefScene &scene = (*scenes)[k++];
        Colour palette[128] = {};
        const std::string &pal = expected[i + 1];
        for (size_t p = 4; p + 8 <= pal.size(); p += 9)
            palette[static_cast<unsigned char>(pal[p]) & 127] =
                static_cast<Colour>(std::strtoul(pal.substr(p + 2, 6).c_str(), nullptr, 16));
        for (int y = 0; y < h; y++) {
            const std::string &row = expected[i + 2 + static_cast<size_t>(y)];
            int run = 0;
            for (char ch : row) {
                if (ch >= '0' && ch <= '9') {
                    run = run * 10 + (ch - '0');
                    continue;
                }
                for (int r = 0; r < (run ? run : 1); r++)
                    scene.pixels.push_back(palette[static_cast<unsigned char>(ch) & 127]);
                run = 0;
            }
            if (scene.pixels.size() != static_cast<size_t>(w) * static_cast<size_t>(y + 1)) {
                *error = "bad row in expected.txt, scene " + scene.name;
                return false;
            }
        }
    }
    if (k != scenes->size()) {
        *error = "expected.txt lacks scenes";
        return false;
    }
    return true;
}

void Replay(const RefScene &scene, RasterSurface *s)
{
    for (const std::string &line : scene.ops) {
        char op[32] = "";
        long a = 0, b = 0, c = 0, d = 0;
        unsigned long colour = 0;
        const char *l = line.c_str();
        std::sscanf(l, "%31s", op);
        if (std::strcmp(op, "clear") == 0) {
            std::sscanf(l, "%*s %lx", &colour);
            s->clear(static_cast<Colour>(colour));
        } else if (std::strcmp(op, "pen") == 0) {
            std::sscanf(l, "%*s %ld %ld %lx", &a, &b, &colour);
            s->pen(static_cast<int>(a), static_cast<int>(b), static_cast<Colour>(colour));
        } else if (std::strcmp(op, "move") == 0) {
            std::sscanf(l, "%*s %ld %ld", &a, &b);
            s->move_to(static_cast<int32_t>(a), static_cast<int32_t>(b));
        } else if (std::strcmp(op, "line") == 0) {
            std::sscanf(l, "%*s %ld %ld", &a, &b);
            s->line_to(static_cast<int32_t>(a), static_cast<int32_t>(b));
        } else if (std::strcmp(op, "rect") == 0) {
            std::sscanf(l, "%*s %ld %ld %ld %ld %lx", &a, &b, &c, &d, &colour);
            s->rectangle(static_cast<int32_t>(a), static_cast<int32_t>(b), static_cast<int32_t>(c),
                         static_cast<int32_t>(d), static_cast<Colour>(colour));
        } else if (std::strcmp(op, "fill") == 0) {
            std::sscanf(l, "%*s %ld %ld %ld %ld %lx", &a, &b, &c, &d, &colour);
            s->fill_rect(static_cast<int32_t>(a), static_cast<int32_t>(b), static_cast<int32_t>(c),
                         static_cast<int32_t>(d), static_cast<Colour>(colour));
        } else if (std::strcmp(op, "origin") == 0) {
            std::sscanf(l, "%*s %ld %ld", &a, &b);
            s->set_origin(static_cast<int32_t>(a), static_cast<int32_t>(b));
        } else if (std::strcmp(op, "bk") == 0) {
            s->set_background(std::strstr(l, "opaque") != nullptr, WHITE);
        } else if (std::strcmp(op, "text") == 0) {
            int start = 0;
            std::sscanf(l, "%*s %ld %ld %lx %n", &a, &b, &colour, &start);
            s->text(static_cast<int32_t>(a), static_cast<int32_t>(b), l + start,
                    static_cast<int>(std::strlen(l + start)), static_cast<Colour>(colour));
        }
    }
}

// A few rows around the first difference, GDI's above ours.
std::string Show_difference(const RefScene &scene, const RasterSurface &s, int x0, int y0)
{
    std::string out;
    for (int pass = 0; pass < 2; pass++) {
        out += pass == 0 ? "GDI:\n" : "raster:\n";
        for (int y = std::max(0, y0 - 4); y < std::min(scene.height, y0 + 5); y++) {
            for (int x = std::max(0, x0 - 12); x < std::min(scene.width, x0 + 13); x++) {
                Colour c = pass == 0 ? scene.pixels[static_cast<size_t>(y * scene.width + x)]
                                     : s.pixel(x, y);
                out += c == WHITE ? '.' : c == BLACK ? '#' : static_cast<char>('a' + c % 26);
            }
            out += '\n';
        }
    }
    return out;
}

TEST(RasterGdiReference, ScenesMatchRecordedGdiOutput)
{
    std::vector<RefScene> scenes;
    std::string error;
    ASSERT_TRUE(Load_scenes(&scenes, &error)) << error;
    ASSERT_GT(scenes.size(), 20u);
    for (const RefScene &scene : scenes) {
        if (scene.name.compare(0, 4, "text") == 0) continue; // text: extent test below
        RasterSurface s;
        ASSERT_EQ(s.create(scene.width, scene.height), 0);
        Replay(scene, &s);
        int differ = 0, first_x = -1, first_y = -1;
        for (int y = 0; y < scene.height; y++)
            for (int x = 0; x < scene.width; x++)
                if (s.pixel(x, y) != scene.pixels[static_cast<size_t>(y * scene.width + x)]) {
                    if (differ++ == 0) {
                        first_x = x;
                        first_y = y;
                    }
                }
        EXPECT_EQ(differ, 0) << "scene " << scene.name << ", first at (" << first_x << ", "
                             << first_y << ")\n"
                             << (differ ? Show_difference(scene, s, first_x, first_y) : "");
    }
}

TEST(RasterGdiReference, TextSizeCloseToSystemFont)
{
    // metrics.txt: the stock system font as GDI measures it.
    std::vector<std::string> lines;
    ASSERT_TRUE(Read_lines(Data_path("metrics.txt"), &lines));
    int checked = 0;
    for (const std::string &line : lines) {
        long gdi_w = 0, gdi_h = 0;
        if (std::sscanf(line.c_str(), "extent %ld %ld", &gdi_w, &gdi_h) != 2) continue;
        // The text follows the third blank and may begin with blanks itself.
        const char *text = line.c_str();
        for (int blanks = 0; blanks < 3 && *text; text++)
            if (*text == ' ') blanks++;
        int32_t w = 0, h = 0;
        Raster_text_extent(text, static_cast<int>(std::strlen(text)), &w, &h);
        EXPECT_EQ(h, gdi_h) << text;
        EXPECT_LE(std::abs(w - gdi_w), gdi_w / 8 + 1) << text << ": " << w << " vs " << gdi_w;
        checked++;
    }
    EXPECT_GE(checked, 5);
}

} // namespace
