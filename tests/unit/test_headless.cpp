// Headless rendering: the image the viewer shows, checked at pixels placed
// by an independent computation of the projection.  (Margin, frame, title
// and guide mark are compared with the viewer's own window by the
// end-to-end tests.)
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "picture/picture.h"
#include "picture/settings.h"
#include "render/headless.h"
#include "render/layout.h"
#include "render/picture_paint.h"
#include "render/view.h"
#include "test_support.h"

namespace {

// One-point electron tracks (dots) in a scene with x, z from -6 to 6 and y
// from -3 to 3 cm, in a 540 x 390 picture: 12 / 540 cm per pixel, the
// centre at client (275, 200).  Turned by a about y, a point lands at
// horizontal z cos(a) - x sin(a), vertical y.
TEST(Headless, DotsLandWhereTheProjectionPutsThem)
{
    ScratchDir scratch;
    CurrentDir inside(scratch.path());
    MessageRecorder messages;
    Settings_init();
    Text_copy(settings.work_dir, sizeof settings.work_dir, "./");
    settings.particle_color[PARTICLE_ELECTRON] = 0x000000FFu;
    Text_copy(settings.scale_unit_text, sizeof settings.scale_unit_text, "0");
    view_state = ViewState{};
    large_fonts = 0;
    current_batch = 0;
    title_shown = guide_shown = 0;
    Layout_compute(LAYOUT_FROM_WINDOW, 700, 450);

    const double points[][3] = {{0, 0, 0}, {0, 1.5, 2.25}, {0, -2.0, -4.5}, {0, 2.9, 4.9}};
    std::string pic = "GSTA\nGEND\n      -6.0       6.0      -3.0       3.0      -6.0       6.0       1.0\n"
                      "0    1\n";
    for (const auto &p : points) {
        char line[32];
        std::snprintf(line, sizeof line, "2%05ld%05ld%05ld10000\n-\n", std::lround(50000 + p[0] * 10000),
                      std::lround(50000 + p[1] * 10000), std::lround(50000 + p[2] * 10000));
        pic += line;
    }
    Text_copy(picture_path, sizeof picture_path, scratch.write("p.pic", pic).c_str());
    ASSERT_EQ(Picture_convert(nullptr, 0), 0);

    angle_x = angle_z = 0;
    for (int a : {0, 30, -90}) {
        SCOPED_TRACE(a);
        angle_y = static_cast<int16_t>(a);
        RasterSurface image;
        ASSERT_EQ(Headless_render(nullptr, &image, RENDER_FULL, 0, 0), 0);
        ASSERT_EQ(image.width(), layout.bitmap_w);
        ASSERT_EQ(image.height(), layout.bitmap_h);
        int red = 0;
        for (int32_t y = 0; y < image.height(); y++)
            for (int32_t x = 0; x < image.width(); x++)
                red += image.pixel(x, y) == 0x000000FFu;
        EXPECT_EQ(red, 4);
        const double s = 12.0 / 540.0, radians = a * 3.1415926535 / 180.0;
        for (const auto &p : points) {
            double u = (p[2] * std::cos(radians) - p[0] * std::sin(radians)) / s, v = p[1] / s;
            int32_t x = 275 + static_cast<int32_t>(std::trunc(u)), y = 200 - static_cast<int32_t>(std::trunc(v));
            EXPECT_EQ(image.pixel(x, y), 0x000000FFu) << x << "," << y;
        }
    }
    angle_y = 0;
    EXPECT_EQ(messages.texts(), "");
}

} // namespace
