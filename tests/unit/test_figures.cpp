// Vector figures: the tracks of a small known picture as SVG paths, quarter
// size and without the panel (tests/system/figures.sh compares the PDF with
// the raster picture).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "picture/picture.h"
#include "picture/settings.h"
#include "render/cairo_surface.h"
#include "render/headless.h"
#include "render/layout.h"
#include "render/picture_paint.h"
#include "render/view.h"
#include "test_support.h"

// Fontconfig, which cairo's text uses, keeps its caches to the end of the
// process.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig\n";
}

namespace {

struct Pt {
    double x, y;
};

bool Near(Pt a, Pt b, double tolerance)
{
    return std::abs(a.x - b.x) <= tolerance && std::abs(a.y - b.y) <= tolerance;
}

// The stroked paths of an SVG file: their style and their pieces (M and L).
struct SvgStroke {
    std::string style;
    std::vector<std::vector<Pt>> pieces;
};

std::vector<SvgStroke> Svg_strokes(const std::string &svg)
{
    std::vector<SvgStroke> strokes;
    std::regex path("<path style=\"(fill:none;[^\"]*)\" d=\"([^\"]*)\"");
    for (std::sregex_iterator m(svg.begin(), svg.end(), path), end; m != end; ++m) {
        strokes.push_back(SvgStroke{(*m)[1], {}});
        std::istringstream d((*m)[2]);
        std::string op;
        Pt p;
        while (d >> op >> p.x >> p.y) {
            if (op == "M")
                strokes.back().pieces.emplace_back();
            strokes.back().pieces.back().push_back(p);
        }
    }
    return strokes;
}

// A track of one kind through the points (z, y) cm, x = 0.
std::string Track(int kind, const std::vector<std::pair<double, double>> &points)
{
    std::string lines;
    for (const auto &p : points) {
        char line[32];
        std::snprintf(line, sizeof line, "%d50000%05d%05d10000\n", kind,
                      static_cast<int>(std::lround(50000 + p.second * 10000)),
                      static_cast<int>(std::lround(50000 + p.first * 10000)));
        lines += line;
    }
    return lines + "-\n";
}

// Each track one path piece in its particle's colour, width and dashes (not
// scaled with the figure), from its first point to its last; a track that
// stays within one device pixel for 200 steps adds no points; the title is
// text.
using Figures = PictureTest;

TEST_F(Figures, SvgTracksArePathsWithPenAndEnds)
{
    const Colour colours[3] = {0x000000FFu, 0x0000FF00u, 0x00FF0000u};
    const int styles[3] = {PEN_SOLID, PEN_DASH, PEN_DOT}, widths[3] = {1, 1, 3};
    for (int i = 0; i < 3; i++) {
        settings.particle_color[i] = colours[i];
        settings.particle_pen_style[i] = styles[i];
        settings.particle_pen_width[i] = widths[i];
    }
    Text_copy(settings.title_text, sizeof settings.title_text, "Shower 1");
    Text_copy(settings.scale_unit_text, sizeof settings.scale_unit_text, "0");
    view_state = ViewState{};
    angle_x = angle_y = angle_z = 0;
    show_electron = show_positron = show_photon = 1;
    geometry_enabled = geometry_pending = 1;
    title_shown = 1;
    title_pos = PixelPoint{10, 20};
    guide_shown = 0;
    // Picture 500 x 400 for a scene of 5 x 4 cm: 100 pixels per cm, the
    // scene centre at client (255, 205).
    Layout_compute(LAYOUT_FROM_WINDOW, 660, 460);
    std::string pic = "GSTA\nGEND\n      -2.5       2.5      -2.0       2.0      -2.5       2.5       1.0\n0    1\n";
    pic += Track(2, {{-1.0, 1.0}, {0.0, 1.0}, {0.01, 1.0}, {1.0, -1.0}});
    pic += Track(3, {{-2.1, -1.5}, {4.0, -1.5}});   // leaves the picture
    pic += Track(1, {{-2.0, 1.8}, {-2.0, 0.3}});
    // 200 steps back and forth between two pixels, 0.5 device pixels apart.
    std::vector<std::pair<double, double>> wiggle;
    for (int i = 0; i < 200; i++)
        wiggle.push_back({i % 2 ? 0.5 : 0.525, -0.5});
    pic += Track(2, wiggle);
    ASSERT_EQ(Run(pic), 0);

    const double F = 0.25;   // picture area alone, quarter size
    CairoSurface figure;
    ASSERT_EQ(figure.open(scratch.file("f.svg").c_str(), FIGURE_SVG,
                          PixelRect{5, 5, layout.view_right, layout.view_bottom}, F),
              0);
    figure.set_background(0, COLOUR_WHITE);
    Headless_paint(
        nullptr, &figure, [](void *s, const PixelRect *area) { static_cast<CairoSurface *>(s)->clip(area); },
        &figure, RENDER_FULL, 0, 0, 0);
    title_shown = 0;
    ASSERT_EQ(figure.close(), 0);
    std::string svg = scratch.read("f.svg");
    std::vector<SvgStroke> strokes = Svg_strokes(svg);

    // Client pixel to the figure: centre of the pixel, F times, from (5, 5).
    auto at = [F](double x, double y) { return Pt{F * (x - 5 + 0.5), F * (y - 5 + 0.5)}; };
    const struct {
        const char *colour, *pen;   // pen: a part of the style, or nullptr
        Pt front, back;
        size_t max_points;
    } wants[] = {
        {"rgb(100%,0%,0%)", "stroke-width:1;", at(155, 105), at(355, 305), 4},
        {"rgb(0%,100%,0%)", "stroke-dasharray:18,6;", at(45, 355), at(655, 355), 2},
        {"rgb(0%,0%,100%)", "stroke-width:3;", at(55, 25), at(55, 175), 2},
        {"rgb(100%,0%,0%)", nullptr, at(307, 255), at(305, 255), 2},
    };
    for (const auto &w : wants) {
        SCOPED_TRACE(w.colour);
        const std::vector<Pt> *found = nullptr;
        for (const SvgStroke &s : strokes)
            for (const auto &piece : s.pieces)
                if (!found && s.style.find(std::string("stroke:") + w.colour) != std::string::npos &&
                    Near(piece.front(), w.front, F)) {
                    found = &piece;
                    bool dashed = w.pen && std::string(w.pen).find("dash") != std::string::npos;
                    EXPECT_TRUE(!w.pen || s.style.find(w.pen) != std::string::npos) << s.style;
                    EXPECT_EQ(s.style.find("dasharray") != std::string::npos, dashed) << s.style;
                }
        ASSERT_NE(found, nullptr);
        EXPECT_LE(found->size(), w.max_points);
        EXPECT_TRUE(Near(found->back(), w.back, F)) << found->back().x << "," << found->back().y;
    }
    EXPECT_NE(svg.find(">Shower 1</text>"), std::string::npos);
    EXPECT_TRUE(messages.messages().empty()) << messages.texts();
}

} // namespace
