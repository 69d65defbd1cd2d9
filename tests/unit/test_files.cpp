// The program's binary files: the settings record and its 192-byte info file
// (round trip, short and damaged files, the defaults, the safe save), the bitmap
// file layout for the three pixel formats, and stream positions past 4 GB.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "output/bmp_file.h"
#include "picture/platform.h"
#include "picture/ptracks.h"
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
// reserved tail included (the fields' offsets show end to end, in the info
// files the viewer writes).  A short file replaces exactly the bytes it
// holds, also inside a number.
TEST(Settings, ImageRoundTripsAndShortFilesReplaceOnlyTheirBytes)
{
    std::vector<uint8_t> image(SETTINGS_RECORD_SIZE);
    for (size_t i = 0; i < image.size(); i++)
        image[i] = static_cast<uint8_t>(i * 7 + 3);
    SettingsRecord r;
    Settings_defaults(&r);
    Settings_decode(image.data(), image.size(), &r);
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
    r.window_width = 500; // below the minimum: kept, the first resize raises it
    r.particle_pen_width[0] = 4;
    r.particle_pen_style[0] = 4;
    EXPECT_EQ(Settings_sanitize(&r), 0);
    EXPECT_EQ(r.window_width, 500);
}

// A first run's record is exactly the documented image, field by field:
// colours, pens, texts, angle step and window size at their offsets.
TEST(Settings, DefaultsGiveTheDocumentedImage)
{
    std::vector<uint8_t> want(SETTINGS_RECORD_SIZE, 0);
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; i++)
            want[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    auto text = [&](size_t at, const char *t) { std::memcpy(&want[at], t, std::strlen(t)); };
    const uint32_t colours[3] = {0x00005ED5, 0x00E9B456, 0x0042E4F0}; // vermilion, sky blue, yellow
    for (int i = 0; i < 3; i++) {
        put(0 + 4 * i, colours[i]);
        put(24 + 4 * i, 1); // of width 1
    }
    text(36, "0.1");
    put(48, 30);
    text(52, "0");
    text(72, "0");
    text(92, "%TEMP%\\"); // the user's temporary folder
    put(116, 0x00FFFFFF);
    put(120, 0x00FFFFFF);
    put(124, 640);
    put(128, 410);
    SettingsRecord r;
    Settings_defaults(&r);
    EXPECT_EQ(Image(r), want);
}

// The save replaces the file in one step and keeps the bytes of a longer
// file beyond the record; when the file cannot be replaced, what was there
// stays and no temporary file is left behind; a symbolic link leads to the
// file that is replaced.
TEST(Settings, SaveReplacesTheFileOrLeavesItAsItWas)
{
    ScratchDir dir;
    File_write(dir.file("info.$$$"), std::string(300, 'z'));
    SettingsRecord r;
    Settings_defaults(&r);
    ASSERT_EQ(Settings_save_file(dir.file("info.$$$").c_str(), &r), 0);
    std::string bytes = dir.read("info.$$$");
    ASSERT_EQ(bytes.size(), 300u);
    EXPECT_EQ(bytes.substr(124, 4), std::string("\x80\x02\0\0", 4)); // 640
    EXPECT_EQ(bytes[192], 'z');

    std::filesystem::create_directories(dir.file("taken/x"));
    EXPECT_EQ(Settings_save_file(dir.file("taken").c_str(), &r), -1);
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken/x")));
    int entries = 0;
    for (const auto &entry : std::filesystem::directory_iterator(dir.path()))
        entries += entry.path().filename() != "taken" && entry.path().filename() != "info.$$$";
    EXPECT_EQ(entries, 0);

    // Through a symbolic link the file it names is replaced, not the link.
    // Windows lets only some users make links (and Wine none): there the
    // case is passed over.
    File_write(dir.file("info.$$$"), std::string(300, 'z'));
    std::error_code no_links;
    std::filesystem::create_symlink("info.$$$", dir.file("link.$$$"), no_links);
    if (no_links)
        GTEST_SKIP() << "no symbolic links here: " << no_links.message();
    ASSERT_EQ(Settings_save_file(dir.file("link.$$$").c_str(), &r), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.$$$")));
    EXPECT_EQ(dir.read("info.$$$").substr(124, 4), std::string("\x80\x02\0\0", 4));
}

// Rows are padded to whole 4-byte words only when they need it, and a 4-bit
// row of odd width ends in half a byte (the file sizes and headers of the
// 24- and 8-bit files show end to end, those of the 4-bit below).  Empty or
// too large images are refused.
TEST(BmpFile, RowSizesAndRefusedSizes)
{
    struct Case {
        int display_colours;
        int32_t width;
        int bits;
        uint32_t row, pixel_bytes;
    } cases[] = {
        {256, 492, 8, 492, 492}, // no padding needed
        {16, 491, 4, 248, 246},  // odd width: half a byte
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.width);
        BmpLayout l;
        ASSERT_EQ(Bmp_layout(c.display_colours, c.width, 10, &l), 0);
        EXPECT_EQ(l.bits, c.bits);
        EXPECT_EQ(l.row_size, c.row);
        EXPECT_EQ(l.pixel_bytes, c.pixel_bytes);
    }
    BmpLayout l;
    EXPECT_EQ(Bmp_layout(0, 0, 10, &l), -1);
    EXPECT_EQ(Bmp_layout(0, 100000, 100000, &l), -1); // beyond 32-bit sizes
}

