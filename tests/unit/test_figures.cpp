// Vector figures: the tracks of a small known picture as SVG paths, and the
// PDF read back by poppler against the raster picture of the same view.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <cairo.h>

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

const Colour RED = 0x000000FFu, GREEN = 0x0000FF00u, BLUE = 0x00FF0000u;

struct Pt {
    double x, y;
};

struct SvgStroke {
    std::string style;
    std::vector<std::vector<Pt>> subpaths;   // M and L only
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
                strokes.back().subpaths.emplace_back();
            strokes.back().subpaths.back().push_back(p);
        }
    }
    return strokes;
}

bool Near(Pt a, Pt b, double tolerance)
{
    return std::abs(a.x - b.x) <= tolerance && std::abs(a.y - b.y) <= tolerance;
}

class Figures : public testing::Test {
protected:
    void SetUp() override
    {
        Settings_init();
        Text_copy(settings.work_dir, sizeof settings.work_dir, "./");
        const Colour colours[3] = {RED, GREEN, BLUE};
        const int styles[3] = {PEN_SOLID, PEN_DASH, PEN_DOT};
        const int widths[3] = {1, 1, 3};
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
        std::string pic = "GSTA\nGEND\n"
                          "      -2.5       2.5      -2.0       2.0      -2.5       2.5       1.0\n"
                          "0    1\n";
        pic += Track(2, {{-1.0, 1.0}, {0.0, 1.0}, {0.01, 1.0}, {1.0, -1.0}});
        pic += Track(3, {{-2.1, -1.5}, {4.0, -1.5}});   // leaves the picture
        pic += Track(1, {{-2.0, 1.8}, {-2.0, 0.3}});
        // 200 steps back and forth between two pixels, 0.5 device pixels
        // apart.
        std::vector<std::pair<double, double>> wiggle;
        for (int i = 0; i < 200; i++)
            wiggle.push_back({i % 2 ? 0.5 : 0.525, -0.5});
        pic += Track(2, wiggle);
        File_write(scratch.file("p.pic"), pic);
        Text_copy(picture_path, sizeof picture_path, scratch.file("p.pic").c_str());
        ASSERT_EQ(Picture_convert(nullptr, 0), 0);
    }

    void TearDown() override { title_shown = 0; }

    // A track of one kind through the points (z, y) cm, x = 0.
    static std::string Track(int kind, const std::vector<std::pair<double, double>> &points)
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

    int Render(const std::string &name, int format, int panel, double scale)
    {
        PixelRect page = {0, 0, layout.bitmap_w, layout.bitmap_h};
        if (!panel)
            page = PixelRect{5, 5, layout.view_right, layout.view_bottom};
        CairoSurface figure;
        if (figure.open(scratch.file(name).c_str(), format, page, scale) != 0)
            return -1;
        figure.set_background(0, COLOUR_WHITE);
        Headless_paint(
            nullptr, &figure,
            [](void *s, const PixelRect *area) { static_cast<CairoSurface *>(s)->clip(area); },
            &figure, RENDER_FULL, 0, 0, panel);
        return figure.close();
    }

    ScratchDir scratch;
    struct Inside {   // the scratch folder is the current directory
        std::filesystem::path previous = std::filesystem::current_path();
        explicit Inside(const std::string &path) { std::filesystem::current_path(path); }
        ~Inside() { std::filesystem::current_path(previous); }
    } inside{scratch.path()};
    MessageRecorder messages;
};

