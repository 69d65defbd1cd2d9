// The settings record and its 192-byte info file: field offsets, short and
// damaged files, the save in place.  (The defaults show in the renderer tests
// and in the info file of the window tests' first run.)
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "picture/settings.h"
#include "test_support.h"

namespace {

std::vector<uint8_t> Image(const SettingsRecord &r)
{
    std::vector<uint8_t> image(SETTINGS_RECORD_SIZE);
    Settings_encode(&r, image.data());
    return image;
}

// Every byte of an image survives decoding and encoding, padding and the
// reserved tail included; each field lands at its offset.  A short file
// replaces exactly the bytes it holds, also inside a number.
TEST(Settings, ImageRoundTripsAndShortFilesReplaceOnlyTheirBytes)
{
    std::vector<uint8_t> image(SETTINGS_RECORD_SIZE);
    for (size_t i = 0; i < image.size(); i++)
        image[i] = static_cast<uint8_t>(i * 7 + 3);
    SettingsRecord r;
    Settings_defaults(&r);
    Settings_decode(image.data(), image.size(), &r);
    auto le32 = [&image](size_t at) { return Le32(&image[at]); };
    EXPECT_EQ(r.particle_color[1], le32(4));
    EXPECT_EQ(static_cast<uint32_t>(r.particle_pen_width[2]), le32(32));
    EXPECT_EQ(static_cast<uint32_t>(r.angle_step), le32(48));
    EXPECT_EQ(r.work_dir[0], static_cast<char>(image[92]));
    EXPECT_EQ(static_cast<uint32_t>(r.window_height), le32(128));
    EXPECT_EQ(Image(r), image);

    for (size_t length : {0u, 1u, 100u, 126u, 191u}) {
        SCOPED_TRACE(length);
        Settings_defaults(&r);
        std::vector<uint8_t> want = Image(r), file(SETTINGS_RECORD_SIZE, 0xAB);
        std::fill(want.begin(), want.begin() + static_cast<long>(length), 0xAB);
        Settings_decode(file.data(), length, &r);
        EXPECT_EQ(Image(r), want);
    }
}

// A damaged file is made safe: texts terminated within their width, absurd
// numbers replaced by defaults; sound values stay, a narrow window included.
TEST(Settings, DamagedRecordIsMadeSafe)
{
    SettingsRecord r;
    Settings_defaults(&r);
    std::memset(r.work_dir, 'x', sizeof r.work_dir);
    std::memset(r.title_text, 'T', sizeof r.title_text);
    std::memset(r.scale_unit_text, '9', sizeof r.scale_unit_text);
    r.window_width = -5;
    r.window_height = 1000000;
    r.particle_pen_width[1] = 5000;
    r.particle_pen_style[2] = 77;
    r.angle_step = 400;
    r.background_color = 0xFF000000u;
    EXPECT_GT(Settings_sanitize(&r), 0);
    EXPECT_EQ(std::strlen(r.work_dir), sizeof r.work_dir - 1);
    EXPECT_EQ(std::strlen(r.title_text), sizeof r.title_text - 1);
    EXPECT_EQ(std::strlen(r.scale_unit_text), sizeof r.scale_unit_text - 1);
    EXPECT_EQ(r.window_width, 640);
    EXPECT_EQ(r.window_height, 410);
    EXPECT_EQ(r.particle_pen_width[1], 1);
    EXPECT_EQ(r.particle_pen_style[2], 0);
    EXPECT_EQ(r.angle_step, 30);
    EXPECT_EQ(r.background_color, 0u);

    Settings_defaults(&r);
    r.window_width = 500;   // below the minimum: kept, the first resize raises it
    r.particle_pen_width[0] = 4;
    r.particle_pen_style[0] = 4;
    EXPECT_EQ(Settings_sanitize(&r), 0);
    EXPECT_EQ(r.window_width, 500);
}

// The save goes back to the start-up directory (checked end to end) and
// overwrites an existing file in place, without truncating it.
TEST(Settings, SaveOverwritesInPlace)
{
    ScratchDir dir;
    File_write(dir.file("info.$$$"), std::string(300, 'z'));
    SettingsRecord r;
    Settings_defaults(&r);
    ASSERT_EQ(Settings_save_file(dir.file("info.$$$").c_str(), &r), 0);
    std::string bytes = dir.read("info.$$$");
    ASSERT_EQ(bytes.size(), 300u);
    EXPECT_EQ(bytes.substr(124, 4), std::string("\x80\x02\0\0", 4));   // 640
    EXPECT_EQ(bytes[192], 'z');
}

} // namespace
