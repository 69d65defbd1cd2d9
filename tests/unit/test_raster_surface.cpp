// The raster surface against recorded GDI output: every scene of
// tests/data/gdi_ref (lines of every direction, style and width, rectangles,
// fills, clipping, origins, end points near the 32-bit limits, random lines)
// replayed and compared pixel for pixel, and the text size against the
// system font's; then the rules that the scenes do not reach.
#include "render/raster_surface.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const Colour WHITE = 0x00FFFFFFu, BLACK = 0, RED = 0x000000FFu, GREEN = 0x0000FF00u,
             BLUE = 0x00FF0000u;

std::vector<std::string> Data_lines(const char *name)
{
    std::vector<std::string> lines;
    FILE *f = std::fopen((std::string(VOKA_TEST_DATA) + "/gdi_ref/" + name).c_str(), "r");
    char buffer[4096];
    while (f && std::fgets(buffer, sizeof buffer, f))
        lines.emplace_back(buffer, std::strcspn(buffer, "\r\n"));
    if (f)
        std::fclose(f);
    return lines;
}

// Carries out one line of the scene script (scenes.txt describes the
// operations); other lines, and text, are passed over.
void Replay(RasterSurface *s, const char *line)
{
    char op[16] = "";
    long a = 0, b = 0, c = 0, d = 0;
    unsigned long colour = 0;
    std::sscanf(line, "%15s", op);
    std::string o = op;
    auto i = [](long v) { return static_cast<int32_t>(v); };
    auto rgb = [&colour] { return static_cast<Colour>(colour); };
    if (o == "clear" && std::sscanf(line, "%*s %lx", &colour) == 1)
        s->clear(rgb());
    else if (o == "pen" && std::sscanf(line, "%*s %ld %ld %lx", &a, &b, &colour) == 3)
        s->pen(static_cast<int>(a), static_cast<int>(b), rgb());
    else if ((o == "move" || o == "line" || o == "origin") &&
             std::sscanf(line, "%*s %ld %ld", &a, &b) == 2)
        o == "move"   ? s->move_to(i(a), i(b))
        : o == "line" ? s->line_to(i(a), i(b))
                      : s->set_origin(i(a), i(b));
    else if (o == "rect" &&
             std::sscanf(line, "%*s %ld %ld %ld %ld %lx", &a, &b, &c, &d, &colour) == 5)
        s->rectangle(i(a), i(b), i(c), i(d), rgb());
    else if (o == "fill" &&
             std::sscanf(line, "%*s %ld %ld %ld %ld %lx", &a, &b, &c, &d, &colour) == 5)
        s->fill_rect(i(a), i(b), i(c), i(d), rgb());
    else if (o == "bk")
        s->set_background(std::strstr(line, "opaque") != nullptr, WHITE);
}

// The pixels recorded for the scene whose "scene" line is lines[at]: a
// palette line "pal C=BBGGRR ..." follows, then one line per row in runs
// ("12.#3a": twelve pixels of ".", one "#", three "a").
std::vector<Colour> Recorded_pixels(const std::vector<std::string> &lines, size_t at, int height)
{
    Colour palette[128] = {};
    const std::string &pal = lines[at + 1];
    for (size_t p = 4; p + 8 <= pal.size(); p += 9)
        palette[pal[p] & 127] =
            static_cast<Colour>(std::strtoul(pal.substr(p + 2, 6).c_str(), nullptr, 16));
    std::vector<Colour> pixels;
    for (size_t y = 0; y < static_cast<size_t>(height) && at + 2 + y < lines.size(); y++) {
        size_t run = 0;
        for (char ch : lines[at + 2 + y]) {
            if (std::isdigit(static_cast<unsigned char>(ch))) {
                run = run * 10 + static_cast<size_t>(ch - '0');
                continue;
            }
            pixels.insert(pixels.end(), run ? run : 1, palette[ch & 127]);
            run = 0;
        }
    }
    return pixels;
}

TEST(RasterGdiReference, ScenesMatchRecordedGdiOutput)
{
    std::vector<std::string> script = Data_lines("scenes.txt"),
                             recorded = Data_lines("expected.txt");
    size_t at = 0;
    int compared = 0;
    for (size_t i = 0; i < script.size(); i++) {
        char name[64] = "";
        int w = 0, h = 0;
        // Text is drawn in another font than the system font: see the extent test.
        if (std::sscanf(script[i].c_str(), "scene %63s %d %d", name, &w, &h) != 3 ||
            std::strncmp(name, "text", 4) == 0)
            continue;
        while (at < recorded.size() && recorded[at] != script[i])
            at++;
        std::vector<Colour> want = Recorded_pixels(recorded, at, h);
        ASSERT_EQ(want.size(), static_cast<size_t>(w * h)) << "recorded output of " << script[i];
        RasterSurface s;
        ASSERT_EQ(s.create(w, h), 0);
        for (size_t k = i + 1; k < script.size() && script[k] != "end"; k++)
            Replay(&s, script[k].c_str());
        int differ = 0, first = 0;
        for (int p = w * h - 1; p >= 0; p--)
            if (s.pixels()[p] != want[static_cast<size_t>(p)])
                differ++, first = p;
        EXPECT_EQ(differ, 0) << name << ": first at (" << first % w << ", " << first / w << ")";
        compared++;
    }
    EXPECT_GT(compared, 20);
}