// Each track one path piece in its particle's colour, width and dashes,
// from its first point to its last; a track that stays within one device
// pixel for 200 steps adds no points; the title is text.
TEST_F(Figures, SvgTracksArePathsWithPenAndEnds)
{
    const double F = 0.25;   // picture area alone, quarter size
    ASSERT_EQ(Render("f.svg", FIGURE_SVG, 0, F), 0);
    std::string svg = scratch.read("f.svg");
    std::vector<SvgStroke> strokes = Svg_strokes(svg);
    // Client pixel to the figure: centre of the pixel, F times, from (5, 5).
    auto at = [F](double x, double y) { return Pt{F * (x - 5 + 0.5), F * (y - 5 + 0.5)}; };
    struct Want {
        const char *colour, *pen;   // pen: a part of the style, or nullptr
        Pt front, back;
        size_t max_points;
    };
    const Want wants[] = {
        {"rgb(100%,0%,0%)", "stroke-width:1;", at(155, 105), at(355, 305), 4},
        {"rgb(0%,100%,0%)", "stroke-dasharray:18,6;", at(45, 355), at(655, 355), 2},
        {"rgb(0%,0%,100%)", "stroke-width:3;", at(55, 25), at(55, 175), 2},
        {"rgb(100%,0%,0%)", nullptr, at(307, 255), at(305, 255), 2},
    };
    for (const Want &w : wants) {
        SCOPED_TRACE(w.colour);
        const std::vector<Pt> *found = nullptr;
        for (const SvgStroke &s : strokes) {
            if (s.style.find(std::string("stroke:") + w.colour) == std::string::npos)
                continue;
            for (const auto &sub : s.subpaths)
                if (!found && Near(sub.front(), w.front, F)) {
                    found = &sub;
                    if (w.pen)
                        EXPECT_NE(s.style.find(w.pen), std::string::npos) << s.style;
                    if (!w.pen || !std::strstr(w.pen, "dash"))
                        EXPECT_EQ(s.style.find("dasharray"), std::string::npos) << s.style;
                }
        }
        ASSERT_NE(found, nullptr);
        EXPECT_LE(found->size(), w.max_points);
        EXPECT_TRUE(Near(found->back(), w.back, F)) << found->back().x << "," << found->back().y;
    }
    EXPECT_NE(svg.find(">Shower 1</text>"), std::string::npos);
    EXPECT_TRUE(messages.messages().empty()) << messages.texts();
}

// Rasterised by poppler, the PDF shows what the raster surface draws, to
// anti-aliasing: 4 x 4 blocks agree in mean colour, except where the title
// stands in another font, whose ink lies where the raster's does; and the
// title is text.
TEST_F(Figures, PdfLooksLikeTheRasterAndHoldsTheTitle)
{
    ASSERT_EQ(Render("f.pdf", FIGURE_PDF, 1, 1.0), 0);
    std::string pdf = scratch.file("f.pdf");
    if (std::system(("pdftoppm -r 72 -png '" + pdf + "' '" + scratch.file("f") + "'").c_str()) != 0)
        GTEST_SKIP() << "pdftoppm (poppler-utils) is not available";
    cairo_surface_t *png = cairo_image_surface_create_from_png(scratch.file("f-1.png").c_str());
    int w = cairo_image_surface_get_width(png), h = cairo_image_surface_get_height(png);
    const unsigned char *data = cairo_image_surface_get_data(png);
    auto shown = [&](int x, int y) {   // cairo's 0x00RRGGBB to 0x00BBGGRR
        uint32_t c = reinterpret_cast<const uint32_t *>(data + y * cairo_image_surface_get_stride(png))[x];
        return (c >> 16 & 0xFF) | (c & 0xFF00) | (c & 0xFF) << 16;
    };
    RasterSurface raster;
    ASSERT_EQ(Headless_render(nullptr, &raster, RENDER_FULL, 0, 0), 0);
    ASSERT_EQ(w, raster.width());
    ASSERT_EQ(h, raster.height());
    // The title in another font: its ink centred where the raster's is.
    double ink[2][3] = {};
    for (int y = 6; y < 45; y++)
        for (int x = 6; x < 95; x++) {
            Colour c[2] = {raster.pixel(x, y), shown(x, y)};
            for (int i = 0; i < 2; i++)
                if ((c[i] & 0xFF) > 128)
                    ink[i][0] += 1, ink[i][1] += x, ink[i][2] += y;
        }
    ASSERT_GT(ink[1][0], 0);
    EXPECT_NEAR(ink[1][1] / ink[1][0], ink[0][1] / ink[0][0], 4.0);
    EXPECT_NEAR(ink[1][2] / ink[1][0], ink[0][2] / ink[0][0], 2.0);
    int differing = 0, blocks = 0;
    for (int by = 0; by < h; by += 4)
        for (int bx = 0; bx < w; bx += 4) {
            if (bx < 5 + 10 + 80 && by < 5 + 20 + 20)   // the title
                continue;
            blocks++;
            int worst = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                int a = 0, b = 0, n = 0;
                for (int y = by; y < std::min(by + 4, h); y++)
                    for (int x = bx; x < std::min(bx + 4, w); x++, n++) {
                        a += int(raster.pixel(x, y) >> shift & 0xFF);
                        b += int(shown(x, y) >> shift & 0xFF);
                    }
                worst = std::max(worst, std::abs(a - b) / n);
            }
            differing += worst > 32;
        }
    EXPECT_EQ(differing, 0) << differing << " of " << blocks << " blocks differ";
    cairo_surface_destroy(png);
    ASSERT_EQ(std::system(("pdftotext '" + pdf + "' '" + scratch.file("f.txt") + "'").c_str()), 0);
    EXPECT_NE(scratch.read("f.txt").find("Shower 1"), std::string::npos);
}

} // namespace
