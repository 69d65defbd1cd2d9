// Damaged and unusual picture files: each must give the picture of the
// clean file it stands for (pixel for pixel) or a clear message.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "picture/display.h"
#include "picture/geometry.h"
#include "picture/message.h"
#include "picture/picture.h"
#include "picture/settings.h"
#include "render/headless.h"
#include "render/layout.h"
#include "render/view.h"
#include "test_support.h"

namespace {

const char HEAD[] = "GSTA\nGEND\n"
                    "      -2.0       2.0      -2.0       2.0      -2.0       2.0       1.0\n";
// Two tracks of different kinds and places.
const char A[] = "250000500005000010003\n260000550005000010003\n-\n";
const char B[] = "140000450004000010003\n145000400003000010003\n-\n";

class Robust : public PictureTest {
protected:
    void SetUp() override
    {
        PictureTest::SetUp();
        settings.particle_color[PARTICLE_PHOTON] = 0x0000FF00u;
        display.geometry_enabled = display.geometry_pending = 1;
        display.angle_x = 20;
        display.angle_y = 30;
        Layout_compute(LAYOUT_FROM_WINDOW, 640, 410);
    }

    // Convert `text` and render it with the batch range from..to; the
    // messages shown go to `shown`.
    std::vector<Colour> Picture(const std::string &text, int32_t from = 0, int32_t to = 0,
                                std::string *shown = nullptr)
    {
        messages.clear();
        std::vector<Colour> pixels;
        if (Run(text) == 0) {
            display.batch_from = from;
            display.batch_to = to;
            view_state = ViewState{};
            RasterSurface image;
            EXPECT_EQ(Headless_render(nullptr, &image, RENDER_FULL, 0, 0), 0);
            pixels.assign(image.pixels(), image.pixels() + image.width() * image.height());
        }
        if (shown)
            *shown = messages.texts();
        return pixels;
    }
};

TEST_F(Robust, DamagedFilesGiveThePictureOfTheirCleanForm)
{
    const std::string a = A, b = B;
    struct Case {
        const char *what;
        std::string damaged, clean, message;
    } cases[] = {
        {"blank line inside a batch (once read as batch 0)",
         "0    1\n" + a.substr(0, 22) + "   \n" + a.substr(22) + b, "0    1\n" + a + b, ""},
        {"step line with nan, inf and an energy beyond single precision",
         "0    1\n" + a + "2nan  500005000010003\n2 inf 500005000010003\n25000050000500009e999\n" +
             b,
         "0    1\n" + a + b,
         "3 lines of the picture file were left out.\nThe first, line 8: a field that is not a "
         "number."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::string shown;
        std::vector<Colour> damaged = Picture(HEAD + c.damaged, 0, 0, &shown);
        std::vector<Colour> clean = Picture(HEAD + c.clean);
        ASSERT_FALSE(clean.empty());
        EXPECT_TRUE(damaged == clean);
        EXPECT_EQ(shown, c.message);
    }
}

// Files as newer simulation codes write them give the picture of the same
// file in the original layout.
TEST_F(Robust, NewerFileVariantsGiveThePictureOfTheOriginalLayout)
{
    const std::string a = A, b = B;
    const std::string cyls = "GSTA\nCYLS\n     2     2\n";
    const std::string steps = "0    1\n" + a + b;
    // A and B as float lines: reals in cm, energy in MeV, region, weight.
    const std::string float_steps =
        "0    1\n"
        "5 0.000000E+00 0.000000E+00 0.000000E+00 1.000E+03   1 1.000E+00\n"
        "5 1.000000E+00 5.000000E-01 0.000000E+00 1.000E+03   3 1.000E+00 and more\n-\n"
        "4-1.000000E+00-5.000000E-01-1.000000E+00 1.000E+03   1 1.000E+00\n"
        "4-5.000000E-01-1.000000E+00-2.000000E+00 1.000E+03   1 1.000E+00\n-\n";
    const std::string block = "MSTA\n     2\n     1\n     3\nMEND\n";
    std::string crlf;
    for (char ch : HEAD + steps)
        crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    crlf.pop_back(); // and a last line without its line end
    crlf.pop_back();
    struct Case {
        const char *what;
        std::string variant, original;
    } cases[] = {
        {"CR LF line ends", crlf, HEAD + steps},
        {"float step lines", HEAD + float_steps, HEAD + steps},
        {"fixed-point geometry values",
         cyls + "         0.5000         1.2500\n        -1.5000         0.7500\nGEND\n" +
             (HEAD + 10) + steps,
         cyls + "            0.5           1.25\n           -1.5           0.75\nGEND\n" +
             (HEAD + 10) + steps},
        {"blocks before and after the header", "GSTA\nGEND\n" + block + (HEAD + 10) + block + steps,
         HEAD + steps},
        {"no header line (bounds from the steps)", "GSTA\nGEND\n" + steps,
         "GSTA\nGEND\n      -1.0       1.0      -1.0       0.5      -2.0       0.0       1.0\n" +
             steps},
        {"no header line (bounds from steps and geometry)",
         cyls + "            0.5            3.0\n           -1.5           0.75\nGEND\n" + steps,
         cyls +
             "            0.5            3.0\n           -1.5           0.75\nGEND\n"
             "      -3.0       3.0      -3.0       3.0      -2.0      0.75       1.0\n" +
             steps},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::string shown;
        std::vector<Colour> variant = Picture(c.variant, 0, 0, &shown);
        std::vector<Colour> clean = Picture(c.original);
        ASSERT_FALSE(clean.empty());
        EXPECT_TRUE(variant == clean);
        EXPECT_EQ(shown, "");
    }
}

// Batches out of order: a range shows exactly its batches, wherever their
// records lie in the work file, and the full range shows every batch.
TEST_F(Robust, BatchesOutOfOrderDrawExactlyTheBatchesInRange)
{
    const std::string a = A, b = B;
    std::string mixed = HEAD + ("0    2\n" + a + "0    1\n" + b + "0    3\n" + a + "0    1\n" + a);
    std::vector<Colour> only_1 = Picture(HEAD + ("0    1\n" + b + a));
    std::vector<Colour> only_2 = Picture(HEAD + ("0    1\n" + a));
    std::vector<Colour> all = Picture(HEAD + ("0    1\n" + a + b));
    EXPECT_TRUE(Picture(mixed, 1, 1) == only_1);
    EXPECT_EQ(work_file.batches_unordered, 1u);
    EXPECT_EQ(work_file.batch_count, 3u);
    EXPECT_TRUE(Picture(mixed, 2, 2) == only_2);
    EXPECT_TRUE(Picture(mixed) == all);
    EXPECT_FALSE(only_1 == only_2);
}

} // namespace
