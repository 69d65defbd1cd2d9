// The bitmap file layout for the three pixel formats, and the safe write.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "output/bmp_file.h"
#include "test_support.h"

namespace {

uint32_t Le32(const uint8_t *p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

TEST(BmpFile, LayoutForEachDisplayDepth)
{
    struct Case {
        int display_colours;
        int32_t width, height;
        int bits;
        uint32_t row, pixel_bytes, offset, size;
    } cases[] = {
        {-1, 490, 350, 24, 1472, 1470, 54, 515254},     // true colour
        {0, 490, 350, 24, 1472, 1470, 54, 515254},
        {256, 490, 350, 8, 492, 490, 1078, 173278},
        {256, 492, 350, 8, 492, 492, 1078, 1078 + 492 * 350},   // no padding needed
        {16, 491, 10, 4, 248, 246, 118, 118 + 248 * 10},        // odd width: half byte
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.display_colours);
        BmpLayout l;
        ASSERT_EQ(Bmp_layout(c.display_colours, c.width, c.height, &l), 0);
        EXPECT_EQ(l.bits, c.bits);
        EXPECT_EQ(l.row_size, c.row);
        EXPECT_EQ(l.pixel_bytes, c.pixel_bytes);
        EXPECT_EQ(l.data_offset, c.offset);
        EXPECT_EQ(l.file_size, c.size);

        uint8_t h[BMP_HEADERS_SIZE];
        Bmp_headers(&l, h);
        EXPECT_EQ(h[0], 'B');
        EXPECT_EQ(h[1], 'M');
        EXPECT_EQ(Le32(h + 2), c.size);
        EXPECT_EQ(Le32(h + 6), 0u);
        EXPECT_EQ(Le32(h + 10), c.offset);
        EXPECT_EQ(Le32(h + 14), 40u);
        EXPECT_EQ(Le32(h + 18), static_cast<uint32_t>(c.width));
        EXPECT_EQ(Le32(h + 22), static_cast<uint32_t>(c.height));
        EXPECT_EQ(h[26] | (h[27] << 8), 1);
        EXPECT_EQ(h[28] | (h[29] << 8), c.bits);
        EXPECT_EQ(Le32(h + 30), 0u);
        EXPECT_EQ(Le32(h + 34), c.row * static_cast<uint32_t>(c.height));
        for (int i = 38; i < 54; i++)
            EXPECT_EQ(h[i], 0) << i;
    }
    BmpLayout l;
    EXPECT_EQ(Bmp_layout(0, 0, 10, &l), -1);
    EXPECT_EQ(Bmp_layout(0, 100000, 100000, &l), -1);   // beyond 32-bit sizes
}

// The fixed table starts and ends with the display's standard colours and is
// written blue, green, red, 0.
TEST(BmpFile, FixedPalette)
{
    EXPECT_EQ(fixed_palette_256[0], 0x00000000u);
    EXPECT_EQ(fixed_palette_256[1], 0x00000080u);   // dark red
    EXPECT_EQ(fixed_palette_256[7], 0x00C0C0C0u);
    EXPECT_EQ(fixed_palette_256[249], 0x000000FFu); // red
    EXPECT_EQ(fixed_palette_256[255], 0x00FFFFFFu);
    uint8_t table[1024];
    Bmp_palette_256(table);
    EXPECT_EQ(table[4 * 1 + 2], 0x80);   // red byte of entry 1
    EXPECT_EQ(table[4 * 1 + 0], 0x00);
    EXPECT_EQ(table[4 * 252 + 0], 0xFF); // entry 252 is blue
    EXPECT_EQ(table[4 * 252 + 3], 0x00);
}

Colour Checker(const void *, int32_t x, int32_t y)
{
    return (x + y) % 2 ? 0x00112233u : 0x00FFFFFFu;
}

// Rows bottom-up in blue-green-red order, padded; a failed write leaves the
// previous file.
TEST(BmpFile, Write24)
{
    ScratchDir dir;
    std::string path = dir.file("out.bmp");
    ASSERT_EQ(Bmp_write_24(path.c_str(), 3, 2, Checker, nullptr), 0);
    std::string bytes = File_read(path);
    ASSERT_EQ(bytes.size(), 54u + 12u * 2);
    const uint8_t *p = reinterpret_cast<const uint8_t *>(bytes.data()) + 54;
    // Bottom row (y = 1) first: x = 0 is dark.
    EXPECT_EQ(p[0], 0x11);
    EXPECT_EQ(p[1], 0x22);
    EXPECT_EQ(p[2], 0x33);
    EXPECT_EQ(p[3], 0xFF);
    EXPECT_EQ(p[9], 0);   // padding
    EXPECT_EQ(p[12], 0xFF);

    File_write(path, "previous");
    std::string missing_dir = dir.file("no/such/dir.bmp");
    EXPECT_EQ(Bmp_write_24(missing_dir.c_str(), 3, 2, Checker, nullptr), -1);
    EXPECT_EQ(File_read(path), "previous");
}

// The palette formats as the window program writes them on 16- and
// 256-colour displays: the colour table right after the headers, rows
// bottom-up as given, zero padding, and at 4 bits an odd width keeps only the
// high nibble of its last byte.  A new file replaces an old one and leaves no
// temporary file behind.  Row buffers hold exactly the pixel bytes, so a
// writer that reads past them shows up under the address sanitizer.
TEST(BmpFile, PaletteFormatsRowsAndTable)
{
    ScratchDir dir;
    std::string path = dir.file("palette.bmp");
    File_write(path, "previous");
    uint8_t table[1024];
    Bmp_palette_256(table);

    BmpLayout l8;
    ASSERT_EQ(Bmp_layout(256, 5, 2, &l8), 0);
    BmpWriter w;
    ASSERT_EQ(Bmp_write_begin(&w, path.c_str(), &l8, table), 0);
    const uint8_t bottom8[5] = {1, 2, 3, 4, 5};
    const uint8_t top8[5] = {250, 251, 252, 253, 254};
    Bmp_write_row(&w, bottom8);
    Bmp_write_row(&w, top8);
    ASSERT_EQ(Bmp_write_end(&w), 0);
    std::string bytes = File_read(path);
    ASSERT_EQ(bytes.size(), 1094u);
    EXPECT_EQ(std::memcmp(bytes.data() + 54, table, sizeof table), 0);
    EXPECT_EQ(bytes.substr(1078), std::string("\x01\x02\x03\x04\x05\0\0\0"
                                              "\xFA\xFB\xFC\xFD\xFE\0\0\0", 16));
    EXPECT_EQ(File_read(path + ".part"), "");

    BmpLayout l4;
    ASSERT_EQ(Bmp_layout(16, 3, 1, &l4), 0);
    ASSERT_EQ(Bmp_write_begin(&w, path.c_str(), &l4, table), 0);
    const uint8_t row4[2] = {0x12, 0x3F};
    Bmp_write_row(&w, row4);
    ASSERT_EQ(Bmp_write_end(&w), 0);
    bytes = File_read(path);
    ASSERT_EQ(bytes.size(), 122u);
    EXPECT_EQ(std::memcmp(bytes.data() + 54, table, 64), 0);
    EXPECT_EQ(bytes.substr(118), std::string("\x12\x30\0\0", 4));
}

} // namespace