// metrics.txt: "extent W H TEXT" as GDI measures TEXT in the stock system font.
TEST(RasterGdiReference, TextSizeCloseToSystemFont)
{
    int checked = 0;
    for (const std::string &line : Data_lines("metrics.txt")) {
        long gdi_w = 0, gdi_h = 0;
        if (std::sscanf(line.c_str(), "extent %ld %ld", &gdi_w, &gdi_h) != 2)
            continue;
        // The text follows a single blank and may begin with blanks itself.
        const char *text = line.c_str() + line.find(' ', line.find(' ', 7) + 1) + 1;
        int32_t w = 0, h = 0;
        Raster_text_extent(text, static_cast<int>(std::strlen(text)), &w, &h);
        EXPECT_EQ(h, gdi_h) << text;
        EXPECT_LE(std::abs(w - gdi_w), gdi_w / 8 + 1) << text << ": " << w << " vs " << gdi_w;
        checked++;
    }
    EXPECT_GE(checked, 5);
}

// Row y as text: '.' white, '#' black, 'r', 'g', 'b', '?' any other colour.
std::string Row(const RasterSurface &s, int32_t y)
{
    std::string out;
    for (int32_t x = 0; x < s.width(); x++) {
        Colour c = s.pixel(x, y);
        out += c == WHITE   ? '.'
               : c == BLACK ? '#'
               : c == RED   ? 'r'
               : c == GREEN ? 'g'
               : c == BLUE  ? 'b'
                            : '?';
    }
    return out;
}

// A bad size leaves an empty surface that draws nothing; pixels outside read
// as 0xFFFFFFFF.  An unknown style keeps the pen in force; the gaps of a
// dotted pen take the background colour while the mode is opaque, and text
// switches the mode to transparent for good.
TEST(Raster, EmptySurfacePenStyleAndBackgroundRules)
{
    RasterSurface s;
    EXPECT_EQ(s.create(0, 5), -1);
    EXPECT_EQ(s.create(5, RASTER_MAX_SIDE + 1), -1);
    EXPECT_EQ(s.width(), 0);
    s.move_to(0, 0);
    s.line_to(10, 10);
    s.rectangle(0, 0, 5, 5, RED);
    s.fill_rect(0, 0, 5, 5, RED);
    s.text(0, 0, "x", 1, RED);
    ASSERT_EQ(s.create(12, 2), 0);
    EXPECT_EQ(s.pixel(-1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(s.pixel(12, 0), 0xFFFFFFFFu);
    s.clear(GREEN);
    s.pen(PEN_DOT, 1, RED);
    s.pen(9, 1, BLACK);
    s.set_background(1, BLUE);
    s.move_to(0, 0);
    s.line_to(12, 0);
    s.text(0, 100, "x", 1, BLACK);
    s.move_to(0, 1);
    s.line_to(12, 1);
    EXPECT_EQ(Row(s, 0), "rrrbbbrrrbbb");
    EXPECT_EQ(Row(s, 1), "rrrgggrrrggg");
}

// Drawn text stays inside the cell its extent gives, and text off the image
// draws nothing.
TEST(RasterText, InkStaysInTheTextCell)
{
    int32_t w = 0, h = 0;
    RasterSurface s;
    ASSERT_EQ(s.create(40, 20), 0);
    s.text(2, 2, "H", 1, RED);
    s.text(-1000, -1000, "HHHH", 4, BLUE);
    s.text(38, 18, "HHHH", 4, RED);
    Raster_text_extent("H", 1, &w, &h);
    int ink = 0, outside = 0;
    for (int32_t y = 0; y < 20; y++)
        for (int32_t x = 0; x < 38; x++)
            if (s.pixel(x, y) != WHITE)
                ink++,
                    outside += s.pixel(x, y) != RED || x < 2 || x >= 2 + w || y < 2 || y >= 2 + h;
    EXPECT_GT(ink, 10);
    EXPECT_EQ(outside, 0);
}

} // namespace
