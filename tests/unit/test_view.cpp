// The window layout's limits and the view transform: the fit for each render
// mode, zoom and pan, rotation, failures, 32-bit clamping and the angle steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "picture/display.h"
#include "picture/message.h"
#include "picture/picture.h"
#include "picture/settings.h"
#include "render/layout.h"
#include "render/view.h"
#include "test_support.h"

namespace {

// Large fonts raise the minimum height (the minimum itself is checked end to
// end); a stored size is used as stored, only the height raised; the print
// position steps with whole tenths of the height.
TEST(Layout, LargeFontsStoredSizeAndPrintPosition)
{
    Settings_defaults(&settings);
    large_fonts = 1;
    Layout_compute(LAYOUT_FROM_WINDOW, 700, 300);
    EXPECT_EQ(layout.view_h, 350);
    large_fonts = 0;
    settings.window_width = 500;
    settings.window_height = 300;
    Layout_compute(LAYOUT_FROM_SETTINGS, 0, 0);
    EXPECT_EQ(layout.window_w, 500);
    EXPECT_EQ(layout.window_h, 400);
    EXPECT_EQ(settings.window_height, 300);
    for (int32_t h : {405, 409}) {
        settings.window_height = h;
        Layout_compute(LAYOUT_FROM_SETTINGS, 0, 0);
        EXPECT_EQ(layout.print_y, 35);
    }
}

// A scene of 400 x 100 x 400 cm in an 800 x 400 picture: 0.5 cm per pixel.
// In a scratch directory, so that no info file lying around changes it.
class View : public PictureTest {
protected:
    void SetUp() override
    {
        PictureTest::SetUp();
        large_fonts = 0;
        view_state = ViewState{};
        zoom_rect = PixelRect{0, 0, 0, 0};
        display.angle_x = display.angle_y = display.angle_z = 0;
        Layout_compute(LAYOUT_FROM_WINDOW, 960, 460);
        work_file.x_min = work_file.z_min = -200, work_file.x_max = work_file.z_max = 200,
        work_file.y_min = -50, work_file.y_max = 50;
    }
    void TearDown() override
    {
        display.angle_x = display.angle_y = display.angle_z = 0;
        PictureTest::TearDown();
    }

    // Where a world point (cm) lands, as "x,y" in picture pixels.
    std::string Place(double x, double y, double z)
    {
        double cm[3] = {x, y, z}, px[3];
        Point_calc(cm, view_state.view_scale, px);
        PixelPoint p = View_proj(PROJ_VIEW, px);
        return std::to_string(p.x) + "," + std::to_string(p.y);
    }

