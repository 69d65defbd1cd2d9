// Layout arithmetic and the view transform: worked examples, the fit for
// each render mode, zoom and pan arithmetic, failures and 32-bit clamping.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "picture/message.h"
#include "picture/picture.h"
#include "picture/settings.h"
#include "render/layout.h"
#include "render/view.h"
#include "test_support.h"

namespace {

TEST(Layout, FollowsTheWindowSize)
{
    Settings_defaults(&settings);
    large_fonts = 0;
    Layout_compute(LAYOUT_FROM_WINDOW, 640, 400);
    EXPECT_EQ(layout.view_w, 480);
    EXPECT_EQ(layout.view_h, 340);
    EXPECT_EQ(layout.view_cx, 240);
    EXPECT_EQ(layout.view_cy, 170);
    EXPECT_EQ(layout.bitmap_w, 490);
    EXPECT_EQ(layout.bitmap_h, 350);
    EXPECT_EQ(layout.strip_x, 490);
    EXPECT_EQ(layout.scale_bar_x, layout.view_w - 14);
    EXPECT_EQ(layout.scale_bar_y, layout.view_h - 8);
    EXPECT_EQ(layout.scale_text_y, layout.view_h - 35);

    // Below the minimum: raised and stored for the next start.
    Layout_compute(LAYOUT_FROM_WINDOW, 300, 100);
    EXPECT_EQ(layout.window_w, 640);
    EXPECT_EQ(layout.window_h, 400);
    EXPECT_EQ(settings.window_width, 640);
    EXPECT_EQ(settings.window_height, 400);

    large_fonts = 1;
    Layout_compute(LAYOUT_FROM_WINDOW, 700, 300);
    EXPECT_EQ(layout.view_h, 350);
    large_fonts = 0;

    // Stored size: the width is used as stored, the height raised.
    settings.window_width = 500;
    settings.window_height = 300;
    Layout_compute(LAYOUT_FROM_SETTINGS, 0, 0);
    EXPECT_EQ(layout.window_w, 500);
    EXPECT_EQ(layout.window_h, 400);
    EXPECT_EQ(settings.window_height, 300);

    settings.window_height = 405;
    Layout_compute(LAYOUT_FROM_SETTINGS, 0, 0);
    EXPECT_EQ(layout.print_y, 35);
    settings.window_height = 409;
    Layout_compute(LAYOUT_FROM_SETTINGS, 0, 0);
    EXPECT_EQ(layout.print_y, 35);
}

class View : public testing::Test {
protected:
    void SetUp() override
    {
        Settings_init();
        large_fonts = 0;
        view_state = ViewState{};
        zoom_rect = PixelRect{0, 0, 0, 0};
        Layout_compute(LAYOUT_FROM_WINDOW, 960, 460);   // 800 x 400 picture
        Scene(-200, 200, -50, 50, -200, 200);
    }

    static void Scene(double x0, double x1, double y0, double y1, double z0, double z1)
    {
        x_min = x0; x_max = x1; y_min = y0; y_max = y1; z_min = z0; z_max = z1;
    }

    PixelPoint Place(double x, double y, double z)
    {
        double cm[3] = {x, y, z};
        double px[3];
        Point_calc(cm, view_state.view_scale, px);
        return View_proj(PROJ_VIEW, px);
    }

    void Setup(int mode)
    {
        double s = view_state.view_scale;
        View_setup(nullptr, PixelRect{5, 5, layout.view_right, layout.view_bottom}, mode, &s);
        EXPECT_EQ(s, view_state.view_scale);
    }

