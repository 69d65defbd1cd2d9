// The settings record and its 192-byte info file: offsets, defaults, short
// and damaged files, the start-up directory.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "picture/settings.h"
#include "test_support.h"

namespace {

uint32_t Le32(const uint8_t *p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

TEST(Settings, DefaultsAtTheirOffsets)
{
    SettingsRecord r;
    Settings_defaults(&r);
    uint8_t image[SETTINGS_RECORD_SIZE];
    Settings_encode(&r, image);
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(Le32(image + 4 * i), 0x00FFFFFFu);        // colours
        EXPECT_EQ(Le32(image + 12 + 4 * i), 0u);            // solid
        EXPECT_EQ(Le32(image + 24 + 4 * i), 1u);            // width 1
    }
    EXPECT_STREQ(reinterpret_cast<const char *>(image + 36), "0.1");
    EXPECT_EQ(Le32(image + 48), 30u);
    EXPECT_STREQ(reinterpret_cast<const char *>(image + 52), "0");
    EXPECT_STREQ(reinterpret_cast<const char *>(image + 72), "0");
    EXPECT_STREQ(reinterpret_cast<const char *>(image + 92), "c:\\");
    EXPECT_EQ(Le32(image + 112), 0u);
    EXPECT_EQ(Le32(image + 116), 0x00FFFFFFu);
    EXPECT_EQ(Le32(image + 120), 0x00FFFFFFu);
    EXPECT_EQ(Le32(image + 124), 640u);
    EXPECT_EQ(Le32(image + 128), 410u);
    for (int i = 132; i < 192; i++)
        EXPECT_EQ(image[i], 0) << "byte " << i;
}

// Every byte of an image survives decoding and encoding, padding and the
// reserved tail included; each field lands at its offset.
TEST(Settings, ImageRoundTripsByteForByte)
{
    uint8_t image[SETTINGS_RECORD_SIZE];
    for (int i = 0; i < SETTINGS_RECORD_SIZE; i++)
        image[i] = static_cast<uint8_t>(i * 7 + 3);
    SettingsRecord r;
    Settings_defaults(&r);
    Settings_decode(image, sizeof image, &r);
    EXPECT_EQ(r.particle_color[1], Le32(image + 4));
    EXPECT_EQ(static_cast<uint32_t>(r.particle_pen_width[2]), Le32(image + 32));
    EXPECT_EQ(static_cast<uint32_t>(r.angle_step), Le32(image + 48));
    EXPECT_EQ(r.work_dir[0], static_cast<char>(image[92]));
    EXPECT_EQ(static_cast<uint32_t>(r.window_height), Le32(image + 128));
    EXPECT_EQ(r.reserved[19], image[191]);
    uint8_t again[SETTINGS_RECORD_SIZE];
    Settings_encode(&r, again);
    EXPECT_EQ(std::memcmp(image, again, sizeof image), 0);
}

// A short file replaces exactly the bytes it holds, also inside a number.
TEST(Settings, ShortFileReplacesOnlyItsBytes)
{
    for (size_t length : {0u, 1u, 100u, 126u, 191u}) {
        SCOPED_TRACE(length);
        uint8_t file[SETTINGS_RECORD_SIZE];
        std::memset(file, 0xAB, sizeof file);
        SettingsRecord r;
        Settings_defaults(&r);
        uint8_t defaults[SETTINGS_RECORD_SIZE];
        Settings_encode(&r, defaults);
        Settings_decode(file, length, &r);
        uint8_t image[SETTINGS_RECORD_SIZE];
        Settings_encode(&r, image);
        for (size_t i = 0; i < SETTINGS_RECORD_SIZE; i++)
            ASSERT_EQ(image[i], i < length ? 0xAB : defaults[i]) << "byte " << i;
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

    SettingsRecord sound;
    Settings_defaults(&sound);
    sound.window_width = 500;   // below the minimum: kept, the first resize raises it
    sound.particle_pen_width[0] = 4;
    sound.particle_pen_style[0] = 4;
    EXPECT_EQ(Settings_sanitize(&sound), 0);
    EXPECT_EQ(sound.window_width, 500);
}

// Start-up reads info.$$$ from the current directory; the save goes back to
// the start-up directory even after the current directory changed.
TEST(Settings, InfoFileReturnsToTheStartUpDirectory)
{
    ScratchDir start;
    ScratchDir elsewhere;
    {
        CurrentDir in(start.path());
        Settings_init();
        EXPECT_EQ(settings.window_width, 640);
        EXPECT_EQ(settings.window_height, 410);
        EXPECT_EQ(legend_frame_color, 0x00FFFFFFu);
        EXPECT_EQ(geometry_enabled, 1);
        EXPECT_EQ(show_photon, 1);
        EXPECT_EQ(std::filesystem::path(help_path).filename(), "Tarsel.hlp");
    }
    settings.window_width = 800;
    settings.background_color = 0x00FFFFFFu;
    {
        CurrentDir in(elsewhere.path());
        Settings_save();
    }
    EXPECT_EQ(File_read(start.file("info.$$$")).size(), 192u);
    EXPECT_FALSE(std::filesystem::exists(elsewhere.file("info.$$$")));
    {
        CurrentDir in(start.path());
        Settings_init();
    }
    EXPECT_EQ(settings.window_width, 800);
    EXPECT_EQ(legend_frame_color, 0x00000000u);   // white background: black frame
}

// An existing info file is overwritten in place, not truncated.
TEST(Settings, SaveOverwritesInPlace)
{
    ScratchDir dir;
    std::string longer(300, 'z');
    File_write(dir.file("info.$$$"), longer);
    SettingsRecord r;
    Settings_defaults(&r);
    ASSERT_EQ(Settings_save_file(dir.file("info.$$$").c_str(), &r), 0);
    std::string bytes = dir.read("info.$$$");
    ASSERT_EQ(bytes.size(), 300u);
    EXPECT_EQ(bytes[124], static_cast<char>(640 & 0xFF));
    EXPECT_EQ(bytes[192], 'z');
}

} // namespace