    void Setup(int mode)
    {
        double s = view_state.view_scale;
        View_setup(nullptr, PixelRect{5, 5, layout.view_right, layout.view_bottom}, mode, &s);
        EXPECT_EQ(s, view_state.view_scale);
    }
};

// The larger of the ratios (h = 0.5 > v = 0.25) fits; the bounding-box centre
// lands on the picture centre, z runs to the right, y upwards and x out of
// the picture; turning about y by a shows x at -sin a and z at cos a (so x
// runs to the left at 90 degrees), about x by 90 degrees z points down.
TEST_F(View, FullViewFitsTheLargerRatioAndTurns)
{
    Setup(RENDER_FULL);
    EXPECT_EQ(view_state.view_scale, 0.5);
    EXPECT_EQ(Place(0, 0, 0), "400,200");
    EXPECT_EQ(Place(0, 0, 10), "420,200");
    EXPECT_EQ(Place(0, 10, 0), "400,180");
    EXPECT_EQ(Place(10, 0, 0), "400,200");
    display.angle_y = 30;
    EXPECT_EQ(Place(10.3, 0, 0), "390,200");
    EXPECT_EQ(Place(0, 5, 10), "417,190");
    display.angle_y = 90;
    EXPECT_EQ(Place(10, 0, 0), "380,200");
    display.angle_y = 0;
    display.angle_x = 90;
    EXPECT_EQ(Place(0, 0, 10), "400,220");
    // An off-centre scene: the centre of its bounds lands on the picture
    // centre, from the front and from the side; its corner at the left edge.
    display.angle_x = 0;
    work_file.x_min = work_file.y_min = work_file.z_min = 0,
    work_file.x_max = work_file.z_max = 400, work_file.y_max = 100;
    Setup(RENDER_FULL);
    EXPECT_EQ(Place(200, 50, 200), "400,200");
    EXPECT_EQ(Place(0, 0, 0), "0,300");
    display.angle_y = 90;
    Setup(RENDER_FULL);
    EXPECT_EQ(Place(200, 50, 200), "400,200");
    EXPECT_EQ(Place(400, 50, 200), "0,200");
    display.angle_y = 0;
    EXPECT_TRUE(messages.messages().empty());
}

// An expand multiplies the extents by the selected fraction and pans the
// selection's centre (client coordinates, the 5-pixel offset not
// subtracted) to the picture centre; keeping the zoom keeps both; a second
// expand accumulates the pan at the zoomed scale; the full view undoes all.
TEST_F(View, ExpandZoomsAndPans)
{
    Setup(RENDER_FULL);
    zoom_rect = PixelRect{200, 200, 300, 300}; // 100 / 800 of 400 cm, 100 / 400 of 100 cm
    Setup(RENDER_ZOOM);
    EXPECT_DOUBLE_EQ(view_state.view_scale, 0.0625);
    // The selection's centre (250, 250) lies 150 pixels of 0.5 cm left of the
    // picture's, 50 below it.
    EXPECT_EQ(Place(0, -25, -75), "400,200");
    EXPECT_EQ(Place(0, -24, -74), "416,184");
    Setup(RENDER_KEEP);
    EXPECT_EQ(Place(0, -24, -74), "416,184");
    // 100 pixels of 0.0625 cm right of and below the centre; 200 / 800 and
    // 200 / 400 of the extents, the larger ratio 0.03125 cm per pixel.
    zoom_rect = PixelRect{400, 200, 600, 400};
    Setup(RENDER_ZOOM);
    EXPECT_EQ(Place(0, -31.25, -68.75), "400,200");
    EXPECT_EQ(Place(0, -30.25, -67.75), "432,168");
    Setup(RENDER_FULL);
    EXPECT_EQ(view_state.view_scale, 0.5);
    EXPECT_EQ(Place(0, 0, 0), "400,200");
    EXPECT_TRUE(messages.messages().empty());
}

// A click without movement: the zoom fails (system-modal message), the
// extents stay, and the pan still moves by the point's offset.  A flat scene
// fails to fit, and the previous scale stays.
TEST_F(View, FailedFitsKeepTheScale)
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
    EXPECT_DOUBLE_EQ(view_state.pan_cm_x, -50.0); // (300 - 400) * 0.5
    EXPECT_DOUBLE_EQ(view_state.pan_cm_y, -50.0); // (100 - 200) * 0.5
    EXPECT_EQ(view_state.pan_px_x, -100);

    messages.clear();
    work_file.x_min = work_file.x_max = work_file.z_min = work_file.z_max = 0,
    work_file.y_min = work_file.y_max = 3;
    Setup(RENDER_FULL);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].flags, 0);
    EXPECT_EQ(view_state.view_scale, 0.5);

    // Equal ratios use the horizontal one; not above 1e-6 cm per pixel, or not
    // a number, fails and keeps the scale.
    double s = 0;
    ASSERT_EQ(Cmtodot(400, 200, &s), 0);
    EXPECT_EQ(s, 0.5);
    EXPECT_EQ(Cmtodot(0.0001, 0.0001, &s), -1);
    EXPECT_EQ(Cmtodot(NAN, NAN, &s), -1);
    EXPECT_EQ(s, 0.5);
}

// At the smallest scales points far away leave the 32-bit range: clamped,
// then placed about the centre without overflow.
TEST_F(View, FarPointsAreClampedTo32Bits)
{
    work_file.x_min = work_file.y_min = work_file.z_min = -5e-4,
    work_file.x_max = work_file.y_max = work_file.z_max = 5e-4; // 1.25e-6 cm per pixel
    Setup(RENDER_FULL);
    ASSERT_TRUE(messages.messages().empty());
    EXPECT_EQ(Place(0, -1e9, 1e9), std::to_string(INT32_MAX) + "," + std::to_string(INT32_MAX));
    EXPECT_EQ(Place(0, 1e9, -1e9),
              std::to_string(INT32_MIN + 400) + "," + std::to_string(INT32_MIN + 201));
    EXPECT_EQ(Pixel_clamp(NAN), 0);
    EXPECT_EQ(Pixel_clamp(-7.9), -7);
}

// "<<" raises, ">>" lowers; the limit is tested before the step, so an
// angle may end one step beyond 180; a step of 0 changes nothing but is
// not refused.
TEST(AngleStep, StepsAndLimits)
{
    Settings_defaults(&settings);
    struct Case {
        int16_t from;
        int direction, axis, result;
        int16_t to;
    } cases[] = {
        {150, 0, 1, 0, 180}, {180, 0, 1, -1, 180},  {170, 0, 2, 0, 200},    {200, 0, 2, -1, 200},
        {200, 1, 2, 0, 170}, {-170, 1, 3, 0, -200}, {-200, 1, 3, -1, -200},
    };
    int16_t *angle[] = {nullptr, &display.angle_x, &display.angle_y, &display.angle_z};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "axis " << c.axis << " from " << c.from);
        *angle[c.axis] = c.from;
        EXPECT_EQ(Angle_step(c.direction, c.axis), c.result);
        EXPECT_EQ(*angle[c.axis], c.to);
    }
    settings.angle_step = 0;
    EXPECT_EQ(Angle_step(0, 3), 0);
    EXPECT_EQ(display.angle_z, -200);
    display.angle_x = display.angle_y = display.angle_z = 0;
}