Colour Checker(const void *, int32_t x, int32_t y)
{
    return (x + y) % 2 ? 0x00112233u : 0x00FFFFFFu;
}

// 24-bit rows go bottom up, each pixel blue, green, red, padded to 4 bytes.
// A write that cannot be done fails and leaves nothing behind.
TEST(BmpFile, TwentyFourBitRowsAndAFailedWrite)
{
    ScratchDir dir;
    ASSERT_EQ(Bmp_write_24(dir.file("c.bmp").c_str(), 3, 2, Checker, nullptr), 0);
    const std::string bottom_row("\x11\x22\x33\xFF\xFF\xFF\x11\x22\x33\0\0\0", 12);
    EXPECT_EQ(dir.read("c.bmp").substr(54, 12), bottom_row);
    EXPECT_EQ(dir.read("c.bmp").substr(34, 4), std::string("\x18\0\0\0", 4)); // 2 rows of 12
    std::filesystem::remove(dir.file("c.bmp"));

    EXPECT_EQ(Bmp_write_24(dir.file("no/such.bmp").c_str(), 3, 2, Checker, nullptr), -1);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// The 4-bit format of a 16-colour display (the 8-bit one is read back end
// to end): the colour table right after the headers, zero padding, and an
// odd width keeps only the high nibble of its last byte.  A new file
// replaces an old one and leaves no temporary file behind.  The row buffer
// holds exactly the pixel bytes, so a writer that reads past it shows up
// under the address sanitizer.
TEST(BmpFile, SixteenColourRowsAndTable)
{
    ScratchDir dir;
    std::string path = dir.file("palette.bmp");
    File_write(path, "previous");
    uint8_t table[1024];
    Bmp_palette_256(table);
    BmpLayout l4;
    ASSERT_EQ(Bmp_layout(16, 3, 1, &l4), 0);
    BmpWriter w;
    ASSERT_EQ(Bmp_write_begin(&w, path.c_str(), &l4, table), 0);
    const uint8_t row4[2] = {0x12, 0x3F};
    Bmp_write_row(&w, row4);
    ASSERT_EQ(Bmp_write_end(&w), 0);
    std::string bytes = File_read(path);
    ASSERT_EQ(bytes.size(), 122u);
    EXPECT_EQ(bytes.substr(0, 3), "BMz"); // "BM", the size 122 ('z')
    EXPECT_EQ(bytes[10], 118);            // the pixels' offset
    EXPECT_EQ(bytes[28], 4);              // bits per pixel
    EXPECT_EQ(std::memcmp(bytes.data() + 54, table, 64), 0);
    EXPECT_EQ(bytes.substr(118), std::string("\x12\x30\0\0", 4));
    EXPECT_FALSE(std::filesystem::exists(path + ".part"));
}

// Stream positions beyond what a 32-bit long holds (Windows' long), set
// and told from the start, the current position and the end; a position
// past the end of a file read is no error and reads nothing.
TEST(Platform, StreamPositionsPastFourGigabytes)
{
    ScratchDir scratch;
    FILE *f = std::fopen(scratch.write("small", "0123456789").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    const int64_t far = (int64_t{1} << 32) + 3;
    EXPECT_EQ(File_seek(f, far, SEEK_SET), 0);
    EXPECT_EQ(File_tell(f), far);
    EXPECT_EQ(std::fgetc(f), EOF);
    EXPECT_EQ(File_seek(f, 2 - far, SEEK_CUR), 0);
    EXPECT_EQ(std::fgetc(f), '2');
    EXPECT_EQ(File_seek(f, far, SEEK_END), 0);
    EXPECT_EQ(File_tell(f), far + 10);
    std::fclose(f);
}

} // namespace

namespace {

// A track file of the older layout, each vertex x, y, z, energy.
std::string Track_file(const std::vector<std::pair<int32_t, std::vector<double>>> &tracks)
{
    std::string b;
    auto put = [&b](const void *p, size_t n) { b.append(static_cast<const char *>(p), n); };
    int32_t count = static_cast<int32_t>(tracks.size());
    put(&count, 4);
    for (const auto &t : tracks) {
        int32_t vertices = static_cast<int32_t>(t.second.size() / 4);
        put(&vertices, 4);
        put(&t.first, 4);
        put(t.second.data(), t.second.size() * 8);
    }
    return b;
}

} // namespace

// The importer writes only fields the picture's reader takes (coordinates
// and energies of three-digit exponents within their columns), and every
// step line of the picture leads back to its track and vertex in the track
// file (the z coordinate here is 10 * track + vertex), across a joined
// track, a track of another charge and batches of two tracks.
TEST_F(PictureTest, ImportedStepsReadWholeAndLeadBackToTheirVertex)
{
    const std::vector<std::pair<int32_t, std::vector<double>>> tracks = {
        {0, {0, 0, 11, 1, 1, 0, 12, 1}},
        {-1, {0, 0, 21, 2, -1e-120, 2e150, 22, 1e-120}},
        {-1, {-1e-120, 2e150, 22, 1.5, 3, 0, 32, 1.2, 4, 0, 33, 1.1}}, // joined
        {2, {0, 0, 41, 1, 1, 0, 42, 1}},                               // left out
        {1, {-3e-300, 1e-300, 51, 2, 1e99, -1e100, 52, 1}}};
    std::string input = scratch.write("t.ptracks", Track_file(tracks));
    PtracksStats st;
    char why[PTRACKS_WHY_SIZE];
    ASSERT_EQ(Ptracks_import(input.c_str(), "t.pic", 2, &st, why, sizeof why), 0) << why;
    ASSERT_EQ(Picture_convert_file(nullptr, "t.pic", "work.$$$"), 0);
    // Only the vertex far out (by the reader's rule for pictures without a
    // header) is left out.
    int problem;
    uint64_t first;
    EXPECT_EQ(Lines_left_out(&work_file.stats, &problem, &first), 1u) << Line_problem_text(problem);
    EXPECT_EQ(problem, PROBLEM_FAR_OUT);

    std::istringstream lines(scratch.read("t.pic"));
    std::string line;
    int steps = 0;
    for (uint64_t n = 1; std::getline(lines, line); n++) {
        uint64_t track = 0, vertex = 0;
        int found = Ptracks_locate(input.c_str(), st.tracks_per_batch, n, &track, &vertex);
        if (line.size() < 40) {
            EXPECT_EQ(found, -1) << n << ": " << line;
            continue;
        }
        steps++;
        int z = static_cast<int>(std::stod(line.substr(27, 13)));
        EXPECT_EQ(found, 0) << n;
        EXPECT_EQ(track * 10 + vertex, static_cast<uint64_t>(z)) << n << ": " << line;
    }
    EXPECT_EQ(steps, 8);
}
