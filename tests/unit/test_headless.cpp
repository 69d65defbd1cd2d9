// Headless rendering: the image the viewer shows, checked at pixels placed
// by an independent computation of the projection.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "picture/picture.h"
#include "picture/settings.h"
#include "render/annotations.h"
#include "render/headless.h"
#include "render/layout.h"
#include "render/picture_paint.h"
#include "render/view.h"
#include "test_support.h"

namespace {

const Colour RED = 0x000000FFu;
const Colour BLACK = 0x00000000u;

class Headless : public testing::Test {
protected:
    void SetUp() override
    {
        Settings_init();
        Text_copy(settings.work_dir, sizeof settings.work_dir, "./");
        settings.particle_color[PARTICLE_ELECTRON] = RED;
        Text_copy(settings.scale_unit_text, sizeof settings.scale_unit_text, "0");
        view_state = ViewState{};
        large_fonts = 0;
        angle_x = angle_y = angle_z = 0;
        geometry_enabled = geometry_pending = 1;
        title_shown = guide_shown = 0;
        Layout_compute(LAYOUT_FROM_WINDOW, 700, 450);   // picture 540 x 390
    }

    void Load(const std::string &steps, const char *coord_scale_field = "       1.0")
    {
        // Scene x, z from -6 to 6, y from -3 to 3: the scale is 12 / 540 cm
        // per pixel (the horizontal ratio is the larger).
        std::string pic = "GSTA\nGEND\n"
                          "      -6.0       6.0      -3.0       3.0      -6.0       6.0" +
                          std::string(coord_scale_field) + "\n0    1\n" + steps;
        File_write(scratch.file("p.pic"), pic);
        Text_copy(picture_path, sizeof picture_path, scratch.file("p.pic").c_str());
        ASSERT_EQ(Picture_convert(nullptr, 0), 0);
    }

    // A one-point electron track at (x, y, z) cm: a dot.
    static std::string Dot(double x, double y, double z)
    {
        char line[32];
        std::snprintf(line, sizeof line, "2%05d%05d%05d10000\n-\n",
                      static_cast<int>(std::lround(50000 + x * 10000)),
                      static_cast<int>(std::lround(50000 + y * 10000)),
                      static_cast<int>(std::lround(50000 + z * 10000)));
        return line;
    }

    // Client pixel of a world point with angle_y = a degrees (others 0),
    // computed here from the rotation: horizontal = z cos(a) - x sin(a),
    // vertical = y; the scene centre is the origin.
    static PixelPoint Expected(double x, double y, double z, double a_deg)
    {
        double s = 12.0 / 540.0;
        double a = a_deg * 3.1415926535 / 180.0;
        double u = (z * std::cos(a) - x * std::sin(a)) / s;
        double v = y / s;
        return PixelPoint{5 + 270 + static_cast<int32_t>(std::trunc(u)),
                          5 + 195 - static_cast<int32_t>(std::trunc(v))};
    }

    ScratchDir scratch;
    CurrentDir inside{scratch.path()};
    MessageRecorder messages;
};

TEST_F(Headless, DotsLandWhereTheProjectionPutsThem)
{
    const double points[][3] = {{0, 0, 0}, {0, 1.5, 2.25}, {0, -2.0, -4.5}, {0, 2.9, 4.9}};
    std::string steps;
    for (const auto &p : points)
        steps += Dot(p[0], p[1], p[2]);
    Load(steps);
    for (double a : {0.0, 30.0, -90.0}) {
        SCOPED_TRACE(a);
        angle_y = static_cast<int16_t>(a);
        RasterSurface image;
        ASSERT_EQ(Headless_render(nullptr, &image, RENDER_FULL, 0, 0), 0);
        ASSERT_EQ(image.width(), layout.bitmap_w);
        ASSERT_EQ(image.height(), layout.bitmap_h);
        int red = 0;
        for (int32_t y = 0; y < image.height(); y++)
            for (int32_t x = 0; x < image.width(); x++)
                red += image.pixel(x, y) == RED;
        EXPECT_EQ(red, 4);
        for (const auto &p : points) {
            PixelPoint at = Expected(p[0], p[1], p[2], a);
            EXPECT_EQ(image.pixel(at.x, at.y), RED) << at.x << "," << at.y;
        }
    }
    EXPECT_TRUE(messages.messages().empty()) << messages.texts();
}

// The margin stays light grey and the frame lies on the picture's edges;
// what the picture draws beyond its area is painted over.
TEST_F(Headless, MarginAndFrame)
{
    // A track from the centre that leaves the picture on the right
    // (coordinate scale 2: z = 10 cm).
    Load("250000500005000010000\n250000500009999910000\n-\n", "       2.0");
    RasterSurface image;
    ASSERT_EQ(Headless_render(nullptr, &image, RENDER_FULL, 0, 0), 0);
    EXPECT_EQ(image.pixel(0, 0), COLOUR_LTGRAY);
    EXPECT_EQ(image.pixel(2, 200), COLOUR_LTGRAY);
    EXPECT_EQ(image.pixel(layout.bitmap_w - 1, 200), COLOUR_LTGRAY);
    EXPECT_EQ(image.pixel(layout.view_right, 200), BLACK);   // the frame's right edge
    EXPECT_EQ(image.pixel(100, layout.view_bottom), BLACK);
    EXPECT_EQ(image.pixel(layout.view_right + 2, 200), COLOUR_LTGRAY);
    EXPECT_EQ(image.pixel(300, 200), RED);                   // the track inside
}

// Title and guide mark at their (limited) positions, picture coordinates.
TEST_F(Headless, TitleAndGuideArePlacedAndLimited)
{
    Load(Dot(0, 0, 0));
    settings.background_color = 0x00FFFFFFu;
    Settings_derive_colours();
    settings.character_color = BLACK;
    Text_copy(settings.title_text, sizeof settings.title_text, "Shower");
    title_shown = 1;
    title_pos = PixelPoint{10, 20};
    guide_shown = 1;
    guide_pos = PixelPoint{5000, 5000};   // pulled in to the picture
    RasterSurface image;
    ASSERT_EQ(Headless_render(nullptr, &image, RENDER_FULL, 0, 0), 0);
    EXPECT_EQ(guide_pos.x, layout.view_right - 150);
    EXPECT_EQ(guide_pos.y, layout.view_bottom - 80);
    // The guide frame (black on white), picture origin at client (5, 5).
    EXPECT_EQ(image.pixel(5 + guide_pos.x, 5 + guide_pos.y + 30), BLACK);
    EXPECT_EQ(image.pixel(5 + guide_pos.x + 136, 5 + guide_pos.y + 30), BLACK);
    EXPECT_EQ(image.pixel(5 + guide_pos.x + 68, 5 + guide_pos.y + 69), BLACK);
    // Some dark title pixels near (15, 25).
    int dark = 0;
    for (int32_t y = 25; y < 45; y++)
        for (int32_t x = 15; x < 80; x++)
            dark += image.pixel(x, y) == BLACK;
    EXPECT_GT(dark, 20);
    title_shown = guide_shown = 0;
}

} // namespace