// Turning about the screen's axes.  From the start view a turn about the
// vertical axis is a change of angle_y and one about the horizontal axis a
// change of angle_z.  In any view the angles found for a turned view give
// that view within their rounding, keeping to the set of angles nearer to
// those it had (angle_z beyond 90 stays so); angles wrap into -179..180.
TEST(ViewTurn, ScreenAxesToAngles)
{
    struct Case {
        int16_t from[3];
        double vertical, horizontal;
        int16_t to[3];
    } exact[] = {
        {{0, 0, 0}, 30, 0, {0, 30, 0}},
        {{0, 0, 0}, 0, 20, {0, 0, 20}},
        {{0, 0, 120}, 1, 0, {0, 1, 120}},
        {{0, 170, 0}, 20, 0, {0, -170, 0}},
    };
    for (const Case &c : exact) {
        ViewMatrix v = View_matrix(c.from[0], c.from[1], c.from[2]);
        View_screen_turn(&v, c.vertical, c.horizontal);
        int16_t out[3];
        View_matrix_angles(v, c.from, out);
        EXPECT_EQ(std::to_string(out[0]) + "," + std::to_string(out[1]) + "," +
                      std::to_string(out[2]),
                  std::to_string(c.to[0]) + "," + std::to_string(c.to[1]) + "," +
                      std::to_string(c.to[2]));
    }
    // The near side of the picture follows the mouse: a turn to the right
    // brings the point toward the viewer (world -x at the start: z to the
    // right and y up) to the right, one downwards down.
    ViewMatrix v = View_matrix(0, 0, 0);
    EXPECT_EQ(v.m[2][0], -1.0);
    View_screen_turn(&v, 10, 10);
    EXPECT_LT(v.m[0][0], -0.1);
    EXPECT_GT(v.m[1][0], 0.1);

    const int16_t angles[] = {-170, -45, 0, 30, 90, 100, 180};
    const double turns[][2] = {{7, 0}, {0, -13}, {25, 40}, {-90, 3}};
    for (int16_t ax : angles)
        for (int16_t ay : angles)
            for (int16_t az : angles)
                for (const auto &t : turns) {
                    SCOPED_TRACE(testing::Message() << ax << "," << ay << "," << az << " turned "
                                                    << t[0] << "," << t[1]);
                    ViewMatrix turned = View_matrix(ax, ay, az);
                    View_screen_turn(&turned, t[0], t[1]);
                    const int16_t near[3] = {ax, ay, az};
                    int16_t out[3];
                    View_matrix_angles(turned, near, out);
                    ViewMatrix back = View_matrix(out[0], out[1], out[2]);
                    double worst = 0;
                    for (int i = 0; i < 3; i++) {
                        EXPECT_TRUE(out[i] > -180 && out[i] <= 180);
                        for (int j = 0; j < 3; j++)
                            worst = std::max(worst, std::fabs(back.m[i][j] - turned.m[i][j]));
                    }
                    EXPECT_LT(worst, 0.03);
                }
    // One axis at a time (vokatool animate): x and y as a drag turns, z
    // counter-clockwise: what showed to the right shows upwards after 90.
    for (int axis = SCREEN_X; axis <= SCREEN_Z; axis++) {
        ViewMatrix start = View_matrix(20, 35, -10), one = start, drag = start;
        View_screen_axis_turn(&one, axis, 90);
        if (axis == SCREEN_Z) {
            for (int j = 0; j < 3; j++)
                EXPECT_NEAR(one.m[1][j], start.m[0][j], 1e-9);
            continue;
        }
        View_screen_turn(&drag, axis == SCREEN_Y ? 90 : 0, axis == SCREEN_X ? 90 : 0);
        for (int i = 0; i < 3; i++)
            for (int j = 0; j < 3; j++)
                EXPECT_EQ(one.m[i][j], drag.m[i][j]) << "axis " << axis;
    }
    EXPECT_EQ(Angle_wrap(200), -160);
    EXPECT_EQ(Angle_wrap(-180), 180);
    EXPECT_EQ(Angle_wrap(540), 180);
    EXPECT_EQ(Angle_wrap(-181), 179);
}

} // namespace