    MessageRecorder messages;
};

// 400 x 100 cm in an 800 x 400 picture: h = 0.5 > v = 0.25.
TEST_F(View, FullViewFitsTheLargerRatio)
{
    Setup(RENDER_FULL);
    EXPECT_EQ(view_state.view_scale, 0.5);
    EXPECT_EQ(view_state.view_extent_h, 400.0);
    EXPECT_EQ(view_state.view_extent_v, 100.0);
    // The bounding-box centre lands on the picture centre.
    PixelPoint c = Place(0, 0, 0);
    EXPECT_EQ(c.x, 400);
    EXPECT_EQ(c.y, 200);
    // z runs to the right, y upwards; x points out of the picture.
    PixelPoint right = Place(0, 0, 10);
    EXPECT_EQ(right.x, 420);
    EXPECT_EQ(right.y, 200);
    PixelPoint up = Place(0, 10, 0);
    EXPECT_EQ(up.x, 400);
    EXPECT_EQ(up.y, 180);
    PixelPoint out = Place(10, 0, 0);
    EXPECT_EQ(out.x, 400);
    EXPECT_EQ(out.y, 200);
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(View, EqualRatiosUseTheHorizontalOne)
{
    double s = 0;
    ASSERT_EQ(Cmtodot(400, 200, &s), 0);
    EXPECT_EQ(s, 0.5);
    s = 7;
    EXPECT_EQ(Cmtodot(0.0001, 0.0001, &s), -1);   // not above 1e-6 cm per pixel
    EXPECT_EQ(Cmtodot(NAN, NAN, &s), -1);
    EXPECT_EQ(s, 7);
}

// Turning about y by 90 degrees shows the world x axis running to the left.
TEST_F(View, AnglesRotateAboutTheirAxes)
{
    Setup(RENDER_FULL);
    angle_y = 90;
    PixelPoint x = Place(10, 0, 0);
    EXPECT_EQ(x.x, 380);
    EXPECT_EQ(x.y, 200);
    angle_y = 0;
    angle_x = 90;   // about x: the world z axis turns to point downwards
    PixelPoint z = Place(0, 0, 10);
    EXPECT_EQ(z.x, 400);
    EXPECT_EQ(z.y, 220);
    angle_x = 0;
}

// Indicator mode: no scale, no pan; the x axis collapses to (61, 49).
TEST_F(View, IndicatorMode)
{
    const double x_end[3] = {35, 0, 0};
    PixelPoint p = View_proj(PROJ_INDICATOR, x_end);
    EXPECT_EQ(p.x, 61);
    EXPECT_EQ(p.y, 49);
    const double z_end[3] = {0, 0, 35};
    p = View_proj(PROJ_INDICATOR, z_end);
    EXPECT_EQ(p.x, 96);
    EXPECT_EQ(p.y, 49);
}

// An expand multiplies the extents by the selected fraction and pans the
// selection's centre (client coordinates, the 5-pixel offset not
// subtracted) to the picture centre; keeping the zoom keeps both.
TEST_F(View, ExpandZoomsAndPans)
{
    Setup(RENDER_FULL);
    zoom_rect = PixelRect{200, 200, 300, 300};
    Setup(RENDER_ZOOM);
    EXPECT_DOUBLE_EQ(view_state.view_extent_h, 50.0);    // 100 / 800 of 400 cm
    EXPECT_DOUBLE_EQ(view_state.view_extent_v, 25.0);    // 100 / 400 of 100 cm
    EXPECT_DOUBLE_EQ(view_state.view_scale, 0.0625);
    // pan = (200 + 50 - 400) * 0.5 cm = -75 cm = -1200 px; (200 + 50 - 200) * 0.5 = 25 cm.
    EXPECT_DOUBLE_EQ(view_state.pan_cm_x, -75.0);
    EXPECT_DOUBLE_EQ(view_state.pan_cm_y, 25.0);
    EXPECT_EQ(view_state.pan_px_x, -1200);
    EXPECT_EQ(view_state.pan_px_y, 400);
    // The point under the selection's centre is now in the middle.
    PixelPoint m = Place(0, -25, -75);
    EXPECT_EQ(m.x, 400);
    EXPECT_EQ(m.y, 200);

    Setup(RENDER_KEEP);
    EXPECT_DOUBLE_EQ(view_state.view_scale, 0.0625);
    EXPECT_EQ(view_state.pan_px_x, -1200);

    // A second expand accumulates the pan at the zoomed scale.
    zoom_rect = PixelRect{400, 200, 600, 400};
    Setup(RENDER_ZOOM);
    EXPECT_DOUBLE_EQ(view_state.pan_cm_x, -75.0 + 100 * 0.0625);
    EXPECT_DOUBLE_EQ(view_state.view_extent_h, 50.0 * 200 / 800);

    Setup(RENDER_FULL);
    EXPECT_EQ(view_state.view_scale, 0.5);
    EXPECT_EQ(view_state.pan_px_x, 0);
    EXPECT_EQ(view_state.pan_cm_y, 0.0);
    EXPECT_TRUE(messages.messages().empty());
}

// A click without movement: the zoom fails (system-modal message), the
// extents stay, and the pan still moves by the point's offset.
TEST_F(View, EmptyZoomRectangleKeepsTheZoomButPans)
{
    Setup(RENDER_FULL);
    zoom_rect = PixelRect{300, 100, 300, 100};
    Setup(RENDER_ZOOM);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text, "Cmtodot err!");
    EXPECT_EQ(messages.messages()[0].caption, "Error Status");
    EXPECT_EQ(messages.messages()[0].flags, MESSAGE_SYSTEM_MODAL);
    EXPECT_EQ(view_state.view_scale, 0.5);
    EXPECT_EQ(view_state.view_extent_h, 400.0);
    EXPECT_DOUBLE_EQ(view_state.pan_cm_x, -50.0);   // (300 - 400) * 0.5
    EXPECT_DOUBLE_EQ(view_state.pan_cm_y, -50.0);   // (100 - 200) * 0.5
    EXPECT_EQ(view_state.pan_px_x, -100);
}

// A flat scene fails to fit, and the previous scale stays.
TEST_F(View, FlatSceneKeepsThePreviousScale)
{
    Setup(RENDER_FULL);
    Scene(0, 0, 3, 3, 0, 0);
    Setup(RENDER_FULL);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].flags, 0);
    EXPECT_EQ(view_state.view_scale, 0.5);
}

