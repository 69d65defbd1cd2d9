// The bitmap file layout for the three pixel formats, and the safe write.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "output/bmp_file.h"
#include "test_support.h"

namespace {

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
        {256, 492, 350, 8, 492, 492, 1078, 173278},     // no padding needed
        {16, 491, 10, 4, 248, 246, 118, 2598},          // odd width: half a byte
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.display_colours << " colours, width " << c.width);
        BmpLayout l;
        ASSERT_EQ(Bmp_layout(c.display_colours, c.width, c.height, &l), 0);
        EXPECT_EQ(l.bits, c.bits);
        EXPECT_EQ(l.row_size, c.row);
        EXPECT_EQ(l.pixel_bytes, c.pixel_bytes);
        EXPECT_EQ(l.data_offset, c.offset);
        EXPECT_EQ(l.file_size, c.size);
        // The headers hold the layout: file size, pixel offset, bits, image
        // size, no compression (the 24-bit files are read back end to end).
        uint8_t h[BMP_HEADERS_SIZE];
        Bmp_headers(&l, h);
        EXPECT_EQ(Le32(h + 2), c.size);
        EXPECT_EQ(Le32(h + 10), c.offset);
        EXPECT_EQ(h[28], c.bits);
        EXPECT_EQ(Le32(h + 30), 0u);
        EXPECT_EQ(Le32(h + 34), c.row * static_cast<uint32_t>(c.height));
    }
    BmpLayout l;
    EXPECT_EQ(Bmp_layout(0, 0, 10, &l), -1);
    EXPECT_EQ(Bmp_layout(0, 100000, 100000, &l), -1);   // beyond 32-bit sizes
}

// The colour table is written blue, green, red, 0.
TEST(BmpFile, PaletteBytesAreBlueGreenRedZero)
{
    uint8_t table[1024];
    Bmp_palette_256(table);
    for (int i : {1, 249, 252}) {
        Colour c = fixed_palette_256[i];
        EXPECT_EQ(Le32(table + 4 * i), (c >> 16 & 0xFF) | (c & 0xFF00) | (c & 0xFF) << 16) << i;
    }
}

Colour Checker(const void *, int32_t x, int32_t y)
{
    return (x + y) % 2 ? 0x00112233u : 0x00FFFFFFu;
}

// A write that cannot be done fails and leaves nothing behind (the rows of
// written files are read back in the end-to-end tests).
TEST(BmpFile, WriteIntoAMissingFolderFailsAndLeavesNothing)
{
    ScratchDir dir;
    EXPECT_EQ(Bmp_write_24(dir.file("no/such.bmp").c_str(), 3, 2, Checker, nullptr), -1);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

} // namespace