// At the smallest scales points far away leave the 32-bit range: clamped.
TEST_F(View, FarPointsAreClampedTo32Bits)
{
    Scene(-5e-4, 5e-4, -5e-4, 5e-4, -5e-4, 5e-4);   // 1.25e-6 cm per pixel
    Setup(RENDER_FULL);
    ASSERT_TRUE(messages.messages().empty());
    PixelPoint far = Place(0, -1e9, 1e9);
    EXPECT_EQ(far.x, INT32_MAX);
    EXPECT_EQ(far.y, INT32_MAX);
    PixelPoint near = Place(0, 1e9, -1e9);
    // The clamped value is then placed about the centre, without overflow.
    EXPECT_EQ(near.x, INT32_MIN + 400);
    EXPECT_EQ(near.y, INT32_MIN + 200 + 1);
    EXPECT_EQ(Pixel_clamp(NAN), 0);
    EXPECT_EQ(Pixel_clamp(-7.9), -7);
}

// "<<" raises, ">>" lowers; the limit is tested before the step, so an
// angle may end one step beyond 180.
TEST(AngleStep, StepsAndLimits)
{
    Settings_defaults(&settings);
    angle_x = 150;
    EXPECT_EQ(Angle_step(0, 1), 0);
    EXPECT_EQ(angle_x, 180);
    EXPECT_EQ(Angle_step(0, 1), -1);
    EXPECT_EQ(angle_x, 180);
    angle_y = 170;
    EXPECT_EQ(Angle_step(0, 2), 0);
    EXPECT_EQ(angle_y, 200);
    EXPECT_EQ(Angle_step(0, 2), -1);
    EXPECT_EQ(Angle_step(1, 2), 0);
    EXPECT_EQ(angle_y, 170);
    angle_z = -170;
    EXPECT_EQ(Angle_step(1, 3), 0);
    EXPECT_EQ(angle_z, -200);
    EXPECT_EQ(Angle_step(1, 3), -1);
    settings.angle_step = 0;   // never changes, but is not refused
    EXPECT_EQ(Angle_step(0, 3), 0);
    EXPECT_EQ(angle_z, -200);
    angle_x = angle_y = angle_z = 0;
}

} // namespace
